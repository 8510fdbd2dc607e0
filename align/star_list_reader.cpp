// Star position list reading for the aligners.
#include "align/star_list_reader.h"

#include <cfloat>
#include <cmath>

#include "textio/fixed_text.h"
#include "textio/free_format.h"

namespace align {

namespace {

// A real in a fixed field of the header lines; blanks read as 0.
bool headerReal(std::string_view field, double& out) {
  std::string_view t = textio::trim(field);
  if (t.empty()) {
    out = 0.0;
    return true;
  }
  return textio::parseReal(t, out) && std::fabs(out) <= FLT_MAX;  // a 4-byte real must hold it
}

}  // namespace

bool StarListReader::readLine(std::string& line) {
  if (!std::getline(in_, line)) return false;
  ++lineNo_;
  line = textio::fixed(textio::dropCr(line), 70);
  return true;
}

BlockRead StarListReader::next(FrameBlock& block) {
  problemLine_ = 0;
  std::string line;
  for (;;) {
    if (!readLine(line)) return BlockRead::End;
    if (line.compare(2, 15, "stars found in ") == 0) break;
  }
  block.name = line.substr(17, 20);
  block.sky = 0.0f;
  block.time = 0.0f;
  block.stars.clear();
  double value;
  if (!readLine(line)) return BlockRead::Truncated;
  if (!headerReal(std::string_view(line).substr(23, 8), value)) {
    problemLine_ = lineNo_;
    return BlockRead::Truncated;
  }
  block.sky = static_cast<float>(value);
  if (!readLine(line)) return BlockRead::Truncated;
  if (!headerReal(std::string_view(line).substr(17, 7), value)) {
    problemLine_ = lineNo_;
    return BlockRead::Truncated;
  }
  block.time = static_cast<float>(value);
  if (!readLine(line)) return BlockRead::Truncated;
  while (static_cast<int>(block.stars.size()) < maxStars_) {
    if (!readLine(line)) return BlockRead::Truncated;
    textio::FreeItems items(line);
    ListedStar s;
    if (!items.real(s.u) || !items.real(s.v) || !items.integer(s.width)) {
      problemLine_ = lineNo_;
      return BlockRead::Truncated;
    }
    if (s.u > 9998.0f) break;
    float realWidth = 0.0f;
    int32_t peak = 0;
    if (!items.real(realWidth) || !items.integer(peak) || !items.integer(s.peakAboveSky)) s.peakAboveSky = 0;
    block.stars.push_back(s);
  }
  return BlockRead::Frame;
}

}  // namespace align
