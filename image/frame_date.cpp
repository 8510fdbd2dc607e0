// Frame dates from a header alone: the header cards are read block by block and handed to
// the loader's header parsing with a console nobody sees.
#include "image/frame_date.h"

#include <fstream>
#include <sstream>

#include "textio/console.h"
#include "textio/fixed_text.h"

namespace image {

namespace {

constexpr size_t kCard = 80;
constexpr size_t kBlock = 2880;
constexpr int kMaxHeaderBlocks = 1000;  // a header longer than this is not a frame's

// Reads one header into `cards` up to its END card; false when the file ends first.
bool readCards(std::istream& in, KeywordCards& cards, bool& hasData) {
  std::string block(kBlock, ' ');
  int32_t naxis = -1;
  for (int b = 0; b < kMaxHeaderBlocks; ++b) {
    if (!in.read(block.data(), static_cast<std::streamsize>(kBlock))) return false;
    for (size_t c = 0; c < kBlock; c += kCard) {
      std::string_view card(block.data() + c, kCard);
      if (card.substr(0, 8) == "END     ") {
        hasData = naxis != 0;
        return true;
      }
      if (card.substr(0, 8) == "NAXIS   ") {
        std::istringstream value(std::string(card.substr(10, 20)));
        if (!(value >> naxis)) naxis = -1;
      }
      cards.take(card);
    }
  }
  return false;
}

}  // namespace

bool frameDate(const std::string& host, DateOrder dateOrder, FrameHeader& header) {
  std::ifstream in(host, std::ios::binary);
  if (!in) return false;
  KeywordCards cards;
  bool hasData = true;
  if (!readCards(in, cards, hasData)) return false;
  if (!hasData) {
    // The frame is in the first extension: its cards are read over the primary's.
    KeywordCards extension = cards;
    bool extensionData = true;
    if (readCards(in, extension, extensionData)) cards = extension;
  }
  std::istringstream keyboard;
  std::ostringstream screen;
  textio::Console quiet(keyboard, screen);
  FrameHeader h;
  if (!convh(quiet, cards, true, dateOrder, h, nullptr)) return false;
  header = h;
  return true;
}

}  // namespace image
