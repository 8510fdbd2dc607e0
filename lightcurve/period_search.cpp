// Fourier-series period search with per-session zero points.
//
// The zero points are eliminated from the normal equations: with magnitudes centred on their
// session's weighted mean, the 2K x 2K system of the Fourier terms is
//   (F'WF - sum_s P_s P_s' / W_s) x = F'W y~,   P_s = sums over session s of w cos/sin(k phi),
// and F'WF follows from the sums of w cos(j phi), w sin(j phi), j = 0..2K, by the product
// formulae of cos and sin. Chi-square is y~'W y~ - x'(F'W y~).
#include "lightcurve/period_search.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace lightcurve {

namespace {

constexpr double kTwoPi = 6.283185307179586476925;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr size_t kResync = 256;  // trials between exact recomputations of the phases

// In-place Cholesky solution of the n x n symmetric system a x = b (a row-major, destroyed).
// False when a pivot is not clearly positive (the system is singular).
bool choleskySolve(std::vector<double>& a, std::vector<double>& b, size_t n) {
  double largest = 0.0;
  for (size_t i = 0; i < n; ++i) largest = std::max(largest, a[i * n + i]);
  if (!(largest > 0.0)) return false;
  for (size_t j = 0; j < n; ++j) {
    double d = a[j * n + j];
    for (size_t k = 0; k < j; ++k) d -= a[j * n + k] * a[j * n + k];
    if (!(d > 1e-12 * largest)) return false;
    d = std::sqrt(d);
    a[j * n + j] = d;
    for (size_t i = j + 1; i < n; ++i) {
      double s = a[i * n + j];
      for (size_t k = 0; k < j; ++k) s -= a[i * n + k] * a[j * n + k];
      a[i * n + j] = s / d;
    }
  }
  for (size_t i = 0; i < n; ++i) {
    double s = b[i];
    for (size_t k = 0; k < i; ++k) s -= a[i * n + k] * b[k];
    b[i] = s / a[i * n + i];
  }
  for (size_t i = n; i-- > 0;) {
    double s = b[i];
    for (size_t k = i + 1; k < n; ++k) s -= a[k * n + i] * b[k];
    b[i] = s / a[i * n + i];
  }
  return true;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

}  // namespace

double PeriodData::span() const {
  if (t.empty()) return 0.0;
  auto [lo, hi] = std::minmax_element(t.begin(), t.end());
  return *hi - *lo;
}

PeriodData periodData(const std::vector<LightCurve>& curves) {
  PeriodData d;
  std::vector<double> errors;
  double first = std::numeric_limits<double>::infinity();
  for (const LightCurve& c : curves) {
    for (const LightPoint& p : c.points) {
      first = std::min(first, p.hjd);
      if (p.err > 0.0) errors.push_back(p.err);
    }
  }
  double fallback = errors.empty() ? 1.0 : median(errors);
  d.t0 = first;
  d.errorsGiven = !errors.empty();
  for (const LightCurve& c : curves) {
    if (c.points.empty()) continue;
    for (const LightPoint& p : c.points) {
      double e = p.err > 0.0 && !errors.empty() ? p.err : fallback;
      d.t.push_back((p.hjd - first) * 24.0);
      d.y.push_back(p.mag);
      d.w.push_back(1.0 / (e * e));
      d.session.push_back(d.sessions);
    }
    ++d.sessions;
  }
  return d;
}

double FourierFit::curve(double phase) const {
  double v = 0.0;
  for (size_t k = 0; k < cosTerms.size(); ++k) {
    double a = kTwoPi * static_cast<double>(k + 1) * phase;
    v += cosTerms[k] * std::cos(a) + sinTerms[k] * std::sin(a);
  }
  return v;
}

// Sums over the points for one trial frequency.
struct FourierFitter::Sums {
  std::vector<double> sc, ss;  // per session s and k = 1..K: sum w cos(k phi), sum w sin(k phi)
  std::vector<double> tc, ts;  // j = 0..2K: sum over all points of w cos(j phi), w sin(j phi)
  std::vector<double> yc, ys;  // k = 1..K: sum w y~ cos(k phi), sum w y~ sin(k phi)
  Sums(int sessions, int order)
      : sc(static_cast<size_t>(sessions * (order + 1))), ss(sc.size()), tc(static_cast<size_t>(2 * order + 1)),
        ts(tc.size()), yc(static_cast<size_t>(order + 1)), ys(yc.size()) {}
  void clear() {
    std::fill(sc.begin(), sc.end(), 0.0), std::fill(ss.begin(), ss.end(), 0.0);
    std::fill(tc.begin(), tc.end(), 0.0), std::fill(ts.begin(), ts.end(), 0.0);
    std::fill(yc.begin(), yc.end(), 0.0), std::fill(ys.begin(), ys.end(), 0.0);
  }
};

FourierFitter::FourierFitter(const PeriodData& data, int order)
    : data_(data), order_(order), sessions_(data.sessions) {
  const size_t n = data.t.size();
  sessionWeight_.assign(static_cast<size_t>(sessions_), 0.0);
  sessionMean_.assign(static_cast<size_t>(sessions_), 0.0);
  sessionStart_.assign(static_cast<size_t>(sessions_) + 1, n);
  for (size_t i = n; i-- > 0;) {
    size_t s = static_cast<size_t>(data.session[i]);
    sessionStart_[s] = i;
    sessionWeight_[s] += data.w[i];
    sessionMean_[s] += data.w[i] * data.y[i];
  }
  for (size_t s = 0; s < sessionMean_.size(); ++s) {
    if (sessionWeight_[s] > 0.0) sessionMean_[s] /= sessionWeight_[s];
  }
  centred_.resize(n);
  for (size_t i = 0; i < n; ++i) {
    centred_[i] = data.y[i] - sessionMean_[static_cast<size_t>(data.session[i])];
    baseChi2_ += data.w[i] * centred_[i] * centred_[i];
  }
}

namespace {

// Two points side by side (a GCC/Clang vector of two doubles: SSE2 on x86-64).
using Pair = double __attribute__((vector_size(16)));

// The sums of one session for a Fourier series of K harmonics: the harmonics of each point
// come from its cos and sin by the angle-addition recurrence. K is a template parameter so
// the loops over the harmonics unroll and the sums stay in registers; points go two at a
// time, an odd last one beside a point of weight 0.
template <int K>
void sessionSums(const double* c1, const double* s1, const double* w, const double* centred, size_t begin,
                 size_t end, double* sc, double* ss, double* tc, double* ts, double* yc, double* ys) {
  Pair a[K + 1] = {}, b[K + 1] = {}, ya[K + 1] = {}, yb[K + 1] = {}, ha[2 * K + 1] = {}, hb[2 * K + 1] = {};
  for (size_t i = begin; i < end; i += 2) {
    const bool two = i + 1 < end;
    const Pair c = {c1[i], two ? c1[i + 1] : 1.0}, sn = {s1[i], two ? s1[i + 1] : 0.0};
    const Pair wi = {w[i], two ? w[i + 1] : 0.0};
    const Pair wy = wi * Pair{centred[i], two ? centred[i + 1] : 0.0};
    Pair ck[2 * K + 1], sk[2 * K + 1];
    ck[1] = c, sk[1] = sn;
    for (int k = 2; k <= 2 * K; ++k) {
      ck[k] = ck[k - 1] * c - sk[k - 1] * sn;
      sk[k] = sk[k - 1] * c + ck[k - 1] * sn;
    }
    for (int k = 1; k <= K; ++k) {
      a[k] += wi * ck[k];
      b[k] += wi * sk[k];
      ya[k] += wy * ck[k];
      yb[k] += wy * sk[k];
    }
    for (int k = K + 1; k <= 2 * K; ++k) {
      ha[k] += wi * ck[k];
      hb[k] += wi * sk[k];
    }
  }
  for (int k = 1; k <= K; ++k) {
    sc[k] = a[k][0] + a[k][1], ss[k] = b[k][0] + b[k][1];
    tc[k] += sc[k], ts[k] += ss[k];
    yc[k] += ya[k][0] + ya[k][1], ys[k] += yb[k][0] + yb[k][1];
  }
  for (int k = K + 1; k <= 2 * K; ++k) tc[k] += ha[k][0] + ha[k][1], ts[k] += hb[k][0] + hb[k][1];
}

using SessionSums = void (*)(const double*, const double*, const double*, const double*, size_t, size_t, double*,
                             double*, double*, double*, double*, double*);
constexpr SessionSums kSessionSums[] = {nullptr,        sessionSums<1>, sessionSums<2>, sessionSums<3>, sessionSums<4>,
                                        sessionSums<5>, sessionSums<6>, sessionSums<7>, sessionSums<8>};

}  // namespace

void FourierFitter::accumulate(const std::vector<double>& c1, const std::vector<double>& s1, Sums& sums) const {
  const size_t k1 = static_cast<size_t>(order_) + 1;
  sums.clear();
  SessionSums run = kSessionSums[order_];
  for (size_t s = 0; s + 1 < sessionStart_.size(); ++s) {
    run(c1.data(), s1.data(), data_.w.data(), centred_.data(), sessionStart_[s], sessionStart_[s + 1],
        sums.sc.data() + s * k1, sums.ss.data() + s * k1, sums.tc.data(), sums.ts.data(), sums.yc.data(),
        sums.ys.data());
  }
  for (double w : sessionWeight_) sums.tc[0] += w;
}

bool FourierFitter::solve(const Sums& sums, std::vector<double>& x, double& chi2) const {
  const size_t m = 2 * static_cast<size_t>(order_);
  const size_t k1 = static_cast<size_t>(order_) + 1;
  auto tc = [&](int j) { return sums.tc[static_cast<size_t>(std::abs(j))]; };
  auto ts = [&](int j) { return j >= 0 ? sums.ts[static_cast<size_t>(j)] : -sums.ts[static_cast<size_t>(-j)]; };
  std::vector<double> a(m * m);
  x.assign(m, 0.0);
  for (int ka = 1; ka <= order_; ++ka) {
    for (int kb = 1; kb <= order_; ++kb) {
      size_t ca = 2 * static_cast<size_t>(ka - 1), cb = 2 * static_cast<size_t>(kb - 1);
      a[ca * m + cb] = 0.5 * (tc(ka - kb) + tc(ka + kb));            // cos a cos b
      a[(ca + 1) * m + cb + 1] = 0.5 * (tc(ka - kb) - tc(ka + kb));  // sin a sin b
      a[ca * m + cb + 1] = 0.5 * (ts(ka + kb) - ts(ka - kb));        // cos a sin b
      a[(cb + 1) * m + ca] = a[ca * m + cb + 1];
    }
    const size_t c = 2 * static_cast<size_t>(ka - 1);
    x[c] = sums.yc[static_cast<size_t>(ka)];
    x[c + 1] = sums.ys[static_cast<size_t>(ka)];
  }
  for (size_t s = 0; s < sessionWeight_.size(); ++s) {
    if (!(sessionWeight_[s] > 0.0)) continue;
    std::vector<double> p(m);
    for (size_t k = 1; k < k1; ++k) {
      p[2 * (k - 1)] = sums.sc[s * k1 + k];
      p[2 * (k - 1) + 1] = sums.ss[s * k1 + k];
    }
    for (size_t i = 0; i < m; ++i) {
      for (size_t j = 0; j < m; ++j) a[i * m + j] -= p[i] * p[j] / sessionWeight_[s];
    }
  }
  std::vector<double> rhs = x;
  if (!choleskySolve(a, x, m)) return false;
  double reduction = 0.0;
  for (size_t i = 0; i < m; ++i) reduction += x[i] * rhs[i];
  chi2 = std::max(0.0, baseChi2_ - reduction);
  return true;
}

FourierFit FourierFitter::fit(double frequency) const {
  const size_t n = data_.t.size();
  std::vector<double> c1(n), s1(n);
  for (size_t i = 0; i < n; ++i) {
    double phase = kTwoPi * std::fmod(frequency * data_.t[i], 1.0);
    c1[i] = std::cos(phase);
    s1[i] = std::sin(phase);
  }
  Sums sums(sessions_, order_);
  accumulate(c1, s1, sums);
  FourierFit f;
  f.frequency = frequency;
  std::vector<double> x;
  if (!solve(sums, x, f.chi2)) return f;
  f.ok = true;
  const size_t k1 = static_cast<size_t>(order_) + 1;
  for (int k = 0; k < order_; ++k) {
    f.cosTerms.push_back(x[2 * static_cast<size_t>(k)]);
    f.sinTerms.push_back(x[2 * static_cast<size_t>(k) + 1]);
  }
  for (size_t s = 0; s < sessionWeight_.size(); ++s) {
    double z = sessionMean_[s];
    if (sessionWeight_[s] > 0.0) {
      for (size_t k = 1; k < k1; ++k) {
        z -= (sums.sc[s * k1 + k] * x[2 * (k - 1)] + sums.ss[s * k1 + k] * x[2 * (k - 1) + 1]) / sessionWeight_[s];
      }
    }
    f.zeroPoints.push_back(z);
  }
  return f;
}

double FourierFitter::chi2(double frequency) const {
  FourierFit f = fit(frequency);
  return f.ok ? f.chi2 : kNaN;
}

std::vector<double> FourierFitter::scan(double f0, double df, size_t n) const {
  const size_t points = data_.t.size();
  std::vector<double> out(n, kNaN);
  std::vector<double> c1(points), s1(points), cd(points), sd(points);
  for (size_t i = 0; i < points; ++i) {
    double step = kTwoPi * std::fmod(df * data_.t[i], 1.0);
    cd[i] = std::cos(step);
    sd[i] = std::sin(step);
  }
  Sums sums(sessions_, order_);
  std::vector<double> x;
  for (size_t trial = 0; trial < n; ++trial) {
    if (trial % kResync == 0) {
      double f = f0 + df * static_cast<double>(trial);
      for (size_t i = 0; i < points; ++i) {
        double phase = kTwoPi * std::fmod(f * data_.t[i], 1.0);
        c1[i] = std::cos(phase);
        s1[i] = std::sin(phase);
      }
    }
    accumulate(c1, s1, sums);
    double chi2 = 0.0;
    if (solve(sums, x, chi2)) out[trial] = chi2;
    for (size_t i = 0; i < points; ++i) {
      double c = c1[i] * cd[i] - s1[i] * sd[i];
      s1[i] = s1[i] * cd[i] + c1[i] * sd[i];
      c1[i] = c;
    }
  }
  return out;
}

namespace {

// Golden-section search for the least chi-square between two frequencies.
double refine(const FourierFitter& fitter, double lo, double hi) {
  const double g = 0.6180339887498949;
  double a = lo, b = hi;
  double c = b - g * (b - a), d = a + g * (b - a);
  double fc = fitter.chi2(c), fd = fitter.chi2(d);
  for (int it = 0; it < 80 && b - a > 1e-12 * b; ++it) {
    if (!(fc > fd)) {
      b = d, d = c, fd = fc;
      c = b - g * (b - a);
      fc = fitter.chi2(c);
    } else {
      a = c, c = d, fc = fd;
      d = a + g * (b - a);
      fd = fitter.chi2(d);
    }
  }
  return fc < fd ? c : d;
}

// The least chi-square within one trial step either side of a frequency.
double refineNear(const FourierFitter& fitter, double f, double df) {
  double found = refine(fitter, std::max(f - df, 0.5 * f), f + df);
  double a = fitter.chi2(found), b = fitter.chi2(f);
  return a == a && !(b < a) ? found : f;
}

// The 99.9 % point of the chi-square distribution with k degrees of freedom
// (Wilson-Hilferty approximation, good to a few per cent for k >= 2).
double chi2Quantile999(int k) {
  double h = 2.0 / (9.0 * k);
  double c = 1.0 - h + 3.0902 * std::sqrt(h);
  return k * c * c * c;
}

// The deepest local minima of a scan (at most 20), each refined: chi-square and frequency,
// least chi-square first, minima that refine to the same frequency kept once.
std::vector<std::pair<double, double>> refinedWells(const FourierFitter& fitter, const std::vector<double>& chi2,
                                                    double f0, double df) {
  const size_t n = chi2.size();
  std::vector<std::pair<double, size_t>> grid;
  for (size_t i = 0; i < n; ++i) {
    bool low = chi2[i] == chi2[i] && (i == 0 || !(chi2[i - 1] <= chi2[i])) && (i + 1 == n || !(chi2[i + 1] < chi2[i]));
    if (low) grid.emplace_back(chi2[i], i);
  }
  std::sort(grid.begin(), grid.end());
  std::vector<std::pair<double, double>> wells;
  for (size_t k = 0; k < grid.size() && k < 20; ++k) {
    double f = refineNear(fitter, f0 + df * static_cast<double>(grid[k].second), df);
    double c = fitter.chi2(f);
    if (!(c == c)) continue;
    bool same = false;
    for (auto& w : wells) {
      if (std::fabs(w.second - f) < 0.5 * df) {
        same = true;
        if (c < w.first) w = {c, f};
      }
    }
    if (!same) wells.emplace_back(c, f);
  }
  std::sort(wells.begin(), wells.end());
  return wells;
}

// Distance in frequency from the best one to where chi-square first reaches `level`, going
// in direction `dir` (+1 or -1); negative when it is not reached within `reach` or chi-square
// falls again before (the next well begins).
double crossing(const FourierFitter& fitter, double best, double level, int dir, double reach) {
  double inside = 0.0, h = reach * 1e-5, previous = fitter.chi2(best);
  for (; h <= reach; h *= 2.0) {
    double v = fitter.chi2(best + dir * h);
    if (v >= level) break;
    if (!(v == v) || v < previous) return -1.0;
    inside = h, previous = v;
  }
  if (h > reach) return -1.0;
  double outside = h;
  for (int it = 0; it < 60; ++it) {
    double mid = 0.5 * (inside + outside);
    (fitter.chi2(best + dir * mid) >= level ? outside : inside) = mid;
  }
  return 0.5 * (inside + outside);
}

// Where chi-square rises by `rise` from the curvature at its minimum (a parabola through
// three points); `fallback` when it does not curve upwards.
double curvatureWidth(const FourierFitter& fitter, double best, double h, double rise, double fallback) {
  double c = (fitter.chi2(best + h) + fitter.chi2(best - h) - 2.0 * fitter.chi2(best)) / (h * h);
  return c > 0.0 ? std::sqrt(2.0 * rise / c) : fallback;
}

// The frequency to give for the best well (chi-square, frequency): half its period when
// that fits about as well, since the longer period then only adds harmonics that fit noise
// and the shorter is the simpler fit. `halved` tells which was taken.
double preferShorter(const FourierFitter& fitter, std::pair<double, double> best, int order, double nu, double df,
                     bool& halved) {
  double fHalf = refineNear(fitter, 2.0 * best.second, df);
  double limit = chi2Quantile999(2 * ((order + 1) / 2)) * best.first / nu;
  halved = fitter.chi2(fHalf) - best.first < limit;
  return halved ? fHalf : best.second;
}

// 1-sigma error of the period (hours) at the best frequency: where chi-square, scaled so
// that chi2/nu = 1 there, has risen by 1 (the unscaled one reaches chi2min (1 + 1/nu)).
double periodError(const FourierFitter& fitter, const FourierFit& fit, double nu, double df) {
  const double f = fit.frequency, level = fit.chi2 * (1.0 + 1.0 / nu);
  double up = crossing(fitter, f, level, +1, 64.0 * df);
  double down = crossing(fitter, f, level, -1, std::min(64.0 * df, 0.5 * f));
  double sigmaF = up > 0.0 && down > 0.0 ? 0.5 * (up + down) : std::max(up, down);
  if (!(sigmaF > 0.0)) sigmaF = curvatureWidth(fitter, f, 0.25 * df, level - fit.chi2, df);
  return sigmaF / (f * f);
}

// Peak to peak of the fitted curve and the rms of the residuals.
void describeFit(const PeriodData& data, PeriodResult& r) {
  double lo = 1e300, hi = -1e300;
  for (int k = 0; k < 2000; ++k) {
    double v = r.fit.curve(k / 2000.0);
    lo = std::min(lo, v), hi = std::max(hi, v);
  }
  r.amplitude = hi - lo;
  double sum = 0.0;
  for (size_t i = 0; i < data.t.size(); ++i) {
    double phase = std::fmod(r.fit.frequency * data.t[i], 1.0);
    double res = data.y[i] - r.fit.zeroPoints[static_cast<size_t>(data.session[i])] - r.fit.curve(phase);
    sum += res * res;
  }
  r.rms = std::sqrt(sum / static_cast<double>(data.t.size()));
}

// The other wells (at most three, best first; the best one's own well left out), and a
// rival: another minimum (not the double period, which a series of harmonics of the half
// always fits) whose scaled chi-square is within 9 (3 sigma) of the best.
void otherMinima(const std::vector<std::pair<double, double>>& wells, double nu, double df, PeriodResult& r) {
  const double fBest = r.fit.frequency;
  for (const auto& [c2, f] : wells) {
    if (std::fabs(f - fBest) <= 1.5 * df) continue;
    if (r.otherMinima.size() < 3) r.otherMinima.emplace_back(1.0 / f, c2 / nu);
    bool doubled = std::fabs(2.0 * f / fBest - 1.0) < 0.01;
    if (r.rivalPeriod == 0.0 && !doubled && (c2 - r.fit.chi2) / (r.fit.chi2 / nu) < 9.0) r.rivalPeriod = 1.0 / f;
  }
}

// Without errors chi-square is in square magnitudes; relative to the best it still ranks.
void scaleToBest(PeriodResult& r) {
  const double scale = 1.0 / r.chi2nu;
  for (double& v : r.trialChi2nu) v *= scale;
  for (auto& m : r.otherMinima) m.second *= scale;
  r.halfChi2nu *= scale, r.doubleChi2nu *= scale, r.chi2nu = 1.0;
  r.scaledChi2 = true;
}

}  // namespace

PeriodResult searchPeriod(const PeriodData& data, double shortest, double longest, int order) {
  PeriodResult r;
  r.points = static_cast<int>(data.t.size());
  FourierFitter fitter(data, order);
  r.parameters = fitter.parameters();
  const double span = data.span();
  if (r.points <= r.parameters) {
    r.error = "   error - " + std::to_string(r.points) + " points are too few for " + std::to_string(r.parameters) +
              " fitted parameters";
    return r;
  }
  if (!(span > 0.0)) {
    r.error = "   error - all observations have the same time";
    return r;
  }
  const double fLow = 1.0 / longest, fHigh = 1.0 / shortest;
  const double maxStep = 0.02 / span;
  const double count = std::ceil((fHigh - fLow) / maxStep) + 1.0;
  if (count > static_cast<double>(kMaxTrials)) {
    r.error = "   error - the period range needs more than " + std::to_string(kMaxTrials) +
              " trial periods for this time span; narrow it";
    return r;
  }
  const size_t n = std::max<size_t>(2, static_cast<size_t>(count));
  const double df = (fHigh - fLow) / static_cast<double>(n - 1);
  r.frequencyStep = df;
  std::vector<double> chi2 = fitter.scan(fLow, df, n);
  const double nu = static_cast<double>(r.points - r.parameters);
  bool any = false;
  for (size_t i = 0; i < n; ++i) {
    r.trialPeriods.push_back(1.0 / (fLow + df * static_cast<double>(i)));
    r.trialChi2nu.push_back(chi2[i] / nu);
    any = any || chi2[i] == chi2[i];
  }
  if (!any) {
    r.error = "   error - no trial period gives a solvable fit";
    return r;
  }
  // A sharp minimum can fall between two trials and look worse there than a broad one, so
  // the deepest wells of the scan are all refined before the best is chosen.
  std::vector<std::pair<double, double>> wells = refinedWells(fitter, chi2, fLow, df);
  if (wells.empty()) {
    r.error = "   error - no trial period gives a solvable fit";
    return r;
  }
  double fBest = preferShorter(fitter, wells.front(), order, nu, df, r.halvedPeriod);
  r.fit = fitter.fit(fBest);
  if (!r.fit.ok) {
    r.error = "   error - no trial period gives a solvable fit";
    return r;
  }
  fBest = r.fit.frequency;
  r.period = 1.0 / fBest;
  r.chi2nu = r.fit.chi2 / nu;
  r.sigma = periodError(fitter, r.fit, nu, df);
  describeFit(data, r);
  otherMinima(wells, nu, df, r);
  r.halfChi2nu = fitter.chi2(refineNear(fitter, 2.0 * fBest, df)) / nu;
  r.doubleChi2nu = fitter.chi2(refineNear(fitter, 0.5 * fBest, 0.5 * df)) / nu;
  if (!data.errorsGiven && r.chi2nu > 0.0) scaleToBest(r);
  r.ok = true;
  return r;
}

}  // namespace lightcurve
