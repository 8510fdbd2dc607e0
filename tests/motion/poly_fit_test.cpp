// Least-squares polynomial fit and division-free solver: exact polynomials give their
// coefficients, noisy data its truth within the expected error, singular systems no file.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <sstream>

#include "motion/poly_fit.h"
#include "tests/support/run_pelm.h"
#include "textio/console.h"

namespace fs = std::filesystem;

namespace {

struct Fit {
  fs::path dir = testsupport::freshFolder("polyfit");
  std::istringstream in;
  std::ostringstream out;
  textio::Console console{in, out};

  ~Fit() { fs::remove_all(dir); }
  std::string at(const char* name) const { return (dir / name).string(); }
  void data(const std::string& text) { testsupport::writeFile(dir / "xy.dat", text); }
  std::vector<double> fit(double t0, int m) {
    return motion::fitPolynomial(console, at("xy.dat"), at("normaleq.dat"), at("coeffs.dat"), t0, m);
  }
  std::vector<std::string> lines(const char* name) const {
    return testsupport::lines(testsupport::readFile(dir / name));
  }
};

TEST(PolyFit, ExactLineGivesItsCoefficientsWithAndWithoutT0) {
  Fit f;
  f.data("1 5\n2 8\n3 11\n");  // y = 2 + 3t
  std::vector<double> c = f.fit(0.0, 1);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0], 2.0);
  EXPECT_EQ(c[1], 3.0);
  // The normal equations are the ordinary ones negated, one number per line.
  std::vector<std::string> ne = f.lines("normaleq.dat");
  ASSERT_EQ(ne.size(), 6u);  // (m + 1)(m + 2)
  EXPECT_EQ(ne, (std::vector<std::string>{"-3", "-6", "-24", "-6", "-14", "-54"}));
  EXPECT_EQ(f.lines("coeffs.dat"), (std::vector<std::string>{"2", "3"}));

  // About t0 = 10 the same line is 32 + 3 X.
  c = f.fit(10.0, 1);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0], 32.0);
  EXPECT_EQ(c[1], 3.0);
  EXPECT_NE(f.out.str().find("  x( 1)  =       32.0000000\n  x( 2)  =        3.0000000\n"), std::string::npos);
}

TEST(PolyFit, OneVariableIsTheMean) {
  Fit f;
  f.data("0.5 1\n1.5 2\n2.5 6\n");
  std::vector<double> c = f.fit(0.0, 0);
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0], 3.0);
  EXPECT_EQ(f.lines("normaleq.dat"), (std::vector<std::string>{"-3", "-9"}));
}

TEST(PolyFit, LinesBeyond1e70AreSkippedButCountTowardTheLineLimit) {
  Fit f;
  std::string text = "1 5\n1e70 99\n-1e70 99\n2 8\n";
  for (int i = 5; i <= 10000; ++i) text += "3 11\n";
  text += "100 -7\n";  // line 10001: never read, or the fit would not be exact
  f.data(text);
  std::vector<double> c = f.fit(0.0, 1);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_NEAR(c[0], 2.0, 1e-9);
  EXPECT_NEAR(c[1], 3.0, 1e-9);
  const std::string o = f.out.str();
  EXPECT_NE(o.find(" number of points read from file = 9998\n"), std::string::npos);
  EXPECT_NE(o.find("\n 1 1 5\n 4 2 8\n 5 3 11\n"), std::string::npos) << "echo keeps the line numbers";
}

TEST(PolyFit, ReadingEndsAtAnUnreadableLine) {
  Fit f;
  f.data("1 5\n2 8\n3 11\nfour 14\n5 -100\n");
  std::vector<double> c = f.fit(0.0, 1);
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0], 2.0);
  EXPECT_EQ(c[1], 3.0);
}

TEST(PolyFit, ExactQuinticOverSixHoursIsRecovered) {
  // High order over a night's span: the solver's noise test must not refuse a sound system.
  Fit f;
  const double a[6] = {250.0, -12.5, 3.25, -0.75, 0.0625, -0.003};
  std::string text;
  for (int i = 0; i < 40; ++i) {
    double t = 20.0 + 0.15 * i, x = t - 20.0, y = 0.0, p = 1.0;
    for (double ak : a) { y += ak * p; p *= x; }
    char buf[80];
    std::snprintf(buf, sizeof buf, "%.17g %.17g\n", t, y);
    text += buf;
  }
  f.data(text);
  std::vector<double> c = f.fit(20.0, 5);
  ASSERT_EQ(c.size(), 6u) << f.out.str();
  for (int k = 0; k < 6; ++k) EXPECT_NEAR(c[k], a[k], 1e-7 * std::max(1.0, std::fabs(a[0]))) << k;
}

