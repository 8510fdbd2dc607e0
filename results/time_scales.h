// Times of an observation in the scales archives ask for: the UTC Julian Date of a calendar
// date and time, its ISO form, the barycentric dynamical time at the solar-system barycentre
// for a target (BJD_TDB), and the airmass of a target seen from a site. The time scales and
// the Earth's position come from ERFA.
#pragma once

#include <cstdint>
#include <string>

namespace results {

/// An observatory on the Earth: east longitude and geodetic latitude in degrees, height in
/// metres above the WGS84 ellipsoid.
struct Site {
  double longitude = 0.0;  // degrees, east positive
  double latitude = 0.0;   // degrees, north positive
  double height = 0.0;     // metres
};

/// A UTC Julian Date kept in two parts (jd1 + jd2) so that 1e-6 d survives.
struct UtcDate {
  double jd1 = 0.0;  // whole or half day part
  double jd2 = 0.0;  // fraction
  double jd() const { return jd1 + jd2; }
};

/// The UTC date of a calendar day (Gregorian) and `seconds` after its 0 h UTC; seconds may pass
/// 86400 (a night counted on into the next date) or be negative. False for a date ERFA
/// refuses (month 13, day 32, a year before -4799) or a time that is not finite or more than
/// 100 days away from the date.
[[nodiscard]] bool utcDate(int32_t year, int32_t month, int32_t day, double seconds, UtcDate& out);

/// ISO 8601 form of a UTC date with milliseconds: "2026-03-15T00:02:00.000". Empty when the
/// date lies outside what ERFA converts.
std::string isoUtc(const UtcDate& utc);

/// The TDB Julian Date at the solar-system barycentre of light arriving at `site` at `utc`
/// from a target at ICRS right ascension `ra` and declination `dec` (degrees): the TDB of
/// the observation plus the light time along the target's direction from the observer's
/// barycentric position (ERFA's Earth ephemeris, the site rotated with the Earth rotation
/// angle, UT1 taken as UTC). False when ERFA refuses the date.
[[nodiscard]] bool bjdTdb(const UtcDate& utc, double ra, double dec, const Site& site, double& bjd);

/// The airmass of the target at `utc` seen from `site` (ERFA's ICRS to observed place, no
/// refraction, UT1 taken as UTC), from Hardie's polynomial in sec z. False when the target is
/// below 5 degrees of altitude or ERFA refuses the date.
[[nodiscard]] bool airmass(const UtcDate& utc, double ra, double dec, const Site& site, double& x);

}  // namespace results
