// Axes with round ticks for the SVG pictures.
#include "lightcurve/svg_axes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "lightcurve/svg_text.h"

namespace lightcurve {

namespace {

// A tick label: the value with the step's decimals ("2", "0.05", "2461115").
std::string tickLabel(double v, int decimals) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

}  // namespace

double PlotAxes::px(double x) const { return kSvgLeft + (x - x0) / (x1 - x0) * (kSvgWidth - kSvgLeft - kSvgRight); }

double PlotAxes::py(double y) const {
  double f = (y - y0) / (y1 - y0);
  return kSvgTop + (yDown ? f : 1.0 - f) * (kSvgHeight - kSvgTop - kSvgBottom);
}

std::vector<double> roundTicks(double lo, double hi, int& decimals) {
  decimals = 0;
  std::vector<double> ticks;
  double span = hi - lo;
  if (!(span > 0.0) || !std::isfinite(span)) return ticks;
  double power = std::pow(10.0, std::floor(std::log10(span / 5.0)));
  double step = power;
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    step = m * power;
    if (span / step < 10.0 - 1e-9) break;  // at most ten ticks
  }
  if (span / step < 3.0) step /= 2.0;
  decimals = static_cast<int>(std::clamp(std::ceil(-std::log10(step) - 1e-9), 0.0, 9.0));
  if (std::fabs(std::round(step * std::pow(10.0, decimals)) - step * std::pow(10.0, decimals)) > 1e-6) ++decimals;
  for (double k = std::ceil(lo / step - 1e-9); k * step <= hi + step * 1e-9; k += 1.0) {
    double v = k * step;
    ticks.push_back(std::fabs(v) < step * 1e-9 ? 0.0 : v);
    if (ticks.size() > 20) break;
  }
  return ticks;
}

void widenRange(double& lo, double& hi) {
  double span = hi - lo;
  if (!(span > 0.0)) span = std::max(std::fabs(lo) * 0.1, 0.01);
  lo -= 0.05 * span;
  hi += 0.05 * span;
}

std::string svgFrame(const PlotAxes& a, const std::string& title, const std::string& xLabel, const std::string& yLabel,
                     const std::vector<std::string>& notes) {
  std::string s = "<?xml version='1.0' encoding='UTF-8'?>\n<svg xmlns='http://www.w3.org/2000/svg' width='" +
                  svgNumber(kSvgWidth) + "' height='" + svgNumber(kSvgHeight) + "' viewBox='0 0 " + svgNumber(kSvgWidth) +
                  " " + svgNumber(kSvgHeight) + "'>\n<rect width='100%' height='100%' fill='white'/>\n";
  s += "<text class='title' x='" + svgNumber(kSvgWidth / 2) +
       "' y='20' text-anchor='middle' font-family='sans-serif' font-size='16'>" + xmlEscape(title) + "</text>\n";
  for (size_t k = 0; k < notes.size() && k < 2; ++k) {
    s += "<text class='note' x='" + svgNumber(kSvgWidth / 2) + "' y='" + svgNumber(34 + 12 * static_cast<double>(std::min<size_t>(k, 1))) +
         "' text-anchor='middle' font-family='sans-serif' font-size='11' fill='#555'>" + xmlEscape(notes[k]) + "</text>\n";
  }
  double l = kSvgLeft, r = kSvgWidth - kSvgRight, t = kSvgTop, b = kSvgHeight - kSvgBottom;
  s += "<rect class='plotarea' x='" + svgNumber(l) + "' y='" + svgNumber(t) + "' width='" + svgNumber(r - l) +
       "' height='" + svgNumber(b - t) + "' fill='none' stroke='black'/>\n";
  s += "<g class='ticks' font-family='sans-serif' font-size='12'>\n";
  int xd = 0, yd = 0;
  for (double v : roundTicks(std::min(a.x0, a.x1), std::max(a.x0, a.x1), xd)) {
    double x = a.px(v);
    s += "<line x1='" + svgNumber(x) + "' y1='" + svgNumber(b) + "' x2='" + svgNumber(x) + "' y2='" + svgNumber(b + 6) +
         "' stroke='black'/>\n<text class='xtick' x='" + svgNumber(x) + "' y='" + svgNumber(b + 20) +
         "' text-anchor='middle'>" + tickLabel(v, xd) + "</text>\n";
  }
  for (double v : roundTicks(std::min(a.y0, a.y1), std::max(a.y0, a.y1), yd)) {
    double y = a.py(v);
    s += "<line x1='" + svgNumber(l - 6) + "' y1='" + svgNumber(y) + "' x2='" + svgNumber(l) + "' y2='" + svgNumber(y) +
         "' stroke='black'/>\n<text class='ytick' x='" + svgNumber(l - 8) + "' y='" + svgNumber(y + 4) +
         "' text-anchor='end'>" + tickLabel(v, yd) + "</text>\n";
  }
  s += "</g>\n<text class='xlabel' x='" + svgNumber((l + r) / 2) + "' y='" + svgNumber(kSvgHeight - 15) +
       "' text-anchor='middle' font-family='sans-serif' font-size='14'>" + xmlEscape(xLabel) + "</text>\n";
  s += "<text class='ylabel' x='20' y='" + svgNumber((t + b) / 2) + "' transform='rotate(-90 20 " + svgNumber((t + b) / 2) +
       ")' text-anchor='middle' font-family='sans-serif' font-size='14'>" + xmlEscape(yLabel) + "</text>\n";
  return s;
}

std::string svgErrorBar(const PlotAxes& a, double x, double y, double err) {
  double px = a.px(x), lo = a.py(y - err), hi = a.py(y + err);
  return "<path class='errorbar' d='M" + svgNumber(px) + " " + svgNumber(lo) + "V" + svgNumber(hi) + "M" +
         svgNumber(px - 2) + " " + svgNumber(lo) + "h4M" + svgNumber(px - 2) + " " + svgNumber(hi) + "h4'/>\n";
}

}  // namespace lightcurve
