// Ticks at round values: for ranges of every size and sign, the ticks lie inside the range,
// three to ten of them, one step apart, and the step is 1, 2 or 5 times a power of ten.
#include <gtest/gtest.h>

#include <cmath>

#include "lightcurve/svg_axes.h"

namespace {

TEST(SvgAxes, TicksAreRoundStepsInsideTheRange) {
  const std::pair<double, double> ranges[] = {{0.941, 1.021}, {-0.3562, 1.2993}, {21.0, 24.95}, {2461114.37, 2461117.41},
                                              {0.0, 1.0},     {1.5, 4.0},        {-12.5, -12.49}, {1e-5, 3e-4},
                                              {0.9, 310.0},   {99.0, 101.0}};
  for (const auto& [lo, hi] : ranges) {
    int decimals = -1;
    std::vector<double> t = lightcurve::roundTicks(lo, hi, decimals);
    ASSERT_GE(t.size(), 3u) << lo << " " << hi;
    ASSERT_LE(t.size(), 10u) << lo << " " << hi;
    double step = t[1] - t[0];
    double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-6 || std::fabs(mantissa - 2) < 1e-6 || std::fabs(mantissa - 5) < 1e-6)
        << lo << " " << hi << " step " << step;
    for (size_t k = 0; k < t.size(); ++k) {
      EXPECT_GE(t[k], lo - 1e-9 * std::fabs(lo));
      EXPECT_LE(t[k], hi + 1e-9 * std::fabs(hi));
      EXPECT_NEAR(t[k] / step, std::round(t[k] / step), 1e-6) << "tick " << t[k] << " is not a multiple of " << step;
      if (k > 0) {
        EXPECT_NEAR(t[k] - t[k - 1], step, step * 1e-6);
      }
    }
    // The labels print the step exactly: the decimals of the step, no more.
    EXPECT_NEAR(std::round(step * std::pow(10.0, decimals)), step * std::pow(10.0, decimals), 1e-6);
    EXPECT_GT(std::round(step * std::pow(10.0, decimals)), 0.0);
  }
  int d = 0;
  EXPECT_TRUE(lightcurve::roundTicks(1.0, 1.0, d).empty());
  EXPECT_TRUE(lightcurve::roundTicks(0.0, NAN, d).empty());
}

}  // namespace
