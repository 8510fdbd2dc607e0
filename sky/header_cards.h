// The header cards of a FITS file, read whole for the sky solution and the frame's time.
#pragma once

#include <string>

namespace sky {

/// Reads the primary header of a FITS file: every 80-character card up to and including
/// END, concatenated. False with `problem` (a short phrase) when the file cannot be opened,
/// does not start with SIMPLE or has no END card within its first 1000 blocks.
[[nodiscard]] bool readHeaderCards(const std::string& hostPath, std::string& cards, std::string& problem);

}  // namespace sky
