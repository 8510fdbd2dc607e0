// SVG light curves drawn from dmag output files.
#include "lightcurve/lc_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>

#include "lightcurve/svg_axes.h"
#include "lightcurve/svg_text.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"

namespace lightcurve {

namespace {

constexpr std::string_view kTitle = " year  m  d    UTC";
constexpr std::string_view kZeroPoint = "  zero point = ";
constexpr std::string_view kReference = "   normalising star = ";
constexpr float kNoMagnitude = 99.999f;


bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

bool readRow(std::string_view line, ResRow& row) {
  std::vector<std::string_view> items = textio::splitFree(line);
  if (items.size() < 25) return false;
  double v[25];
  for (size_t k = 0; k < 25; ++k) {
    if (!textio::parseReal(items[k], v[k])) return false;
  }
  // The time and the values are 4-byte reals: a number beyond their range is no observation.
  // Nor is a Julian Date too large to count its days in a 64-bit integer.
  for (size_t k = 3; k < 24; ++k) {
    if (std::fabs(v[k]) > std::numeric_limits<float>::max()) return false;
  }
  if (!(std::fabs(v[24]) < 1.0e15)) return false;
  if (!(std::fabs(v[0]) < 1.0e6 && std::fabs(v[1]) < 1.0e6 && std::fabs(v[2]) < 1.0e6)) return false;
  row.year = static_cast<int32_t>(v[0]), row.month = static_cast<int32_t>(v[1]), row.day = static_cast<int32_t>(v[2]);
  row.time = static_cast<float>(v[3]);
  for (size_t k = 0; k < 20; ++k) row.cols[k] = static_cast<float>(v[4 + k]);
  row.hjd = v[24];
  return true;
}


struct Point {
  double x, y, err;
};

std::string twoDigits(int32_t v) { return (v < 10 ? "0" : "") + std::to_string(v); }

// True when the HJD column of every row is the plain JD of its date and time (no light-time
// correction was applied).
bool plainJd(const ResFile& res) {
  const ResRow& first = res.rows.front();  // times count on from the first date
  for (const ResRow& r : res.rows) {
    int32_t hour = static_cast<int32_t>(std::trunc(r.time));
    double jd = julian(first.year, first.month, first.day, hour, (r.time - static_cast<float>(hour)) * 60.0f);
    if (!(std::fabs(jd - r.hjd) < 2.0e-5)) return false;
  }
  return true;
}

// The time axis: UT hours for a night within a day of its date, else days from the first day.
struct TimeAxis {
  bool hours = false;
  double day = 0.0;
  std::string label;
};

TimeAxis timeAxis(const ResFile& res) {
  TimeAxis t;
  const ResRow& first = res.rows.front();
  double lo = 1e300, hi = -1e300;
  for (const ResRow& r : res.rows) {
    lo = std::min(lo, static_cast<double>(r.time)), hi = std::max(hi, static_cast<double>(r.time));
  }
  if (hi - lo < 24.0 && lo > -24.0 && hi < 48.0 && first.year > 0 && first.year < 10000 && first.month >= 1 &&
      first.month <= 12 && first.day >= 1 && first.day <= 31) {
    t.hours = true;
    t.label = "UT (hours from " + std::to_string(first.year) + "-" + twoDigits(first.month) + "-" + twoDigits(first.day) +
              " 0h)";
    return t;
  }
  t.day = std::floor(first.hjd);
  t.label = std::string(plainJd(res) ? "JD" : "HJD") + " - " + std::to_string(static_cast<int64_t>(t.day)) + " (days)";
  return t;
}

std::string caption(const ResFile& res, int star, std::string_view fileName) {
  std::string text(textio::trim(res.names[static_cast<size_t>(star - 1)]));
  if (!res.references.empty()) {
    text += res.magnitudes ? ", differential magnitude against " : ", normalised to ";
    for (size_t k = 0; k < res.references.size(); ++k) text += (k ? ", " : "") + res.references[k];
  }
  return text + " (" + std::string(textio::trim(fileName)) + ")";
}

}  // namespace

bool readResFile(const std::vector<std::string>& lines, ResFile& out, std::string& error) {
  out = ResFile{};
  size_t i = 0;
  for (; i < lines.size() && !startsWith(lines[i], kTitle); ++i) {
    if (startsWith(lines[i], kZeroPoint)) out.magnitudes = true;
    if (startsWith(lines[i], kReference)) {
      out.references.emplace_back(textio::trim(lines[i].substr(kReference.size())));
    }
  }
  if (i == lines.size()) {
    error = "   error - no column titles: not an output file of dmag";
    return false;
  }
  for (size_t k = 0; k < 10; ++k) {
    size_t at = 25 + 9 * k;
    out.names[k] = textio::fixed(at < lines[i].size() ? std::string_view(lines[i]).substr(at, 5) : "", 5);
  }
  for (++i; i < lines.size(); ++i) {
    ResRow row;
    if (readRow(lines[i], row)) out.rows.push_back(row);
  }
  return true;
}

Plot plotStar(const ResFile& res, int star, const Ephemeris& eph, std::string_view fileName) {
  Plot plot;
  const bool byPhase = eph.period > 0.0;
  const size_t k = static_cast<size_t>(star - 1);
  if (res.rows.empty()) return plot;
  TimeAxis time = timeAxis(res);
  std::vector<Point> points;
  for (const ResRow& r : res.rows) {
    float v = r.cols[k], e = r.cols[k + 10];
    if (res.magnitudes && v >= kNoMagnitude - 0.0005f) {
      ++plot.leftOut;
      continue;
    }
    if (res.magnitudes && e >= kNoMagnitude - 0.0005f) e = 0.0f;
    double x = byPhase ? foldPhase(r.hjd, eph) : time.hours ? static_cast<double>(r.time) : r.hjd - time.day;
    points.push_back({x, v, std::fabs(e)});
  }
  plot.points = static_cast<int>(points.size());
  if (points.empty()) return plot;
  double xl = points[0].x, xh = xl, yl = points[0].y - points[0].err, yh = points[0].y + points[0].err;
  bool errors = false;
  for (const Point& p : points) {
    xl = std::min(xl, p.x), xh = std::max(xh, p.x);
    yl = std::min(yl, p.y - p.err), yh = std::max(yh, p.y + p.err);
    errors = errors || p.err > 0.0;
  }
  if (!byPhase) widenRange(xl, xh);
  widenRange(yl, yh);
  PlotAxes a{byPhase ? 0.0 : xl, byPhase ? 1.0 : xh, yl, yh, res.magnitudes};
  std::vector<std::string> notes = {errors ? "error bars: 1-sigma errors of the file"
                                           : "no error bars: the file gives no errors (photometry without `outputerro`)"};
  std::string xLabel = byPhase ? "phase (period " + std::string(textio::trim(textio::fmtF(eph.period, 16, 6))) + " d)"
                               : time.label;
  std::string& svg = plot.svg;
  svg = svgFrame(a, caption(res, star, fileName), xLabel, res.magnitudes ? "magnitude" : "normalised value", notes);
  svg += "<g class='errorbars' stroke='steelblue' fill='none'>\n";
  for (const Point& p : points) {
    if (p.err > 0.0) svg += svgErrorBar(a, p.x, p.y, p.err);
  }
  svg += "</g>\n<g class='points' fill='navy'>\n";
  for (const Point& p : points) {
    svg += "<circle class='point' cx='" + svgNumber(a.px(p.x)) + "' cy='" + svgNumber(a.py(p.y)) + "' r='3'/>\n";
  }
  svg += "</g>\n</svg>\n";
  return plot;
}

void lcplot(textio::Console& console, std::string_view workingPath, const Ephemeris& eph) {
  console.prompt("   light-curve file to plot (.res) : ");
  std::string typed = console.answerText(20);
  if (textio::isBlank(typed)) return;
  std::string output = typed;
  size_t dot = output.find('.');
  size_t at = (dot != std::string::npos && dot < 15) ? dot : output.find("    ");
  if (at == std::string::npos || at >= 15) {
    console.line("   error - no room for a file type in the name " + std::string(textio::trimRight(typed)));
    return;
  }
  output.replace(at, 4, ".svg");
  std::string inFull, outFull;
  if (!textio::adpath(console, workingPath, typed, inFull) || !textio::adpath(console, workingPath, output, outFull)) {
    return;
  }
  if (textio::hostPath(inFull) == textio::hostPath(outFull)) {
    console.line("   error - output would overwrite input");
    return;
  }
  std::ifstream in(textio::hostPath(inFull), std::ios::binary);
  if (!in) {
    console.line("   error - cannot open input file " + std::string(textio::trimRight(inFull)));
    return;
  }
  std::vector<std::string> lines;
  for (std::string text; std::getline(in, text);) lines.emplace_back(textio::dropCr(text));
  ResFile res;
  std::string error;
  if (!readResFile(lines, res, error)) {
    console.line(error);
    return;
  }
  console.prompt("   star to plot [" + res.names[0] + "] : ");
  std::string name = console.answerText(5);
  int star = textio::isBlank(name) ? 1 : 0;
  for (int k = 10; k >= 1 && star == 0; --k) {
    if (res.names[static_cast<size_t>(k - 1)] == name) star = k;
  }
  if (star == 0) {
    console.line("   error - star not recognised");
    return;
  }
  Plot plot = plotStar(res, star, eph, typed);
  if (plot.points == 0) {
    console.line("   no observations of " + res.names[static_cast<size_t>(star - 1)] + " to plot; nothing written");
    return;
  }
  if (!textio::replaceFileAtomically(textio::hostPath(outFull), plot.svg)) {
    console.line("   error - cannot write output file " + std::string(textio::trimRight(outFull)));
    return;
  }
  console.line("   plot written to " + std::string(textio::trimRight(outFull)));
  console.line(textio::Line("   points plotted =").i(plot.points, 5));
  if (plot.leftOut > 0) console.line(textio::Line("   observations without a magnitude left out =").i(plot.leftOut, 5));
}

}  // namespace lightcurve
