// photflags.txt, written beside the photometry log by every photometry run: one line per frame
// and object with its contamination flag, the distance of the star that gives it and that
// star's peak against the object's.
#pragma once

#include <istream>
#include <map>
#include <string>
#include <string_view>

#include "phot/contamination.h"

namespace phot {

/// The file's name (in the working path).
inline constexpr std::string_view kPhotFlagsFile = "photflags.txt";

/// The column titles, the file's first line.
std::string photFlagsTitle();

/// One line: blank, frame name (20 characters), blank, object code (5), 2 blanks, the flag word
/// (8 characters), distance (F8.2, pixels), ratio (F8.2).
std::string photFlagsLine(std::string_view frame, std::string_view code, const ContaminationCheck& check);

/// The flags of a photflags.txt: frame name (file type removed, trailing blanks dropped) to
/// object code (trailing blanks dropped) to flag. Lines that are not flag lines are passed over.
using PhotFlags = std::map<std::string, std::map<std::string, Contamination>>;
PhotFlags readPhotFlags(std::istream& in);

}  // namespace phot
