// Free-format reader shared by every file and every numeric answer.
#include "textio/free_format.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace textio {

std::vector<std::string_view> splitFree(std::string_view line) {
  std::vector<std::string_view> items;
  size_t i = 0;
  auto isSep = [](char c) { return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n'; };
  while (i < line.size()) {
    while (i < line.size() && isSep(line[i])) ++i;
    size_t b = i;
    while (i < line.size() && !isSep(line[i])) ++i;
    if (i > b) items.push_back(line.substr(b, i - b));
  }
  return items;
}

bool parseReal(std::string_view item, double& out) {
  // Validate the shape first so strtod cannot accept nan, inf or hex forms.
  std::string s;
  size_t i = 0;
  if (i < item.size() && (item[i] == '+' || item[i] == '-')) s += item[i++];
  size_t digits = 0;
  while (i < item.size() && item[i] >= '0' && item[i] <= '9') { s += item[i++]; ++digits; }
  if (i < item.size() && item[i] == '.') {
    s += item[i++];
    while (i < item.size() && item[i] >= '0' && item[i] <= '9') { s += item[i++]; ++digits; }
  }
  if (digits == 0) return false;
  if (i < item.size() && (item[i] == 'e' || item[i] == 'E' || item[i] == 'd' || item[i] == 'D')) {
    s += 'e';
    ++i;
    if (i < item.size() && (item[i] == '+' || item[i] == '-')) s += item[i++];
    size_t expDigits = 0;
    while (i < item.size() && item[i] >= '0' && item[i] <= '9') { s += item[i++]; ++expDigits; }
    if (expDigits == 0) return false;
  }
  if (i != item.size()) return false;
  errno = 0;
  char* end = nullptr;
  double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

bool parseInt(std::string_view item, int64_t& out) {
  size_t i = 0;
  bool neg = false;
  if (i < item.size() && (item[i] == '+' || item[i] == '-')) neg = item[i++] == '-';
  if (i == item.size()) return false;
  int64_t v = 0;
  for (; i < item.size(); ++i) {
    char c = item[i];
    if (c < '0' || c > '9') return false;
    if (v > (INT64_MAX - (c - '0')) / 10) return false;
    v = v * 10 + (c - '0');
  }
  out = neg ? -v : v;
  return true;
}

bool readReals(std::string_view line, size_t n, std::vector<double>& out) {
  out.clear();
  FreeItems items(line);
  for (size_t k = 0; k < n; ++k) {
    double v;
    if (!items.real(v)) return false;
    out.push_back(v);
  }
  return true;
}

bool FreeItems::real(double& v) {
  if (next_ >= items_.size()) return false;
  if (!parseReal(items_[next_], v)) return false;
  ++next_;
  return true;
}

bool FreeItems::real(float& v) {
  double d;
  if (!real(d)) return false;
  if (std::fabs(d) > 3.4028234663852886e38) {
    --next_;
    return false;
  }
  v = static_cast<float>(d);
  return true;
}

bool FreeItems::integer(int64_t& v) {
  if (next_ >= items_.size()) return false;
  if (!parseInt(items_[next_], v)) return false;
  ++next_;
  return true;
}

bool FreeItems::integer(int32_t& v) {
  int64_t w;
  if (!integer(w)) return false;
  if (w < INT32_MIN || w > INT32_MAX) {
    --next_;
    return false;
  }
  v = static_cast<int32_t>(w);
  return true;
}

bool FreeItems::text(std::string& s) {
  if (next_ >= items_.size()) return false;
  s = std::string(items_[next_++]);
  return true;
}

}  // namespace textio
