// The frame shared by the light-curve, periodogram and phased pictures: one canvas, a plot
// area with ticks at round values (1, 2 or 5 times a power of ten) on both axes, axis titles,
// a title and notes, and error bars.
#pragma once

#include <string>
#include <vector>

namespace lightcurve {

/// Canvas and plot area, in SVG user units.
inline constexpr double kSvgWidth = 800.0, kSvgHeight = 500.0;
inline constexpr double kSvgLeft = 90.0, kSvgRight = 20.0, kSvgTop = 50.0, kSvgBottom = 60.0;

/// A linear mapping of a data range onto the plot area; y may run downwards (magnitudes).
struct PlotAxes {
  double x0 = 0.0, x1 = 1.0, y0 = 0.0, y1 = 1.0;
  bool yDown = false;
  double px(double x) const;
  double py(double y) const;
};

/// The tick values inside [lo, hi] at a round step (1, 2 or 5 times a power of ten) giving
/// three to ten ticks, and the decimals that print the step exactly.
std::vector<double> roundTicks(double lo, double hi, int& decimals);

/// Widens lo..hi by 5 % of the span on each side (a zero span gets a small range).
void widenRange(double& lo, double& hi);

/// The start of the picture: the XML declaration, the canvas, the title, the plot area with
/// its ticks and tick labels, the axis titles, and a line of small text per note under the
/// title (two at most). The caller adds the data and closes with "</svg>\n".
std::string svgFrame(const PlotAxes& axes, const std::string& title, const std::string& xLabel,
                     const std::string& yLabel, const std::vector<std::string>& notes = {});

/// A vertical error bar of half-length `err` at (x, y), with short caps.
std::string svgErrorBar(const PlotAxes& axes, double x, double y, double err);

}  // namespace lightcurve
