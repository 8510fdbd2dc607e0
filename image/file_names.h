// Image file names: comments cut from typed names, file types stripped and appended,
// the current type chosen, output names formed, frame numbers written under the numbering
// convention (the file list and the batch-rename file are in image/file_list.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/settings.h"

namespace textio {
class Console;
}

namespace image {

constexpr size_t kMaxBaseName = 16;   ///< longest base name: "." and a 3-character type must fit in 20

/// Places (1-based) of the file-type codes in settings.fileTypeCodes.
enum TypePlace : int {
  kCurrentType = 1,         ///< appended to names by every load and save
  kSuppliedType = 2,        ///< type that came with the last name stripped by strip
  kRawType = 3,             ///< raw camera frames
  kDarkType = 4,            ///< dark-corrected frames
  kFlatType = 5,            ///< dark- and flat-corrected frames
  kNumberingConvention = 9, ///< "0  " .. "5  ": digits of generated frame numbers
  kOverwriteChars = 10,     ///< characters replacing the start of a corrected frame's name
};

/// The code at a place (1-based), always 3 characters (blank-padded).
std::string typeCode(const core::Settings& settings, int place);
/// Sets the code at a place (1-based), cut or blank-padded to 3 characters.
void setTypeCode(core::Settings& settings, int place, std::string_view code);

/// Blanks everything from the first ";", "/" or "!" to the end (width kept).
void fnoc(std::string& name);
/// Blanks everything from the first "." to the end (width kept).
void stripx(std::string& name);
/// As stripx; the (up to) three characters after the "." become the supplied type (code 2,
/// blank when there is no "."). Prints "   have stripped off file type; file type was " with
/// the three characters, then an empty line.
void strip(textio::Console& console, core::Settings& settings, std::string& name);
/// Appends "." and the current type right after the last non-blank character, printing
/// "   entered routine addtyp; fname = " before and "   adding file type... filename = " after.
/// The name keeps at least 20 characters; it grows rather than lose its type when the base
/// name is longer than 16 characters (callers refuse such names with baseNameFits first).
void addtyp(textio::Console& console, const core::Settings& settings, std::string& name);
/// True when the name without trailing blanks has at most 16 characters; otherwise prints
/// "   error - file name longer than 16 characters (no room for its file type): " + name.
[[nodiscard]] bool baseNameFits(textio::Console& console, std::string_view name);

/// Current type = the supplied type when one came with the last name, else the raw type;
/// prints the choice.
void setraw(textio::Console& console, core::Settings& settings);
/// The same with the dark-corrected type.
void setdrk(textio::Console& console, core::Settings& settings);
/// The same with the dark- and flat-corrected type.
void setflt(textio::Console& console, core::Settings& settings);

/// The source name (20 characters) with each of its first three characters replaced by the
/// same position of the overwrite characters (code 10) where that position is not blank.
std::string rename(const core::Settings& settings, std::string_view source);

/// A frame number written under the numbering convention (code 9): "0" as many digits as it
/// has; "n" (1..9) exactly n digits with leading zeros, asterisks when it does not fit.
std::string frameNumber(const core::Settings& settings, int64_t number);

/// Reads a typed file name from the current input after `promptText`: the whole answer,
/// its comment cut (fnoc). The result may be wider than 20 characters so that a name too
/// long is refused rather than cut.
std::string answerName(textio::Console& console, std::string_view promptText);

}  // namespace image