// Independent least squares for a quadratic: normal matrix and Cramer's rule in long double;
// also the standard errors sigma * sqrt(diag((X^T X)^-1)).
struct Reference {
  long double coef[3];
  long double stdErr[3];
};

Reference quadraticReference(const std::vector<double>& x, const std::vector<double>& y, double sigma) {
  long double s[5] = {0, 0, 0, 0, 0}, r[3] = {0, 0, 0};
  for (size_t k = 0; k < x.size(); ++k) {
    long double p = 1;
    for (int i = 0; i < 5; ++i) {
      s[i] += p;
      if (i < 3) r[i] += y[k] * p;
      p *= x[k];
    }
  }
  long double m[3][3] = {{s[0], s[1], s[2]}, {s[1], s[2], s[3]}, {s[2], s[3], s[4]}};
  auto det3 = [](long double q[3][3]) {
    return q[0][0] * (q[1][1] * q[2][2] - q[1][2] * q[2][1]) - q[0][1] * (q[1][0] * q[2][2] - q[1][2] * q[2][0]) +
           q[0][2] * (q[1][0] * q[2][1] - q[1][1] * q[2][0]);
  };
  const long double d = det3(m);
  Reference ref{};
  for (int j = 0; j < 3; ++j) {
    long double q[3][3];
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b) q[a][b] = b == j ? r[a] : m[a][b];
    ref.coef[j] = det3(q) / d;
    // Diagonal of the inverse: the cofactor of (j, j) over the determinant.
    long double minor[2][2];
    int ra = 0;
    for (int a = 0; a < 3; ++a) {
      if (a == j) continue;
      int cb = 0;
      for (int b = 0; b < 3; ++b) {
        if (b == j) continue;
        minor[ra][cb++] = m[a][b];
      }
      ++ra;
    }
    ref.stdErr[j] = sigma * std::sqrt((minor[0][0] * minor[1][1] - minor[0][1] * minor[1][0]) / d);
  }
  return ref;
}

TEST(PolyFit, NoisyQuadraticPathIsRecoveredWithinItsExpectedError) {
  Fit f;
  const double truth[3] = {412.3, 14.7, -0.85};  // pixels, pixels/hour, pixels/hour^2
  const double sigma = 0.08;
  std::mt19937 gen(20261207);
  std::normal_distribution<double> noise(0.0, sigma);
  std::vector<double> xs, ys;
  std::string text;
  for (int i = 0; i < 60; ++i) {
    double t = 21.5 + 0.07 * i, x = t - 21.5;
    double y = truth[0] + truth[1] * x + truth[2] * x * x + noise(gen);
    xs.push_back(x);
    ys.push_back(y);
    char buf[80];
    std::snprintf(buf, sizeof buf, "%.17g %.17g\n", t, y);
    text += buf;
  }
  f.data(text);
  std::vector<double> c = f.fit(21.5, 2);
  ASSERT_EQ(c.size(), 3u);
  Reference ref = quadraticReference(xs, ys, sigma);
  for (int k = 0; k < 3; ++k) {
    EXPECT_NEAR(c[k], static_cast<double>(ref.coef[k]), 1e-9 * std::max(1.0, std::fabs(truth[k]))) << k;
    EXPECT_LT(std::fabs(c[k] - truth[k]), 4.0 * static_cast<double>(ref.stdErr[k])) << k;
  }
}

