// Building FITS files byte by byte for the loading and saving tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/workspaces.h"

namespace fitstest {

/// One 80-character card from its text.
std::string card(const std::string& text);
/// A fixed-format card: keyword, "= ", a text value from column 11, another value right-justified to column 30.
std::string valueCard(const std::string& keyword, const std::string& value);
/// A card with the value right after "= " (free format), padded to 80 columns.
std::string freeCard(const std::string& keyword, const std::string& value);
/// The usual cards of a 16-bit frame: SIMPLE, BITPIX 16, NAXIS 2, NAXIS1, NAXIS2, and BZERO
/// when bzero is not empty.
std::vector<std::string> basicCards(int nx, int ny, const std::string& bzero = "32768");
/// Header bytes: the cards, an END card, blank cards to a whole block.
std::string header(std::vector<std::string> cards);
/// Data bytes: ny rows of nx stored 16-bit patterns (big-endian), padded with zeros to a block.
std::string data(int nx, int ny, const std::function<uint16_t(int i, int j)>& stored, bool pad = true);

/// The frame `name` of `dir` saved as dark and flat corrected (type "flt"), loaded into a
/// fresh workspace set as a camera with input control variable 4 stores it; null when it does
/// not load, with the load's messages in `messages`.
std::unique_ptr<image::Workspaces> loadCorrected(const std::filesystem::path& dir, const std::string& name,
                                                 std::string& messages);

}  // namespace fitstest
