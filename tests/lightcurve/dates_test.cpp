// Julian Dates, leap years, light-time correction and phases against calendar truths.
#include <gtest/gtest.h>

#include <sstream>

#include "lightcurve/dates.h"
#include "textio/console.h"

namespace {

using lightcurve::calcph;
using lightcurve::Ephemeris;
using lightcurve::julian;
using lightcurve::lptest;

TEST(LightcurveDates, LeapYears) {
  EXPECT_EQ(lptest(2004), 1);
  EXPECT_EQ(lptest(2003), 0);
  EXPECT_EQ(lptest(1900), 0);
  EXPECT_EQ(lptest(2000), 1);
  EXPECT_EQ(lptest(2100), 1);  // every other multiple of 4 counts
}

TEST(LightcurveDates, JulianDatesOfKnownDays) {
  EXPECT_EQ(julian(2000, 1, 1, 12, 0.0f), 2451545.0);
  EXPECT_EQ(julian(1900, 3, 1, 0, 0.0f), 2415079.5);  // 1900 has no 29 February
  EXPECT_EQ(julian(2000, 3, 1, 0, 0.0f), 2451604.5);  // 2000 has one
  // Calendar dates converted by astropy (Time(..., scale='utc').jd).
  EXPECT_EQ(julian(2026, 12, 7, 0, 0.0f), 2461381.5);
  EXPECT_EQ(julian(1999, 12, 31, 18, 0.0f), 2451544.25);
  EXPECT_EQ(julian(2024, 2, 29, 6, 0.0f), 2460369.75);
  EXPECT_NEAR(julian(1950, 7, 15, 3, 36.0f), 2433477.65, 1e-6);
  // Years before 1900 all count from 1899 January 1.0.
  EXPECT_EQ(julian(1850, 1, 1, 0, 0.0f), 2414655.5);
}

TEST(LightcurveDates, HoursPastMidnightCountIntoTheNextDay) {
  EXPECT_EQ(julian(2005, 9, 10, 25, 30.0f), julian(2005, 9, 11, 1, 30.0f));
  EXPECT_EQ(julian(2005, 12, 31, 25, 30.0f), julian(2006, 1, 1, 1, 30.0f));
  EXPECT_EQ(julian(2004, 2, 28, 48, 0.0f), julian(2004, 3, 1, 0, 0.0f));
  // A wild month cannot read past the table of month lengths.
  EXPECT_EQ(julian(2001, 14, 1, 0, 0.0f), julian(2002, 1, 1, 0, 0.0f));
}

TEST(LightcurveDates, LightTimeIsLargestTowardsTheSun) {
  // Near 21 March the Sun is at ecliptic longitude 0; the Earth is on the far side, so a
  // target in the Sun's direction (RA 0, Dec 0) sees its light reach the Earth ~499 s later.
  double equinox = julian(2001, 3, 21, 0, 0.0f);
  EXPECT_NEAR(lightcurve::ltcorr(0.0f, 0.0f, equinox) * 86400.0, 497.0, 5.0);
  EXPECT_NEAR(lightcurve::ltcorr(180.0f, 0.0f, equinox) * 86400.0, -497.0, 5.0);
  // Perpendicular to the Earth-Sun line (ecliptic poles) the correction vanishes.
  EXPECT_NEAR(lightcurve::ltcorr(270.0f, 66.56f, equinox) * 86400.0, 0.0, 10.0);
}

struct PhaseRun {
  std::istringstream keys;
  std::ostringstream screen;
  textio::Console console{keys, screen};
};

TEST(LightcurveDates, PhaseFolding) {
  PhaseRun r;
  Ephemeris eph;
  double jd = julian(2005, 9, 10, 22, 30.0f);
  // Default ephemeris: no period, no correction.
  lightcurve::Phase p = calcph(2005, 9, 10, 22.5f, 30.0f, 10.0f, eph, r.console);
  EXPECT_EQ(p.hjd, jd);
  EXPECT_EQ(p.phase, 0.0);
  // A quarter period before the epoch is phase 0.75; 2.25 periods after is 0.25.
  eph.period = 0.4;
  eph.epoch = jd + 0.1;
  EXPECT_NEAR(calcph(2005, 9, 10, 22.5f, 30.0f, 10.0f, eph, r.console).phase, 0.75, 1e-6);
  eph.epoch = jd - 0.9;
  EXPECT_NEAR(calcph(2005, 9, 10, 22.5f, 30.0f, 10.0f, eph, r.console).phase, 0.25, 1e-6);
  eph.epoch = jd + 0.5;  // 1.25 periods before
  EXPECT_NEAR(calcph(2005, 9, 10, 22.5f, 30.0f, 10.0f, eph, r.console).phase, 0.75, 1e-6);
  eph.period = -1.0;
  EXPECT_EQ(calcph(2005, 9, 10, 22.5f, 30.0f, 10.0f, eph, r.console).phase, 0.0);
  eph.period = 0.0;  // no division by zero: no phase
  EXPECT_EQ(calcph(2005, 9, 10, 22.5f, 30.0f, 10.0f, eph, r.console).phase, 0.0);
  EXPECT_EQ(r.screen.str(), "");  // nothing is printed without the report switch
}

TEST(LightcurveDates, LightTimeSwitchAndReport) {
  PhaseRun r;
  Ephemeris eph;
  eph.lightTime = 1;
  double jd = julian(2005, 9, 10, 22, 30.0f);
  lightcurve::Phase p = calcph(2005, 9, 10, 22.5f, 30.0f, 10.0f, eph, r.console);
  EXPECT_EQ(p.hjd, jd - static_cast<double>(lightcurve::ltcorr(30.0f, 10.0f, jd)));
  EXPECT_NE(p.hjd, jd);
  eph.phaseReport = 1;
  eph.period = 1.0;
  eph.epoch = 2453600.0;
  calcph(2005, 9, 10, 22.5f, 30.0f, 10.0f, eph, r.console);
  std::string out = r.screen.str();
  EXPECT_EQ(out.rfind("calculating phase ... 2453624.4375", 0), 0u) << out;
  EXPECT_NE(out.find("\nalpha =  30 dec =  10\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\ntgeo - thelio = "), std::string::npos) << out;
  EXPECT_NE(out.find("\nn =  24 2453624"), std::string::npos) << out;
}

}  // namespace
