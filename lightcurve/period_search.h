// Rotation period of an asteroid from its light curves: at each trial period a Fourier
// series in rotational phase plus one zero point per session (night) is fitted by weighted
// linear least squares, and the period of least chi-square is refined and given an error.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "lightcurve/light_curve_file.h"

namespace lightcurve {

/// The observations of all sessions, grouped by session.
struct PeriodData {
  std::vector<double> t;     // hours since the earliest observation
  std::vector<double> y;     // magnitudes
  std::vector<double> w;     // weights, 1 / error^2 (see periodData)
  std::vector<int> session;  // 0-based session of each point, non-decreasing
  int sessions = 0;          // number of sessions
  double t0 = 0.0;           // Julian Date of t = 0 (the earliest observation)
  bool errorsGiven = false;  // some point has an error; else every weight is 1
  double span() const;       // hours from the first to the last observation
};

/// One session per light curve. Times are the light curve's HJD column. Weights are
/// 1 / error^2; a point without an error (0) gets the median error of those that have one,
/// and all points get weight 1 when none has an error.
PeriodData periodData(const std::vector<LightCurve>& curves);

/// A fitted Fourier series with its session zero points.
struct FourierFit {
  bool ok = false;                // false: the normal equations were singular
  double frequency = 0.0;         // cycles per hour
  double chi2 = 0.0;              // weighted sum of squared residuals
  std::vector<double> cosTerms;   // a_k, k = 1..order (index 0 = k 1)
  std::vector<double> sinTerms;   // b_k
  std::vector<double> zeroPoints; // per session
  /// The series without zero point at rotational phase `phase` (cycles).
  double curve(double phase) const;
};

/// Weighted least-squares Fourier fits of one data set at any frequency.
class FourierFitter {
 public:
  /// `order`: number of harmonics, 1..8. The data must hold at least one point per session.
  FourierFitter(const PeriodData& data, int order);
  int parameters() const { return sessions_ + 2 * order_; }
  /// The fit at `frequency` (cycles per hour), from exact sines and cosines.
  FourierFit fit(double frequency) const;
  /// Chi-square at `frequency`; NaN when the fit is singular.
  double chi2(double frequency) const;
  /// Chi-square at the n frequencies f0, f0 + df, ...: the phases are advanced from trial
  /// to trial by rotation (recomputed exactly every few hundred trials), the normal
  /// equations are built from sums of cos and sin of multiples of the phase, and solved by
  /// Cholesky decomposition. NaN where singular.
  std::vector<double> scan(double f0, double df, size_t n) const;

 private:
  struct Sums;
  void accumulate(const std::vector<double>& c1, const std::vector<double>& s1, Sums& sums) const;
  [[nodiscard]] bool solve(const Sums& sums, std::vector<double>& x, double& chi2) const;

  const PeriodData& data_;
  int order_;
  int sessions_;
  std::vector<double> centred_;          // y minus its session's weighted mean
  std::vector<double> sessionWeight_;    // sum of weights per session
  std::vector<double> sessionMean_;      // weighted mean magnitude per session
  std::vector<size_t> sessionStart_;     // first point of each session, and the end
  double baseChi2_ = 0.0;                // chi-square with the zero points alone
};

/// The outcome of a period search.
struct PeriodResult {
  bool ok = false;
  std::string error;                  // one console line when !ok
  double period = 0.0, sigma = 0.0;   // best period and its 1-sigma error, hours
  double amplitude = 0.0;             // peak to peak of the fitted curve, magnitudes
  double rms = 0.0;                   // rms residual, magnitudes
  int points = 0, parameters = 0;     // points used, parameters fitted
  double chi2nu = 0.0;                // chi-square per degree of freedom at the best period
  double frequencyStep = 0.0;         // trial spacing, cycles per hour
  std::vector<double> trialPeriods;   // hours, longest first (even steps in frequency)
  std::vector<double> trialChi2nu;    // chi-square per degree of freedom (NaN: singular)
  std::vector<std::pair<double, double>> otherMinima;  // next best minima: period, chi2/nu
  double halfChi2nu = 0.0, doubleChi2nu = 0.0;          // at half and at double the best period
  bool halvedPeriod = false;          // the best-fitting period was twice the one given
  bool scaledChi2 = false;            // no errors given: every chi2/nu divided by the best one
  double rivalPeriod = 0.0;           // another minimum as good within 3 sigma (hours), or 0
  FourierFit fit;                     // the fit at the best period
};

/// Largest number of trial periods a search may take.
constexpr size_t kMaxTrials = 2000000;

/// Searches periods from `shortest` to `longest` hours with a Fourier series of `order`
/// harmonics. Trials are even in frequency, spaced so that the phase of the last point moves
/// by at most 0.02 cycle between neighbours; the best trial is refined by golden-section
/// search. When half that period fits nearly as well (chi-square higher by less than the
/// 99.9 % point for the parameters of the odd harmonics the doubled period adds), the half
/// is given. Its error is where chi-square, scaled so that chi2/nu = 1 at the best period,
/// has risen by 1.
PeriodResult searchPeriod(const PeriodData& data, double shortest, double longest, int order);

}  // namespace lightcurve