TEST(PolyFit, RowRescalingKeepsHugeSystemsSolvable) {
  // A x = b with x = (1, 2, 3): the cross-multiplied rows pass 1e140 and must be scaled down
  // by 1e70, or the products of products overflow to infinity.
  for (double scale : {1e100, 1e150}) {
    Fit f;
    // Dense, as normal equations are: x(k) is solved from the first n - k + 1 equations.
    const double a[3][3] = {{4, 2, 1}, {2, 5, 3}, {1, 3, 6}};
    const double b[3] = {11, 21, 25};
    std::string text;
    char buf[40];
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) {
        std::snprintf(buf, sizeof buf, "%.17g\n", a[r][c] * scale);
        text += buf;
      }
      std::snprintf(buf, sizeof buf, "%.17g\n", b[r] * scale);
      text += buf;
    }
    testsupport::writeFile(f.dir / "normaleq.dat", text);
    motion::SolveResult s = motion::solve(f.console, f.at("normaleq.dat"), f.at("coeffs.dat"), 3);
    ASSERT_TRUE(s.ok) << scale << "\n" << f.out.str();
    EXPECT_NEAR(s.x[0], 1.0, 1e-12);
    EXPECT_NEAR(s.x[1], 2.0, 1e-12);
    EXPECT_NEAR(s.x[2], 3.0, 1e-12);
    EXPECT_EQ(f.lines("coeffs.dat").size(), 3u);
  }
}

TEST(PolyFit, SingularSystemsWriteNoCoefficientFile) {
  struct Case {
    const char* what;
    const char* data;
    int m;
  };
  const Case cases[] = {
      {"all times equal", "1.1 5\n1.1 6\n1.1 7\n", 1},
      {"fewer distinct points than coefficients", "1 5\n2 6\n1 7\n2 8\n", 2},
      {"no point read", "", 1},
      {"no point read, constant", "1e70 3\n", 0},
  };
  for (const Case& c : cases) {
    Fit f;
    f.data(c.data);
    testsupport::writeFile(f.dir / "coeffs.dat", "old\n");
    EXPECT_TRUE(f.fit(0.0, c.m).empty()) << c.what;
    EXPECT_NE(f.out.str().find(std::string(motion::kNoUniqueSolution) + "\n"), std::string::npos) << c.what;
    EXPECT_EQ(testsupport::readFile(f.dir / "coeffs.dat"), "old\n") << c.what;
  }
}

TEST(PolyFit, SolverRefusesAZeroPivotWithoutWritingCoefficients) {
  // The normal equations of three equal abscissas: the fit's own check is bypassed here, so
  // the solver meets the singular system itself.
  Fit f;
  f.data("1.1 5\n1.1 6\n1.1 7\n");
  ASSERT_TRUE(motion::poly(f.console, f.at("xy.dat"), f.at("normaleq.dat"), 0.0, 1).ok);
  motion::SolveResult s = motion::solve(f.console, f.at("normaleq.dat"), f.at("coeffs.dat"), 2);
  EXPECT_FALSE(s.ok);
  EXPECT_FALSE(fs::exists(f.dir / "coeffs.dat"));
  testsupport::writeFile(f.dir / "normaleq.dat", "0\n0\n");
  EXPECT_FALSE(motion::solve(f.console, f.at("normaleq.dat"), f.at("coeffs.dat"), 1).ok);
  EXPECT_FALSE(fs::exists(f.dir / "coeffs.dat"));
  EXPECT_NE(f.out.str().find(std::string(motion::kNoUniqueSolution) + "\n"), std::string::npos);
}

TEST(PolyFit, MissingFilesAndSizesOutOfRangeAreReported) {
  Fit f;
  EXPECT_FALSE(motion::poly(f.console, f.at("none.dat"), f.at("normaleq.dat"), 0.0, 1).ok);
  EXPECT_NE(f.out.str().find("   error - cannot open file " + f.at("none.dat") + "\n"), std::string::npos);
  EXPECT_FALSE(fs::exists(f.dir / "normaleq.dat"));
  EXPECT_FALSE(motion::solve(f.console, f.at("none.dat"), f.at("coeffs.dat"), 2).ok);
  EXPECT_FALSE(motion::solve(f.console, f.at("none.dat"), f.at("coeffs.dat"), 41).ok);
  f.data("1 1\n");
  EXPECT_FALSE(motion::poly(f.console, f.at("xy.dat"), f.at("normaleq.dat"), 0.0, 21).ok);
  // A short normal-equation file is an error, not a system padded with zeros.
  testsupport::writeFile(f.dir / "normaleq.dat", "-3\n-6\n-24\n-6\n");
  EXPECT_FALSE(motion::solve(f.console, f.at("normaleq.dat"), f.at("coeffs.dat"), 2).ok);
  EXPECT_FALSE(fs::exists(f.dir / "coeffs.dat"));
}

}  // namespace
