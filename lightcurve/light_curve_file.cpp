// Strict reading of one column of a dmag output file, and calendar dates of Julian Dates.
#include "lightcurve/light_curve_file.h"

#include <array>
#include <cmath>
#include <fstream>
#include <string_view>

#include "lightcurve/dates.h"
#include "textio/fixed_text.h"
#include "textio/free_format.h"

namespace lightcurve {

namespace {

constexpr std::string_view kTitle = " year  m  d    UTC";
constexpr std::string_view kZeroPoint = "  zero point = ";
constexpr std::string_view kReference = "   normalising star = ";
constexpr double kNoValue = 99.999 - 0.0005;  // a magnitude or error at or above: no value
constexpr double kMagPerLn = 1.0857362047581294;  // 2.5 / ln 10

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

// One observation line: date, time, twenty values, HJD (the phase must be there too).
struct Row {
  int64_t y = 0, m = 0, d = 0;
  double time = 0.0, hjd = 0.0;
  std::array<double, 20> v{};
};

bool readRow(std::string_view line, Row& r) {
  std::vector<std::string_view> items = textio::splitFree(line);
  if (items.size() < 26) return false;
  if (!textio::parseInt(items[0], r.y) || !textio::parseInt(items[1], r.m) || !textio::parseInt(items[2], r.d)) {
    return false;
  }
  double phase = 0.0;
  if (!textio::parseReal(items[3], r.time) || !textio::parseReal(items[24], r.hjd) ||
      !textio::parseReal(items[25], phase)) {
    return false;
  }
  for (size_t k = 0; k < 20; ++k) {
    if (!textio::parseReal(items[4 + k], r.v[k])) return false;
  }
  return r.y >= 1 && r.y <= 9999 && r.m >= 1 && r.m <= 12 && r.d >= 1 && r.d <= 31 && std::fabs(r.time) < 1000.0;
}

// The magnitude and error of one value; false when the observation has no value.
bool pointValue(double v, double e, bool magnitudes, LightPoint& p) {
  if (magnitudes) {
    if (v >= kNoValue || e >= kNoValue) return false;
    p.mag = v;
    p.err = std::fabs(e);
    return true;
  }
  if (!(v > 0.0)) return false;
  p.mag = -2.5 * std::log10(v);
  p.err = kMagPerLn * std::fabs(e) / v;
  p.fromRatio = true;
  return true;
}

}  // namespace

bool readTextLines(const std::string& hostName, std::vector<std::string>& lines) {
  lines.clear();
  std::ifstream in(hostName, std::ios::binary);
  if (!in) return false;
  for (std::string text; std::getline(in, text);) lines.emplace_back(textio::dropCr(text));
  return true;
}

bool readLightCurve(const std::vector<std::string>& lines, int column, const std::string& shownName,
                    LightCurve& out, std::string& error) {
  out = LightCurve{};
  size_t i = 0;
  for (; i < lines.size() && !startsWith(lines[i], kTitle); ++i) {
    if (startsWith(lines[i], kZeroPoint)) out.magnitudes = true;
    if (startsWith(lines[i], kReference)) {
      out.references.emplace_back(textio::trim(std::string_view(lines[i]).substr(kReference.size())));
    }
  }
  if (i == lines.size()) {
    error = "   error - " + shownName + " has no column titles: not a light curve written by dmag";
    return false;
  }
  const size_t k = static_cast<size_t>(column - 1);
  size_t at = 25 + 9 * k;
  out.starName = std::string(textio::trim(at < lines[i].size() ? std::string_view(lines[i]).substr(at, 5) : ""));
  bool anyValue = false;
  int32_t y0 = 0, m0 = 0, d0 = 0;
  for (size_t n = i + 1; n < lines.size(); ++n) {
    if (textio::isBlank(lines[n])) continue;
    Row r;
    if (!readRow(lines[n], r)) {
      error = "   error - line " + std::to_string(n + 1) + " of " + shownName + " is not an observation of dmag";
      return false;
    }
    if (out.dataLines++ == 0) {
      y0 = static_cast<int32_t>(r.y), m0 = static_cast<int32_t>(r.m), d0 = static_cast<int32_t>(r.d);
    }
    double v = r.v[k], e = r.v[k + 10];
    if (v != 0.0 || e != 0.0) anyValue = true;
    LightPoint p;
    if (!pointValue(v, e, out.magnitudes, p)) continue;
    // Times are counted on from the date of the first observation, as dmag writes them.
    int32_t hour = static_cast<int32_t>(std::trunc(r.time));
    float minutes = static_cast<float>((r.time - hour) * 60.0);
    p.jdUt = julian(y0, m0, d0, hour, minutes);
    p.hjd = r.hjd != 0.0 ? r.hjd : p.jdUt;
    out.points.push_back(p);
  }
  if (out.dataLines == 0) {
    error = "   error - " + shownName + " holds no observations";
    return false;
  }
  if (!anyValue || out.points.empty()) {
    error = "   error - column " + std::to_string(column) + " of " + shownName + " holds no values";
    return false;
  }
  return true;
}

CalendarTime calendarOf(double jd) {
  // Whole seconds first, so that rounding can carry into the next day.
  double seconds = std::floor((jd + 0.5) * 86400.0 + 0.5);
  double dayNumber = std::floor(seconds / 86400.0);
  int64_t sod = static_cast<int64_t>(seconds - dayNumber * 86400.0);
  // Gregorian calendar from the day number (Fliegel and Van Flandern).
  int64_t l = static_cast<int64_t>(dayNumber) + 68569;
  int64_t n = 4 * l / 146097;
  l -= (146097 * n + 3) / 4;
  int64_t i = 4000 * (l + 1) / 1461001;
  l = l - 1461 * i / 4 + 31;
  int64_t j = 80 * l / 2447;
  CalendarTime c;
  c.day = static_cast<int32_t>(l - 2447 * j / 80);
  l = j / 11;
  c.month = static_cast<int32_t>(j + 2 - 12 * l);
  c.year = static_cast<int32_t>(100 * (n - 49) + i + l);
  c.hour = static_cast<int32_t>(sod / 3600);
  c.minute = static_cast<int32_t>(sod / 60 % 60);
  c.second = static_cast<int32_t>(sod % 60);
  return c;
}

}  // namespace lightcurve
