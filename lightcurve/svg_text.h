// Text pieces shared by the SVG pictures: coordinates with two decimals and XML-escaped labels.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace lightcurve {

/// A coordinate or size as an SVG attribute value (two decimals).
inline std::string svgNumber(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

/// Text with the characters XML reserves replaced by their entities.
inline std::string xmlEscape(std::string_view text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

}  // namespace lightcurve
