// Calendar dates to Julian Dates, the heliocentric light-time correction and the phase of
// an observation in a periodic ephemeris.
#pragma once

#include <cstdint>

namespace textio {
class Console;
}

namespace lightcurve {

/// The ephemeris used for phases and the two switches of the phase calculation.
struct Ephemeris {
  double epoch = 0.0;       // t0, Julian Date of phase 0 (same time scale as the dates)
  double period = -1.0;     // days; negative (or 0): no phase, every phase is 0
  int32_t lightTime = 0;    // 1: heliocentric light-time correction applied to the dates
  int32_t phaseReport = 0;  // 1: the intermediate values are printed
};

/// 1 when `year` is a leap year, else 0: every multiple of 4 except 1900 (2000 and 2100
/// count as leap years).
int32_t lptest(int32_t year);

/// Julian Date of a calendar date and time of day. Years before 1900 count as 1899.
/// `hour` may pass 24 (a night counted on); months above 12 add no further month lengths.
/// The time of day is converted to a fraction of a day in single precision.
double julian(int32_t year, int32_t month, int32_t day, int32_t hour, float minutes);

/// Light time from the Earth minus light time from the Sun towards a target at right
/// ascension `alpha` and declination `delta` (degrees), at Julian Date `jd`, in days
/// (low-precision solar coordinates; good to a few seconds).
float ltcorr(float alpha, float delta, double jd);

/// The date of an observation and its phase.
struct Phase {
  double hjd = 0.0;    // Julian Date, heliocentric when the light-time switch is on
  double phase = 0.0;  // 0 <= phase < 1, or 0 without a period
};

/// Phase of a (heliocentric) Julian Date in the ephemeris: 0 <= phase < 1 (a date exactly
/// at the end of a cycle may give 1), or 0 when the period is not positive.
double foldPhase(double hjd, const Ephemeris& eph);

/// Julian Date (corrected to the Sun when `eph.lightTime` is 1) and phase of an observation
/// at `time` hours (may pass 24; beyond a million hours it counts as 0) of the given date. With `eph.phaseReport` 1 the intermediate
/// values are printed on `console`.
Phase calcph(int32_t year, int32_t month, int32_t day, float time, float alpha, float delta,
             const Ephemeris& eph, textio::Console& console);

}  // namespace lightcurve
