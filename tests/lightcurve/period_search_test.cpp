// Period search: exact recovery from a noiseless Fourier series with night-to-night zero
// points, the fast scan against single fits, the accuracy on light curves made by simnight
// (0.3 mag double-peaked, 8 mmag noise), and astropy's LombScargle on the same grid.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "lightcurve/light_curve_file.h"
#include "lightcurve/period_search.h"
#include "tests/support/run_pelm.h"

namespace {

namespace fs = std::filesystem;
using lightcurve::PeriodData;
using lightcurve::PeriodResult;

// Three nights a day apart of a two-harmonic curve, each night on its own zero point.
PeriodData exactNights(double period) {
  PeriodData d;
  d.sessions = 3;
  for (int s = 0; s < 3; ++s) {
    for (int i = 0; i < 60; ++i) {
      double t = 24.0 * s + 0.07 * i;
      double p = 2.0 * M_PI * t / period;
      d.t.push_back(t);
      d.y.push_back(0.5 * s + 0.1 * std::cos(2 * p) + 0.03 * std::sin(p) - 0.02 * std::cos(p));
      d.w.push_back(1.0);
      d.session.push_back(s);
    }
  }
  return d;
}

TEST(PeriodSearch, NoiselessCurveGivesItsPeriodZeroPointsAndAmplitude) {
  PeriodData d = exactNights(3.3);
  PeriodResult r = lightcurve::searchPeriod(d, 2.0, 8.0, 2);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_NEAR(r.period, 3.3, 1e-6);
  EXPECT_LT(r.rms, 1e-6);
  ASSERT_EQ(r.fit.zeroPoints.size(), 3u);
  for (int s = 0; s < 3; ++s) EXPECT_NEAR(r.fit.zeroPoints[static_cast<size_t>(s)], 0.5 * s, 1e-6);
  EXPECT_NEAR(r.fit.cosTerms[1], 0.1, 1e-6);
  EXPECT_NEAR(r.fit.sinTerms[0], 0.03, 1e-6);
  // Peak to peak of the series, from a fine grid of phases.
  double lo = 1e9, hi = -1e9;
  for (int k = 0; k < 100000; ++k) {
    double p = 2.0 * M_PI * k / 100000.0;
    double v = 0.1 * std::cos(2 * p) + 0.03 * std::sin(p) - 0.02 * std::cos(p);
    lo = std::min(lo, v), hi = std::max(hi, v);
  }
  EXPECT_NEAR(r.amplitude, hi - lo, 1e-5);
  EXPECT_EQ(r.points, 180);
  EXPECT_EQ(r.parameters, 3 + 4);
  // Trials: the last point moves at most 0.02 cycle between neighbours.
  double span = d.span();
  EXPECT_LE((1.0 / r.trialPeriods[1] - 1.0 / r.trialPeriods[0]) * span, 0.02 + 1e-12);
  EXPECT_GE(r.otherMinima.size(), 2u);
}

TEST(PeriodSearch, ScanAgreesWithSingleFitsAfterThousandsOfRotations) {
  PeriodData d = exactNights(3.3);
  for (double& y : d.y) y += 0.01 * std::sin(y * 1000.0);  // some misfit, so chi-square is not 0
  lightcurve::FourierFitter fitter(d, 4);
  const double f0 = 0.05, df = 1.3e-4;
  std::vector<double> scan = fitter.scan(f0, df, 3000);
  for (size_t i : {0u, 1u, 255u, 256u, 1000u, 2999u}) {
    double direct = fitter.chi2(f0 + df * static_cast<double>(i));
    EXPECT_NEAR(scan[i], direct, 1e-9 * direct + 1e-12) << "trial " << i;
  }
}

TEST(PeriodSearch, RefusesTooFewPointsAndSameTimes) {
  PeriodData d = exactNights(3.3);
  d.t.resize(8), d.y.resize(8), d.w.resize(8), d.session.resize(8);
  d.sessions = 1;
  PeriodResult r = lightcurve::searchPeriod(d, 2.0, 8.0, 4);  // 9 parameters
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "   error - 8 points are too few for 9 fitted parameters");
  for (double& t : d.t) t = 1.0;
  EXPECT_EQ(lightcurve::searchPeriod(d, 2.0, 8.0, 1).error, "   error - all observations have the same time");
}

// Light curves of `nights` 4-hour nights three days apart from simnight, read back.
PeriodData generated(const fs::path& dir, double period, int nights, uint64_t seed) {
  std::string cmd = std::string(PELM_TOOLS_DIR) + "/simnight --out '" + dir.string() +
                    "' --lightcurve-only --frames 80 --cadence 3 --night-gap 3 --amplitude 0.3 --noise 0.008"
                    " --double-peak --period " + std::to_string(period) + " --nights " + std::to_string(nights) +
                    " --seed " + std::to_string(seed);
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  std::vector<lightcurve::LightCurve> curves(static_cast<size_t>(nights));
  for (int k = 0; k < nights; ++k) {
    std::vector<std::string> lines;
    std::string error;
    std::string name = "night" + std::to_string(k + 1) + ".res";
    EXPECT_TRUE(lightcurve::readTextLines((dir / name).string(), lines));
    EXPECT_TRUE(lightcurve::readLightCurve(lines, 1, name, curves[static_cast<size_t>(k)], error)) << error;
  }
  return lightcurve::periodData(curves);
}

