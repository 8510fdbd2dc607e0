// Console lines, report and pictures of a period search.
#include "lightcurve/period_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "lightcurve/svg_text.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"

namespace lightcurve {

namespace {

constexpr double kWidth = 800.0, kHeight = 500.0;
constexpr double kLeft = 90.0, kRight = 20.0, kTop = 50.0, kBottom = 60.0;
constexpr const char* kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd",
                                    "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};


// A linear mapping of a data range onto the plotting area; y may run downwards.
struct Axes {
  double x0, x1, y0, y1;
  bool yDown;
  double px(double x) const { return kLeft + (x - x0) / (x1 - x0) * (kWidth - kLeft - kRight); }
  double py(double y) const {
    double f = (y - y0) / (y1 - y0);
    return kTop + (yDown ? f : 1.0 - f) * (kHeight - kTop - kBottom);
  }
};

void widen(double& lo, double& hi) {
  double span = hi - lo;
  if (!(span > 0.0)) span = std::max(std::fabs(lo) * 0.1, 0.01);
  lo -= 0.05 * span;
  hi += 0.05 * span;
}

std::string tickText(double v, double span) {
  int d = std::clamp(static_cast<int>(std::ceil(-std::log10(span / 5.0))) + 1, 0, 6);
  return std::string(textio::trim(textio::fmtF(v, 14, d)));
}

std::string frame(const Axes& a, const std::string& title, const std::string& xLabel, const std::string& yLabel) {
  std::string s = "<?xml version='1.0' encoding='UTF-8'?>\n<svg xmlns='http://www.w3.org/2000/svg' width='" +
                  svgNumber(kWidth) + "' height='" + svgNumber(kHeight) + "' viewBox='0 0 " + svgNumber(kWidth) + " " +
                  svgNumber(kHeight) + "'>\n<rect width='100%' height='100%' fill='white'/>\n";
  s += "<text class='title' x='" + svgNumber(kWidth / 2) +
       "' y='28' text-anchor='middle' font-family='sans-serif' font-size='16'>" + xmlEscape(title) + "</text>\n";
  double l = kLeft, r = kWidth - kRight, t = kTop, b = kHeight - kBottom;
  s += "<rect class='plotarea' x='" + svgNumber(l) + "' y='" + svgNumber(t) + "' width='" + svgNumber(r - l) + "' height='" +
       svgNumber(b - t) + "' fill='none' stroke='black'/>\n<g class='ticks' font-family='sans-serif' font-size='12'>\n";
  for (int k = 0; k <= 5; ++k) {
    double xv = a.x0 + (a.x1 - a.x0) * k / 5.0, yv = a.y0 + (a.y1 - a.y0) * k / 5.0;
    s += "<line x1='" + svgNumber(a.px(xv)) + "' y1='" + svgNumber(b) + "' x2='" + svgNumber(a.px(xv)) + "' y2='" + svgNumber(b + 6) +
         "' stroke='black'/>\n<text x='" + svgNumber(a.px(xv)) + "' y='" + svgNumber(b + 20) + "' text-anchor='middle'>" +
         tickText(xv, a.x1 - a.x0) + "</text>\n";
    s += "<line x1='" + svgNumber(l - 6) + "' y1='" + svgNumber(a.py(yv)) + "' x2='" + svgNumber(l) + "' y2='" + svgNumber(a.py(yv)) +
         "' stroke='black'/>\n<text x='" + svgNumber(l - 8) + "' y='" + svgNumber(a.py(yv) + 4) +
         "' text-anchor='end'>" + tickText(yv, a.y1 - a.y0) + "</text>\n";
  }
  s += "</g>\n<text class='xlabel' x='" + svgNumber((l + r) / 2) + "' y='" + svgNumber(kHeight - 15) +
       "' text-anchor='middle' font-family='sans-serif' font-size='14'>" + xmlEscape(xLabel) + "</text>\n";
  s += "<text class='ylabel' x='20' y='" + svgNumber((t + b) / 2) + "' transform='rotate(-90 20 " + svgNumber((t + b) / 2) +
       ")' text-anchor='middle' font-family='sans-serif' font-size='14'>" + xmlEscape(yLabel) + "</text>\n";
  return s;
}

std::string chi2Line(const char* label, double period, double chi2nu) {
  return textio::Line(label).f(period, 12, 6).a("   chi2/nu = ").f(chi2nu, 10, 3).str();
}

}  // namespace

std::vector<std::string> periodLines(const PeriodResult& r) {
  std::vector<std::string> l;
  l.push_back(textio::Line("  best period (h) = ").f(r.period, 12, 6).a(" +/- ").f(r.sigma, 10, 6));
  l.push_back(textio::Line("  amplitude (mag) = ").f(r.amplitude, 7, 3));
  l.push_back(textio::Line("  rms residual (mag) = ").f(r.rms, 7, 4));
  l.push_back(textio::Line("  points used = ").i(r.points, 6));
  l.push_back(textio::Line("  chi2/nu at the best period = ").f(r.chi2nu, 10, 3));
  if (r.scaledChi2) l.emplace_back("  no errors in the files: every chi2/nu is relative to the best");
  if (r.halvedPeriod) l.emplace_back("  double this period fits no better; the shorter is given");
  if (r.rivalPeriod > 0.0) {
    l.push_back(textio::Line("  caution: the minimum at ").f(r.rivalPeriod, 12, 6)
                    .a(" h fits nearly as well; more nights or a lower order decide").str());
  }
  for (const auto& [period, chi2nu] : r.otherMinima) l.push_back(chi2Line("  next minimum, period (h) = ", period, chi2nu));
  l.push_back(chi2Line("  half the best period (h) = ", 0.5 * r.period, r.halfChi2nu));
  l.push_back(chi2Line("  double the best period (h) = ", 2.0 * r.period, r.doubleChi2nu));
  return l;
}

std::string periodReport(const PeriodResult& r, const std::vector<std::string>& files,
                         const std::vector<int>& filePoints, int column, int order, double shortest,
                         double longest) {
  std::string s = " period search: Fourier series and one zero point per session\n";
  for (size_t k = 0; k < files.size(); ++k) {
    s += textio::Line("  session ").i(static_cast<int64_t>(k + 1), 2).a("  ").a(textio::fixed(files[k], 20)).a("  points =")
             .i(k < filePoints.size() ? filePoints[k] : 0, 6).str() + "\n";
  }
  s += textio::Line("  column of the object = ").i(column, 2).a("   Fourier order = ").i(order, 1).str() + "\n";
  s += textio::Line("  periods searched (h) = ").f(shortest, 12, 6).a(" to ").f(longest, 12, 6).str() + "\n";
  s += textio::Line("  trial periods = ").i(static_cast<int64_t>(r.trialPeriods.size()), 8)
           .a("   frequency step (1/h) = ").f(r.frequencyStep, 12, 8).str() + "\n";
  s += textio::Line("  parameters fitted = ").i(r.parameters, 4).str() + "\n";
  for (const std::string& line : periodLines(r)) s += line + "\n";
  s += "\n   period (h)      chi2/nu\n";
  for (size_t i = 0; i < r.trialPeriods.size(); ++i) {
    s += textio::Line(" ").f(r.trialPeriods[i], 12, 6).x(1).f(r.trialChi2nu[i], 12, 4).str() + "\n";
  }
  return s;
}

std::string periodogramSvg(const PeriodResult& r) {
  double lo = 1e300, hi = -1e300;
  for (double v : r.trialChi2nu) {
    if (v == v) lo = std::min(lo, v), hi = std::max(hi, v);
  }
  if (lo > hi) lo = 0.0, hi = 1.0;
  widen(lo, hi);
  Axes a{r.trialPeriods.back(), r.trialPeriods.front(), lo, hi, false};
  std::string s = frame(a, "chi2/nu against trial period; best " + tickText(r.period, 1e-4) + " h", "period (h)",
                        "chi2/nu");
  s += "<polyline class='scan' fill='none' stroke='navy' stroke-width='1' points='";
  for (size_t i = r.trialPeriods.size(); i-- > 0;) {
    if (r.trialChi2nu[i] == r.trialChi2nu[i]) s += svgNumber(a.px(r.trialPeriods[i])) + "," + svgNumber(a.py(r.trialChi2nu[i])) + " ";
  }
  s += "'/>\n<line class='best' x1='" + svgNumber(a.px(r.period)) + "' y1='" + svgNumber(kTop) + "' x2='" +
       svgNumber(a.px(r.period)) + "' y2='" + svgNumber(kHeight - kBottom) + "' stroke='red' stroke-dasharray='4 3'/>\n";
  return s + "</svg>\n";
}

std::string phasedSvg(const PeriodResult& r, const PeriodData& data, const std::vector<std::string>& files) {
  const double f = 1.0 / r.period, base = r.fit.zeroPoints.empty() ? 0.0 : r.fit.zeroPoints[0];
  std::vector<double> phase(data.t.size()), mag(data.t.size());
  double lo = 1e300, hi = -1e300;
  for (size_t i = 0; i < data.t.size(); ++i) {
    phase[i] = std::fmod(f * data.t[i], 1.0);
    mag[i] = data.y[i] - r.fit.zeroPoints[static_cast<size_t>(data.session[i])] + base;
    lo = std::min(lo, mag[i]), hi = std::max(hi, mag[i]);
  }
  widen(lo, hi);
  Axes a{0.0, 1.0, lo, hi, true};
  std::string s = frame(a, "folded at " + tickText(r.period, 1e-4) + " h", "rotational phase",
                        "magnitude (sessions shifted to the first)");
  for (int session = 0; session < data.sessions; ++session) {
    const char* colour = kColours[session % 10];
    s += "<g class='session' fill='" + std::string(colour) + "'>\n";
    for (size_t i = 0; i < data.t.size(); ++i) {
      if (data.session[i] != session) continue;
      s += "<circle class='point' cx='" + svgNumber(a.px(phase[i])) + "' cy='" + svgNumber(a.py(mag[i])) + "' r='2.5'/>\n";
    }
    std::string name = session < static_cast<int>(files.size()) ? files[static_cast<size_t>(session)] : "";
    s += "<text class='legend' x='" + svgNumber(kWidth - kRight - 10) + "' y='" + svgNumber(kTop + 16 + 16 * session) +
         "' text-anchor='end' font-family='sans-serif' font-size='12'>" + xmlEscape(std::string(textio::trim(name))) +
         "</text>\n</g>\n";
  }
  s += "<polyline class='fit' fill='none' stroke='black' stroke-width='1.5' points='";
  for (int k = 0; k <= 400; ++k) {
    double p = k / 400.0;
    s += svgNumber(a.px(p)) + "," + svgNumber(a.py(base + r.fit.curve(p))) + " ";
  }
  return s + "'/>\n</svg>\n";
}

}  // namespace lightcurve
