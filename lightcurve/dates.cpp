// Julian Dates from calendar dates, light-time correction to the Sun, and phases.
#include "lightcurve/dates.h"

#include <algorithm>
#include <cmath>

#include "textio/console.h"
#include "textio/fortran_format.h"

namespace lightcurve {

namespace {

constexpr double kDegPerRad = 57.29578;       // degrees per radian, as the formulae use it
constexpr double kLightTimeAu = 0.005775;     // light time for 1 AU, days
constexpr double kJd1899 = 2414655.5;         // Julian Date of 1899 January 1.0
constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Days from 1899 January 1.0 to January 1.0 of `year`: 365 days per year plus one for
// every leap year among 1899 .. year - 1. Counted in closed form so that a wild year
// from a data file cannot turn into billions of loop passes.
double daysToYear(int32_t year) {
  if (year < 1900) return 0.0;
  int64_t last = static_cast<int64_t>(year) - 1;  // last year whose length counts
  int64_t leaps = last / 4 - 1898 / 4;             // multiples of 4 in 1899 .. last
  if (last >= 1900) leaps -= 1;                    // 1900 is not a leap year
  return 365.0 * static_cast<double>(static_cast<int64_t>(year) - 1899) + static_cast<double>(leaps);
}

}  // namespace

int32_t lptest(int32_t year) {
  if (year == 1900) return 0;
  return year % 4 == 0 ? 1 : 0;
}

double julian(int32_t year, int32_t month, int32_t day, int32_t hour, float minutes) {
  double jd = kJd1899 + daysToYear(year);
  int32_t lastMonth = std::min(month - 1, 12);
  for (int32_t k = 1; k <= lastMonth; ++k) {
    jd += kMonthDays[k - 1];
    if (k == 2) jd += lptest(year);
  }
  jd += static_cast<double>(day) - 1.0;
  float fraction = (minutes / 60.0f + static_cast<float>(hour)) / 24.0f;
  return jd + static_cast<double>(fraction);
}

float ltcorr(float alpha, float delta, double jd) {
  double t = (jd - 2451545.0) / 36525.0;
  double meanLongitude = 280.4659 + 35999.371 * t;
  double meanAnomaly = (meanLongitude - 282.9405) - 0.322204 * t;
  double m = meanAnomaly / kDegPerRad;
  double longitude = meanLongitude + 1.9148 * std::sin(m) + 0.02 * std::sin(2.0 * m);
  double trueAnomaly = meanAnomaly + longitude - meanLongitude;
  double r = 0.99972 / (1.0 + 0.01671 * std::cos(trueAnomaly / kDegPerRad));
  double lam = longitude / kDegPerRad;
  double a = alpha / kDegPerRad;
  double d = delta / kDegPerRad;
  double projection = std::cos(lam) * std::cos(d) * std::cos(a) +
                      std::sin(lam) * (0.91748 * std::cos(d) * std::sin(a) + 0.39778 * std::sin(d));
  return static_cast<float>(kLightTimeAu * r * projection);
}

Phase calcph(int32_t year, int32_t month, int32_t day, float time, float alpha, float delta,
             const Ephemeris& eph, textio::Console& console) {
  const bool report = eph.phaseReport == 1;
  // Callers keep times within a few days of the date; a wild value is not let overflow.
  if (!(std::fabs(time) < 1.0e6f)) time = 0.0f;
  int32_t hour = static_cast<int32_t>(std::trunc(time));
  float minutes = (time - static_cast<float>(hour)) * 60.0f;
  double jd = julian(year, month, day, hour, minutes);
  if (report) {
    console.line(textio::Line("calculating phase ...").freeD(jd).freeD(eph.epoch).freeD(eph.period));
  }
  float correction = ltcorr(alpha, delta, jd);
  if (report) {
    console.line(textio::Line("alpha = ").free(alpha).a(" dec = ").free(delta));
    console.line(textio::Line("tgeo - thelio = ").free(correction).a(" days"));
  }
  if (eph.lightTime == 0) correction = 0.0f;
  Phase out;
  out.hjd = jd - static_cast<double>(correction);
  out.phase = foldPhase(out.hjd, eph);
  if (report && eph.period > 0.0) {
    double n = std::trunc((out.hjd - eph.epoch) / eph.period);
    textio::Line l("n = ");
    if (std::fabs(n) < 9.0e18) {
      l.freeI(static_cast<int64_t>(n));
    } else {
      l.freeD(n);
    }
    console.line(l.freeD(n * eph.period + eph.epoch).a(" phase = ").freeD(out.phase));
  }
  return out;
}

double foldPhase(double hjd, const Ephemeris& eph) {
  // A period of exactly 0 has no phase; it is treated like a negative period.
  if (!(eph.period > 0.0)) return 0.0;
  double n = std::trunc((hjd - eph.epoch) / eph.period);
  double phase = (hjd - (n * eph.period + eph.epoch)) / eph.period;
  if (phase < 0.0) phase += 1.0;
  if (phase > 1.0) phase -= 1.0;
  return phase;
}

}  // namespace lightcurve
