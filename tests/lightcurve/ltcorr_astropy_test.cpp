// The light-time correction against astropy: Time.light_travel_time towards the Sun for a
// geocentric observer (astropy's built-in ephemeris, no download), for targets all over the
// sky and dates from 1995 to 2030. The low-precision solar formula should agree to a few
// seconds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "lightcurve/dates.h"
#include "tests/support/run_pelm.h"

namespace {

const char* kScript = R"(import sys, warnings
warnings.simplefilter("ignore")
from astropy.utils import iers
iers.conf.auto_download = False
iers.conf.iers_degraded_accuracy = "ignore"
from astropy.time import Time
from astropy.coordinates import SkyCoord, EarthLocation
import astropy.units as u
geocentre = EarthLocation.from_geocentric(0, 0, 0, unit=u.m)
for line in sys.stdin:
    jd, ra, dec = map(float, line.split())
    t = Time(jd, format="jd", scale="utc", location=geocentre)
    target = SkyCoord(ra * u.deg, dec * u.deg, frame="icrs")
    ltt = t.light_travel_time(target, "heliocentric", ephemeris="builtin")
    print(repr(ltt.to_value(u.day)))
)";

struct Case {
  double jd;
  float ra, dec;
};

TEST(LightcurveAstropy, LightTimeAgreesWithHeliocentricCorrection) {
  if (std::system("/usr/bin/python3 -c 'import astropy' >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "/usr/bin/python3 with astropy (Debian package python3-astropy) is not installed";
  }
  const Case cases[] = {
      {2449718.5, 83.6f, 22.0f},    {2451545.0, 0.0f, 0.0f},      {2451545.0, 201.3f, -11.2f},
      {2455000.5, 120.0f, 30.0f},   {2455197.5, 279.2f, 38.8f},   {2458849.5, 10.7f, 41.3f},
      {2460000.5, 300.0f, -60.0f},  {2460369.75, 150.0f, 85.0f},  {2461381.5, 45.0f, -30.0f},
      {2462502.5, 230.0f, 5.0f},    {2456293.5, 90.0f, -66.5f},   {2453000.5, 350.0f, 60.0f},
  };
  std::filesystem::path dir = testsupport::freshFolder("ltcorr");
  std::ostringstream input;
  input.precision(17);
  for (const Case& c : cases) input << c.jd << ' ' << c.ra << ' ' << c.dec << '\n';
  testsupport::writeFile(dir / "ltt.py", kScript);
  testsupport::writeFile(dir / "cases.txt", input.str());
  std::string command = "/usr/bin/python3 " + (dir / "ltt.py").string() + " < " + (dir / "cases.txt").string() +
                        " > " + (dir / "out.txt").string() + " 2>" + (dir / "err.txt").string();
  ASSERT_EQ(std::system(command.c_str()), 0) << testsupport::readFile(dir / "err.txt");
  std::istringstream out(testsupport::readFile(dir / "out.txt"));
  double worst = 0.0, largest = 0.0;
  for (const Case& c : cases) {
    double astropyDays = 0.0;
    ASSERT_TRUE(out >> astropyDays) << "astropy gave fewer results than cases";
    // astropy's value is added to the time to reach the Sun; ours is subtracted.
    double diffSeconds = (lightcurve::ltcorr(c.ra, c.dec, c.jd) + astropyDays) * 86400.0;
    EXPECT_LT(std::fabs(diffSeconds), 2.0) << "JD " << c.jd << " RA " << c.ra << " Dec " << c.dec;
    largest = std::max(largest, std::fabs(astropyDays) * 86400.0);
    worst = std::max(worst, std::fabs(diffSeconds));
  }
  EXPECT_GT(largest, 400.0);  // the cases include targets near the ecliptic
  RecordProperty("worst_difference_seconds", std::to_string(worst));
  std::filesystem::remove_all(dir);
}

}  // namespace
