// Reading a FITS primary header block by block.
#include "sky/header_cards.h"

#include <fstream>

namespace sky {

namespace {
constexpr size_t kBlock = 2880;
constexpr int kMaxBlocks = 1000;
}  // namespace

bool readHeaderCards(const std::string& hostPath, std::string& cards, std::string& problem) {
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) {
    problem = "it cannot be opened";
    return false;
  }
  cards.clear();
  std::string block(kBlock, ' ');
  for (int b = 0; b < kMaxBlocks; ++b) {
    if (!in.read(block.data(), static_cast<std::streamsize>(kBlock))) break;
    if (b == 0 && block.compare(0, 8, "SIMPLE  ") != 0) {
      problem = "it is not a FITS file";
      return false;
    }
    for (size_t at = 0; at < kBlock; at += 80) {
      cards.append(block, at, 80);
      if (block.compare(at, 8, "END     ") == 0) return true;
    }
  }
  problem = "its header has no END card";
  return false;
}

}  // namespace sky
