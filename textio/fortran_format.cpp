// Field writer: formatted numbers laid out as Fortran's F, I, A and X descriptors.
#include "textio/fortran_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace textio {

namespace {

void placeRight(std::string& out, const std::string& s, int w) {
  if (w <= 0) return;
  if (static_cast<int>(s.size()) > w) {
    out.append(static_cast<size_t>(w), '*');
    return;
  }
  out.append(static_cast<size_t>(w) - s.size(), ' ');
  out += s;
}

}  // namespace

void appendF(std::string& out, double v, int w, int d) {
  if (w <= 0) return;
  if (!std::isfinite(v)) {
    out.append(static_cast<size_t>(w), '*');
    return;
  }
  if (d < 0) d = 0;
  char buf[512];
  int n = std::snprintf(buf, sizeof buf, "%.*f", d, v);
  if (n < 0 || n >= static_cast<int>(sizeof buf)) {
    out.append(static_cast<size_t>(w), '*');
    return;
  }
  std::string s(buf, static_cast<size_t>(n));
  if (d == 0) s += '.';
  // The zero before the point goes only when digits follow the point and the field is short.
  if (d > 0 && static_cast<int>(s.size()) > w) {
    if (s.rfind("0.", 0) == 0) {
      s.erase(0, 1);
    } else if (s.rfind("-0.", 0) == 0) {
      s.erase(1, 1);
    }
  }
  placeRight(out, s, w);
}

void appendI(std::string& out, int64_t v, int w) {
  placeRight(out, std::to_string(v), w);
}

void appendA(std::string& out, std::string_view s, int w) {
  if (w <= 0) return;
  if (static_cast<int>(s.size()) >= w) {
    out.append(s.substr(0, static_cast<size_t>(w)));
  } else {
    out.append(static_cast<size_t>(w) - s.size(), ' ');
    out.append(s);
  }
}

void appendX(std::string& out, int n) {
  if (n > 0) out.append(static_cast<size_t>(n), ' ');
}

void appendFree(std::string& out, float v) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  out += ' ';
  out.append(buf, res.ptr);
}

void appendFree(std::string& out, double v) {
  char buf[64];
  int n = std::snprintf(buf, sizeof buf, "%.17g", v);
  out += ' ';
  out.append(buf, static_cast<size_t>(n));
}

void appendFree(std::string& out, int64_t v) {
  out += ' ';
  out += std::to_string(v);
}

std::string fmtF(double v, int w, int d) {
  std::string s;
  appendF(s, v, w, d);
  return s;
}

std::string fmtI(int64_t v, int w) {
  std::string s;
  appendI(s, v, w);
  return s;
}

}  // namespace textio
