// Light-curve pictures from damaged dmag output: numbers that no 4-byte real or date can hold
// leave their line out instead of reaching the drawing as infinities.
#include <gtest/gtest.h>

#include <sstream>

#include "lightcurve/lc_plot.h"
#include "tests/support/run_pelm.h"

namespace {

namespace fs = std::filesystem;

const fs::path kRes = fs::path(PELM_SOURCE_DIR) / "tests/sessions/dmag-magnitudes.files/night1.res";

using testsupport::lines;

// An observation line: date, time, values 1..10 (value 5 given), errors 1..10 (error 5
// given), HJD and phase.
std::string row(const std::string& value5, const std::string& error5, const std::string& hjd) {
  std::string s = " 2005  9 11  22.000";
  for (int k = 1; k <= 20; ++k) s += " " + (k == 5 ? value5 : k == 15 ? error5 : std::string("1.00000"));
  return s + " " + hjd + " 0.00000";
}

TEST(LightcurvePlotBadInput, NumbersBeyondTheirRangeLeaveTheLineOut) {
  std::vector<std::string> res = lines(testsupport::readFile(kRes));
  ASSERT_EQ(res.size(), 21u);
  // Found by fuzzing: an error of 7.8e118 became an infinite 4-byte real, and the plot's
  // tick decimals were then taken from an infinite range.
  res.push_back(row("0.50000", std::string(119, '7'), "2453624.5300"));
  res.push_back(row("1e39", "0.01000", "2453624.5310"));
  res.push_back(row("0.50000", "0.01000", "1e300"));
  res.push_back(row("0.60000", "0.02000", "2453624.5320"));
  lightcurve::ResFile file;
  std::string error;
  ASSERT_TRUE(lightcurve::readResFile(res, file, error)) << error;
  ASSERT_EQ(file.rows.size(), 5u);
  EXPECT_FLOAT_EQ(file.rows[4].cols[4], 0.6f);
  EXPECT_FLOAT_EQ(file.rows[4].cols[14], 0.02f);

  lightcurve::Plot plot = lightcurve::plotStar(file, 5, lightcurve::Ephemeris{}, "night1.res");
  EXPECT_EQ(plot.points, 5);
  ASSERT_FALSE(plot.svg.empty());
  EXPECT_EQ(plot.svg.find("inf"), std::string::npos);
  EXPECT_EQ(plot.svg.find("nan"), std::string::npos);
}

TEST(LightcurvePlotBadInput, HugeButFiniteValuesStillDraw) {
  std::vector<std::string> res = lines(testsupport::readFile(kRes));
  // A magnitude of -3e38 is drawn; its error of 3e38 counts as no error.
  res.push_back(row("-3.0e38", "3.0e38", "2453624.5300"));
  lightcurve::ResFile file;
  std::string error;
  ASSERT_TRUE(lightcurve::readResFile(res, file, error)) << error;
  ASSERT_EQ(file.rows.size(), 5u);
  lightcurve::Plot plot = lightcurve::plotStar(file, 5, lightcurve::Ephemeris{}, "night1.res");
  EXPECT_EQ(plot.points, 5);
  EXPECT_NE(plot.svg.find("<circle"), std::string::npos);
  EXPECT_EQ(plot.svg.find("nan"), std::string::npos);
}

}  // namespace
