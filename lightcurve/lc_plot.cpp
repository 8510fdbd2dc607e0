// SVG light curves drawn from dmag output files.
#include "lightcurve/lc_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <limits>

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

// Canvas and plot area, in SVG user units.
constexpr double kWidth = 800.0, kHeight = 500.0;
constexpr double kLeft = 90.0, kRight = 20.0, kTop = 50.0, kBottom = 60.0;

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
  row.time = static_cast<float>(v[3]);
  for (size_t k = 0; k < 20; ++k) row.cols[k] = static_cast<float>(v[4 + k]);
  row.hjd = v[24];
  return true;
}


// A closed interval drawn along one axis.
struct Range {
  double low = 0.0, high = 1.0;
  double span() const { return high - low; }
};

// The data range widened by 5 % on each side; a single value gets a small range around it.
Range padded(double low, double high) {
  double span = high - low;
  if (!(span > 0.0)) span = std::max(std::fabs(low) * 0.1, 0.01);
  return {low - 0.05 * span, high + 0.05 * span};
}

// Decimals that tell ticks a fifth of the range apart.
int tickDecimals(const Range& r) {
  double step = r.span() / 5.0;
  if (!(step > 0.0) || !std::isfinite(step)) return 0;
  return static_cast<int>(std::clamp(std::ceil(-std::log10(step)) + 1.0, 0.0, 6.0));
}

struct Point {
  double x, y, err;
};

struct Frame {
  Range x, y;
  bool yDown;  // magnitudes: larger values lower on the page
  double px(double v) const { return kLeft + (v - x.low) / x.span() * (kWidth - kLeft - kRight); }
  double py(double v) const {
    double f = (v - y.low) / y.span();
    if (!yDown) f = 1.0 - f;
    return kTop + f * (kHeight - kTop - kBottom);
  }
};

void drawAxes(std::string& svg, const Frame& f, const std::string& xLabel, const std::string& yLabel) {
  double x0 = kLeft, x1 = kWidth - kRight, y0 = kTop, y1 = kHeight - kBottom;
  svg += "<g class=\"axes\" stroke=\"black\" fill=\"none\">\n";
  svg += "<rect x=\"" + svgNumber(x0) + "\" y=\"" + svgNumber(y0) + "\" width=\"" + svgNumber(x1 - x0) + "\" height=\"" +
         svgNumber(y1 - y0) + "\"/>\n";
  for (int k = 0; k <= 5; ++k) {
    double xv = f.x.low + f.x.span() * k / 5.0, px = f.px(xv);
    double yv = f.y.low + f.y.span() * k / 5.0, py = f.py(yv);
    svg += "<line x1=\"" + svgNumber(px) + "\" y1=\"" + svgNumber(y1) + "\" x2=\"" + svgNumber(px) + "\" y2=\"" + svgNumber(y1 + 6) + "\"/>\n";
    svg += "<line x1=\"" + svgNumber(x0 - 6) + "\" y1=\"" + svgNumber(py) + "\" x2=\"" + svgNumber(x0) + "\" y2=\"" + svgNumber(py) + "\"/>\n";
  }
  svg += "</g>\n<g class=\"ticklabels\" font-family=\"sans-serif\" font-size=\"12\">\n";
  int xd = tickDecimals(f.x), yd = tickDecimals(f.y);
  for (int k = 0; k <= 5; ++k) {
    double xv = f.x.low + f.x.span() * k / 5.0, yv = f.y.low + f.y.span() * k / 5.0;
    svg += "<text x=\"" + svgNumber(f.px(xv)) + "\" y=\"" + svgNumber(y1 + 20) + "\" text-anchor=\"middle\">" +
           std::string(textio::trim(textio::fmtF(xv, 12, xd))) + "</text>\n";
    svg += "<text x=\"" + svgNumber(x0 - 8) + "\" y=\"" + svgNumber(f.py(yv) + 4) + "\" text-anchor=\"end\">" +
           std::string(textio::trim(textio::fmtF(yv, 12, yd))) + "</text>\n";
  }
  svg += "</g>\n";
  svg += "<text class=\"xlabel\" x=\"" + svgNumber((x0 + x1) / 2) + "\" y=\"" + svgNumber(kHeight - 15) +
         "\" text-anchor=\"middle\" font-family=\"sans-serif\" font-size=\"14\">" + xmlEscape(xLabel) + "</text>\n";
  svg += "<text class=\"ylabel\" x=\"20\" y=\"" + svgNumber((y0 + y1) / 2) + "\" transform=\"rotate(-90 20 " +
         svgNumber((y0 + y1) / 2) + ")\" text-anchor=\"middle\" font-family=\"sans-serif\" font-size=\"14\">" +
         xmlEscape(yLabel) + "</text>\n";
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
  std::vector<Point> points;
  double day = res.rows.empty() ? 0.0 : std::floor(res.rows.front().hjd);
  for (const ResRow& r : res.rows) {
    float v = r.cols[k], e = r.cols[k + 10];
    if (res.magnitudes && v >= kNoMagnitude - 0.0005f) {
      ++plot.leftOut;
      continue;
    }
    if (res.magnitudes && e >= kNoMagnitude - 0.0005f) e = 0.0f;
    points.push_back({byPhase ? foldPhase(r.hjd, eph) : r.hjd - day, v, std::fabs(e)});
  }
  plot.points = static_cast<int>(points.size());
  if (points.empty()) return plot;
  double xl = points[0].x, xh = xl, yl = points[0].y - points[0].err, yh = points[0].y + points[0].err;
  for (const Point& p : points) {
    xl = std::min(xl, p.x), xh = std::max(xh, p.x);
    yl = std::min(yl, p.y - p.err), yh = std::max(yh, p.y + p.err);
  }
  Frame f{byPhase ? Range{0.0, 1.0} : padded(xl, xh), padded(yl, yh), res.magnitudes};
  std::string& svg = plot.svg;
  svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + svgNumber(kWidth) + "\" height=\"" + svgNumber(kHeight) +
         "\" viewBox=\"0 0 " + svgNumber(kWidth) + " " + svgNumber(kHeight) + "\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text class=\"title\" x=\"" + svgNumber(kWidth / 2) +
         "\" y=\"28\" text-anchor=\"middle\" font-family=\"sans-serif\" font-size=\"16\">" +
         xmlEscape(caption(res, star, fileName)) + "</text>\n";
  std::string xLabel = byPhase ? "phase" : "HJD - " + std::to_string(static_cast<int64_t>(day)) + " (days)";
  drawAxes(svg, f, xLabel, res.magnitudes ? "magnitude" : "normalised value");
  svg += "<g class=\"errorbars\" stroke=\"steelblue\">\n";
  for (const Point& p : points) {
    if (p.err <= 0.0) continue;
    svg += "<line class=\"errorbar\" x1=\"" + svgNumber(f.px(p.x)) + "\" y1=\"" + svgNumber(f.py(p.y - p.err)) + "\" x2=\"" +
           svgNumber(f.px(p.x)) + "\" y2=\"" + svgNumber(f.py(p.y + p.err)) + "\"/>\n";
  }
  svg += "</g>\n<g class=\"points\" fill=\"navy\">\n";
  for (const Point& p : points) {
    svg += "<circle class=\"point\" cx=\"" + svgNumber(f.px(p.x)) + "\" cy=\"" + svgNumber(f.py(p.y)) + "\" r=\"3\"/>\n";
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