struct Case {
  double period;
  int nights, order;
  double tolerance;  // relative
};

TEST(PeriodSearch, GeneratedNightsGiveThePeriodWithinTheirTolerance) {
  fs::path dir = testsupport::freshFolder("period-accuracy");
  // Two nights: 0.3 % and the truth within 3 sigma. 7.3 h nights cover half a rotation each,
  // so the order is lowered to the curve's two harmonics (order 4 leaves aliases as good).
  // One night of 2.8 h: 2 %.
  for (Case c : {Case{2.8, 2, 4, 0.003}, Case{7.3, 2, 2, 0.003}, Case{2.8, 1, 2, 0.02}}) {
    for (uint64_t seed : {11u, 12u, 13u}) {
      PeriodData d = generated(dir / std::to_string(seed), c.period, c.nights, seed);
      PeriodResult r = lightcurve::searchPeriod(d, 1.0, 10.0, c.order);
      ASSERT_TRUE(r.ok) << r.error;
      std::printf("%d night(s), true %.1f h, order %d: %.6f +/- %.6f h (%.3f %%, %.1f sigma), %zu trials\n", c.nights,
                  c.period, c.order, r.period, r.sigma, 100.0 * (r.period / c.period - 1.0),
                  std::fabs(r.period - c.period) / r.sigma, r.trialPeriods.size());
      EXPECT_NEAR(r.period, c.period, c.tolerance * c.period) << "seed " << seed;
      if (c.nights == 2) {
        EXPECT_LT(std::fabs(r.period - c.period), 3.0 * r.sigma) << "seed " << seed;
      }
      EXPECT_NEAR(r.amplitude, 0.3, 0.03);
      EXPECT_NEAR(r.rms, 0.008, 0.002);
      if (c.period == 2.8 && c.nights == 2) {
        EXPECT_EQ(r.rivalPeriod, 0.0) << "no other minimum within 3 sigma";
      }
    }
  }
  // Order 4 on nights of half a rotation: other periods fit as well, and the search says so.
  PeriodData d = generated(dir / "rival", 7.3, 2, 11);
  EXPECT_GT(lightcurve::searchPeriod(d, 1.0, 10.0, 4).rivalPeriod, 0.0);
  fs::remove_all(dir);
}

TEST(PeriodSearch, AstropyLombScargleFindsTheSamePeriodOnOneSession) {
  if (std::system("/usr/bin/python3 -c 'import astropy.timeseries' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "/usr/bin/python3 with astropy (Debian package python3-astropy) is not installed";
  }
  fs::path dir = testsupport::freshFolder("period-astropy");
  PeriodData d = generated(dir, 2.8, 1, 21);
  for (int order : {1, 2, 3}) {
    PeriodResult r = lightcurve::searchPeriod(d, 1.0, 6.0, order);
    ASSERT_TRUE(r.ok);
    // astropy sees the same times, magnitudes and errors, and the same trial frequencies;
    // its best frequency must lie within one trial step of ours.
    std::ostringstream data;
    data.precision(17);
    for (size_t i = 0; i < d.t.size(); ++i) data << d.t[i] << " " << d.y[i] << " " << 1.0 / std::sqrt(d.w[i]) << "\n";
    testsupport::writeFile(dir / "data.txt", data.str());
    std::ostringstream script;
    script.precision(17);
    script << "import numpy as np\nfrom astropy.timeseries import LombScargle\n"
           << "t, y, e = np.loadtxt('" << (dir / "data.txt").string() << "', unpack=True)\n"
           << "f = np.linspace(" << 1.0 / r.trialPeriods.front() << ", " << 1.0 / r.trialPeriods.back() << ", "
           << r.trialPeriods.size() << ")\n"
           << "p = LombScargle(t, y, e, nterms=" << order << ").power(f)\n"
           << "print(repr(f[np.argmax(p)]))\n";
    testsupport::writeFile(dir / "ls.py", script.str());
    std::string cmd = "/usr/bin/python3 " + (dir / "ls.py").string() + " > " + (dir / "ls.txt").string() + " 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << testsupport::readFile(dir / "ls.txt");
    double theirs = std::stod(testsupport::readFile(dir / "ls.txt"));
    EXPECT_LE(std::fabs(theirs - 1.0 / r.period), r.frequencyStep * 1.0000001)
        << "order " << order << ": astropy " << 1.0 / theirs << " h, ours " << r.period << " h";
  }
  fs::remove_all(dir);
}

}  // namespace
