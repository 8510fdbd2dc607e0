// Reading one column of a dmag light curve: ratios become magnitudes, values without a
// magnitude are left out, times carry on past midnight; calendar dates of Julian Dates.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "lightcurve/dmag_table.h"
#include "lightcurve/light_curve_file.h"

namespace {

TEST(LightCurveFile, RatiosBecomeMagnitudesAndEmptyValuesAreLeftOut) {
  std::array<std::string, 10> names = {"var", "cmp", "", "", "", "", "", "", "", ""};
  std::vector<std::string> lines = {" no zero point: ratios", "   normalising star = cmp  ", "",
                                    lightcurve::dmagTitle(names), ""};
  std::array<float, 20> cols{};
  cols[0] = 0.5f, cols[10] = 0.01f;
  lines.push_back(lightcurve::dmagLine(2026, 3, 14, 23.5f, cols, 0.0, 0.0));
  cols[0] = 0.0f;  // no value
  lines.push_back(lightcurve::dmagLine(2026, 3, 15, 24.25f, cols, 0.0, 0.0));
  cols[0] = 2.0f, cols[10] = 0.0f;
  lines.push_back(lightcurve::dmagLine(2026, 3, 15, 24.5f, cols, 2461115.1, 0.0));
  lightcurve::LightCurve c;
  std::string error;
  ASSERT_TRUE(lightcurve::readLightCurve(lines, 1, "x.res", c, error)) << error;
  EXPECT_FALSE(c.magnitudes);
  EXPECT_EQ(c.starName, "var");
  EXPECT_EQ(c.references, std::vector<std::string>{"cmp"});
  EXPECT_EQ(c.dataLines, 3);
  ASSERT_EQ(c.points.size(), 2u);
  EXPECT_NEAR(c.points[0].mag, 0.752575, 1e-6);        // -2.5 log10 0.5
  EXPECT_NEAR(c.points[0].err, 1.0857362 * 0.02, 1e-6);  // 2.5 / ln 10 * 0.01 / 0.5
  EXPECT_NEAR(c.points[1].mag, -0.752575, 1e-6);
  // 2026 March 14 is JD 2461113.5; 24.5 h counted from it is March 15 00:30.
  EXPECT_NEAR(c.points[0].jdUt, 2461113.5 + 23.5 / 24.0, 1e-7);
  EXPECT_NEAR(c.points[1].jdUt, 2461113.5 + 24.5 / 24.0, 1e-7);
  EXPECT_DOUBLE_EQ(c.points[0].hjd, c.points[0].jdUt);  // HJD column 0: the date and UT
  EXPECT_DOUBLE_EQ(c.points[1].hjd, 2461115.1);
  EXPECT_FALSE(lightcurve::readLightCurve(lines, 3, "x.res", c, error));
  EXPECT_EQ(error, "   error - column 3 of x.res holds no values");
}

TEST(LightCurveFile, CalendarOfJulianDates) {
  auto text = [](double jd) {
    lightcurve::CalendarTime c = lightcurve::calendarOf(jd);
    char b[32];
    std::snprintf(b, sizeof b, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour, c.minute, c.second);
    return std::string(b);
  };
  EXPECT_EQ(text(2451545.0), "2000-01-01 12:00:00");
  EXPECT_EQ(text(2451544.5 - 0.2 / 86400.0), "2000-01-01 00:00:00");  // rounds into the next day
  EXPECT_EQ(text(2451604.5), "2000-03-01 00:00:00");                   // after 29 February 2000
  EXPECT_EQ(text(2461113.5 + 21.0 / 24.0), "2026-03-14 21:00:00");
}

}  // namespace
