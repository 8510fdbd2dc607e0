// Naming, header tests, normalisation and line layout of the differential-magnitude table.
#include "lightcurve/dmag_table.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"

namespace lightcurve {

namespace {

constexpr float kNoMagnitude = 99.999f;  // written for a magnitude (or its error) without a value

// Columns from+1 .. from+width of a line (blank beyond its end) equal to the blank-padded text.
bool columnsEqual(std::string_view line, size_t from, size_t width, std::string_view text) {
  return textio::fixed(line.substr(std::min(from, line.size())), width) == textio::fixed(text, width);
}

double magnitude(float zeroPoint, double ratio) { return zeroPoint - 2.5 * std::log10(ratio); }

}  // namespace

DmagNames dmagNames(std::string_view typed) {
  DmagNames n;
  n.input = textio::fixed(typed, 20);
  n.output = n.input;
  size_t dot = n.input.find('.');
  if (dot != std::string::npos && dot < 15) {
    n.output.replace(dot, 4, ".res");
    n.ok = true;
    return n;
  }
  size_t blanks = n.input.find("    ");
  if (blanks == std::string::npos || blanks >= 15) return n;
  n.input.replace(blanks, 4, ".dat");
  n.output.replace(blanks, 4, ".res");
  n.ok = true;
  return n;
}

bool isPhotometryLine(std::string_view line) { return columnsEqual(line, 0, 20, "  photometry :"); }
bool isTargetsLine(std::string_view line) { return columnsEqual(line, 0, 20, "  targets :"); }
bool isFormatLine(std::string_view line) { return columnsEqual(line, 0, 17, "  output format :"); }
bool isTitleLine(std::string_view line) { return columnsEqual(line, 0, 20, "     y   m  d    UTC"); }
bool endsStarList(std::string_view line) { return columnsEqual(line, 2, 3, "obj"); }

bool parseTarget(std::string_view numbers, float& raDeg, float& decDeg) {
  std::vector<std::string_view> items = textio::splitFree(numbers);
  if (items.size() < 4) return false;
  double v[4];
  for (int k = 0; k < 4; ++k) {
    if (!textio::parseReal(items[static_cast<size_t>(k)], v[k])) return false;
  }
  float hours = static_cast<float>(v[0]), raMinutes = static_cast<float>(v[1]);
  float degrees = static_cast<float>(v[2]), decMinutes = static_cast<float>(v[3]);
  raDeg = (raMinutes / 60.0f + hours) * 15.0f;
  float size = std::fabs(degrees) + std::fabs(decMinutes) / 60.0f;
  decDeg = textio::trim(items[2]).front() == '-' ? -size : size;
  return true;
}

float geter(float v, float e, float n, float en) {
  if (v < 0.000001f) return 0.0f;
  float a = e / v;
  float b = en / n;
  return (v / n) * std::sqrt(a * a + b * b);
}

std::array<float, 20> reduceObservation(const std::array<float, 20>& v, const Reduction& r) {
  std::array<float, 20> out{};
  int count = 0;
  float sum = 0.0f, errorSquares = 0.0f;
  for (int ref : r.refs) {
    if (ref < 1 || ref > 10) continue;
    ++count;
    sum += v[static_cast<size_t>(ref - 1)];
    float e = v[static_cast<size_t>(ref + 9)];
    errorSquares += e * e;
  }
  if (count == 0) return out;
  float norm = sum / static_cast<float>(count);
  float normError = std::sqrt(errorSquares) / static_cast<float>(count);
  for (size_t k = 0; k < 10; ++k) {
    char code = r.format[k];
    if (code == 's') {
      bool hasError = r.format[k + 10] == 'e';
      float ratio = 0.0f, error = 0.0f;
      if (norm != 0.0f) {
        ratio = v[k] / norm;
        if (hasError) error = geter(v[k], v[k + 10], norm, normError);
      }
      if (!r.magnitudes) {
        out[k] = ratio;
        out[k + 10] = error;
      } else if (ratio > 1e-10f) {
        out[k] = static_cast<float>(magnitude(r.zeroPoint, ratio));
        double low = static_cast<double>(ratio) - error;
        double high = static_cast<double>(ratio) + error;
        out[k + 10] = low > 0.0 ? static_cast<float>(std::fabs(
                                      0.5 * (magnitude(r.zeroPoint, high) - magnitude(r.zeroPoint, low))))
                                : kNoMagnitude;
      } else {
        out[k] = kNoMagnitude;
      }
    }
    if (code == 'b') out[k] = 0.0f;
  }
  return out;
}

float TimeCorrector::next(float time) {
  if (time < previous_) midnight_ = true;
  if (midnight_) time += 24.0f;
  if (code_ == 'b') {
    time -= 1.0f;
  } else if (code_ == 's') {
    if (time > 26.0f) time -= 1.0f;
  } else if (code_ == 'a') {
    if (time <= 26.0f) time -= 1.0f;
  }
  previous_ = time;
  return time;
}

std::string dmagTitle(const std::array<std::string, 10>& names) {
  textio::Line l(" year  m  d    UTC");
  l.x(7);
  for (const std::string& n : names) l.a(textio::fixed(n, 5)).x(4);
  return l.x(90).a("    HJD    phase").str();
}

std::string dmagLine(int32_t year, int32_t month, int32_t day, float time,
                     const std::array<float, 20>& cols, double hjd, double phase) {
  textio::Line l(" ");
  l.i(year, 4).x(1).i(month, 2).x(1).i(day, 2).x(1).f(time, 7, 3).x(1);
  for (float c : cols) l.f(c, 8, 5).x(1);
  l.x(1).f(hjd, 12, 4).x(1).f(phase, 7, 5).x(2);
  l.f(0.0, 6, 2).x(1).f(0.0, 5, 1).x(1).f(0.0, 5, 1);
  return l.str();
}

}  // namespace lightcurve
