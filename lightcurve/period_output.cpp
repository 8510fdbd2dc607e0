// Console lines, report and pictures of a period search.
#include "lightcurve/period_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "lightcurve/svg_axes.h"
#include "lightcurve/svg_text.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"

namespace lightcurve {

namespace {

constexpr const char* kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e", "#9467bd",
                                    "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};

std::string fixedText(double v, int decimals) { return std::string(textio::trim(textio::fmtF(v, 16, decimals))); }

// "2.4758 +/- 0.0473 h", with the decimals the uncertainty calls for.
std::string periodWithError(const PeriodResult& r) {
  int d = r.sigma > 0.0 ? std::clamp(static_cast<int>(std::ceil(-std::log10(r.sigma))) + 1, 1, 8) : 6;
  return fixedText(r.period, d) + " +/- " + fixedText(r.sigma, d) + " h";
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
  widenRange(lo, hi);
  PlotAxes a{r.trialPeriods.back(), r.trialPeriods.front(), lo, hi, false};
  std::vector<std::string> notes;
  if (r.scaledChi2) notes.emplace_back("no errors in the files: chi2/nu relative to the best period");
  std::string s = svgFrame(a, "chi2/nu against trial period; best " + periodWithError(r), "trial period (h)",
                           r.scaledChi2 ? "chi2/nu (relative)" : "chi2/nu", notes);
  s += "<polyline class='scan' fill='none' stroke='navy' stroke-width='1' points='";
  for (size_t i = r.trialPeriods.size(); i-- > 0;) {
    if (r.trialChi2nu[i] == r.trialChi2nu[i]) s += svgNumber(a.px(r.trialPeriods[i])) + "," + svgNumber(a.py(r.trialChi2nu[i])) + " ";
  }
  s += "'/>\n<line class='best' x1='" + svgNumber(a.px(r.period)) + "' y1='" + svgNumber(kSvgTop) + "' x2='" +
       svgNumber(a.px(r.period)) + "' y2='" + svgNumber(kSvgHeight - kSvgBottom) + "' stroke='red' stroke-dasharray='4 3'/>\n";
  return s + "</svg>\n";
}

std::string phasedSvg(const PeriodResult& r, const PeriodData& data, const std::vector<std::string>& files) {
  const double f = 1.0 / r.period, base = r.fit.zeroPoints.empty() ? 0.0 : r.fit.zeroPoints[0];
  std::vector<double> phase(data.t.size()), mag(data.t.size()), err(data.t.size(), 0.0);
  double lo = 1e300, hi = -1e300;
  for (size_t i = 0; i < data.t.size(); ++i) {
    phase[i] = std::fmod(f * data.t[i], 1.0);
    mag[i] = data.y[i] - r.fit.zeroPoints[static_cast<size_t>(data.session[i])] + base;
    if (data.errorsGiven && i < data.w.size() && data.w[i] > 0.0) err[i] = 1.0 / std::sqrt(data.w[i]);
    lo = std::min(lo, mag[i] - err[i]), hi = std::max(hi, mag[i] + err[i]);
  }
  widenRange(lo, hi);
  PlotAxes a{0.0, 1.0, lo, hi, true};
  std::vector<std::string> notes = {"amplitude " + fixedText(r.amplitude, 3) + " mag; Fourier order " +
                                    std::to_string(r.fit.cosTerms.size()) + "; rms residual " + fixedText(r.rms, 4) +
                                    " mag; " + std::to_string(r.points) + " points"};
  notes.emplace_back(data.errorsGiven ? "error bars: 1-sigma errors of the light curves"
                                      : "no error bars: the light curves give no errors");
  std::string s = svgFrame(a, "folded at " + periodWithError(r), "rotational phase (0 at the first point, day " + fixedText(data.t0, 5) + ")",
                           "magnitude (sessions shifted to the first)", notes);
  for (int session = 0; session < data.sessions; ++session) {
    const char* colour = kColours[session % 10];
    s += "<g class='session' fill='" + std::string(colour) + "' stroke='" + colour + "'>\n";
    for (size_t i = 0; i < data.t.size(); ++i) {
      if (data.session[i] != session || err[i] <= 0.0) continue;
      s += svgErrorBar(a, phase[i], mag[i], err[i]);
    }
    for (size_t i = 0; i < data.t.size(); ++i) {
      if (data.session[i] != session) continue;
      s += "<circle class='point' cx='" + svgNumber(a.px(phase[i])) + "' cy='" + svgNumber(a.py(mag[i])) +
           "' r='2.5' stroke='none'/>\n";
    }
    std::string name = session < static_cast<int>(files.size()) ? files[static_cast<size_t>(session)] : "";
    s += "<text class='legend' x='" + svgNumber(kSvgWidth - kSvgRight - 10) + "' y='" + svgNumber(kSvgTop + 16 + 16 * session) +
         "' text-anchor='end' font-family='sans-serif' font-size='12' stroke='none'>" +
         xmlEscape(std::string(textio::trim(name))) + "</text>\n</g>\n";
  }
  s += "<polyline class='fit' fill='none' stroke='black' stroke-width='1.5' points='";
  for (int k = 0; k <= 400; ++k) {
    double p = k / 400.0;
    s += svgNumber(a.px(p)) + "," + svgNumber(a.py(base + r.fit.curve(p))) + " ";
  }
  return s + "'/>\n</svg>\n";
}

}  // namespace lightcurve
