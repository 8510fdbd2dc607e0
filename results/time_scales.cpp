// UTC dates, BJD_TDB and airmass through ERFA.
#include "results/time_scales.h"

#include <erfa.h>
#include <erfam.h>

#include <cmath>
#include <cstdio>

namespace results {

namespace {

constexpr double kMaxOffsetSeconds = 100.0 * 86400.0;

// The fraction of the UT1 day (0 at midnight) of a two-part Julian Date.
double dayFraction(double jd1, double jd2) {
  double f = std::fmod(jd1 + 0.5, 1.0) + std::fmod(jd2, 1.0);
  return f - std::floor(f);
}

struct Scales {
  double tt1 = 0.0, tt2 = 0.0, ut11 = 0.0, ut12 = 0.0;
};

bool scalesOf(const UtcDate& utc, Scales& s) {
  double tai1 = 0.0, tai2 = 0.0;
  if (eraUtctai(utc.jd1, utc.jd2, &tai1, &tai2) < 0) return false;
  if (eraTaitt(tai1, tai2, &s.tt1, &s.tt2) != 0) return false;
  return eraUtcut1(utc.jd1, utc.jd2, 0.0, &s.ut11, &s.ut12) >= 0;
}

}  // namespace

bool utcDate(int32_t year, int32_t month, int32_t day, double seconds, UtcDate& out) {
  if (!std::isfinite(seconds) || std::fabs(seconds) > kMaxOffsetSeconds) return false;
  double djm0 = 0.0, djm = 0.0;
  if (eraCal2jd(year, month, day, &djm0, &djm) != 0) return false;
  double days = std::floor(seconds / ERFA_DAYSEC);
  double rest = seconds - days * ERFA_DAYSEC;
  int iy = 0, im = 0, id = 0;
  double fd = 0.0;
  if (eraJd2cal(djm0, djm + days, &iy, &im, &id, &fd) != 0) return false;
  int hour = static_cast<int>(rest / 3600.0);
  int minute = static_cast<int>((rest - hour * 3600.0) / 60.0);
  double sec = rest - hour * 3600.0 - minute * 60.0;
  if (hour > 23) hour = 23, minute = 59, sec = rest - 23 * 3600.0 - 59 * 60.0;
  return eraDtf2d("UTC", iy, im, id, hour, minute, sec, &out.jd1, &out.jd2) >= 0;
}

std::string isoUtc(const UtcDate& utc) {
  int iy = 0, im = 0, id = 0, hmsf[4] = {0, 0, 0, 0};
  if (eraD2dtf("UTC", 3, utc.jd1, utc.jd2, &iy, &im, &id, hmsf) != 0) return "";
  if (iy < 0 || iy > 9999) return "";
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", iy, im, id, hmsf[0], hmsf[1], hmsf[2],
                hmsf[3]);
  return text;
}

bool bjdTdb(const UtcDate& utc, double ra, double dec, const Site& site, double& bjd) {
  Scales s;
  if (!scalesOf(utc, s)) return false;
  double elong = site.longitude * ERFA_DD2R, phi = site.latitude * ERFA_DD2R;
  double xyz[3];
  if (eraGd2gc(ERFA_WGS84, elong, phi, site.height, xyz) != 0) return false;
  double u = std::hypot(xyz[0], xyz[1]) / 1000.0, v = xyz[2] / 1000.0;
  double dtr = eraDtdb(s.tt1, s.tt2, dayFraction(s.ut11, s.ut12), elong, u, v);
  double tdb1 = 0.0, tdb2 = 0.0;
  if (eraTttdb(s.tt1, s.tt2, dtr, &tdb1, &tdb2) != 0) return false;
  double pvh[2][3], pvb[2][3];
  eraEpv00(tdb1, tdb2, pvh, pvb);  // status 1 only warns of a date far from 1900-2100
  // The site in the celestial frame: rotated with the Earth, then from CIRS back to GCRS.
  double pv[2][3], rc2i[3][3], gcrs[3];
  eraPvtob(elong, phi, site.height, 0.0, 0.0, 0.0, eraEra00(s.ut11, s.ut12), pv);
  eraC2i06a(s.tt1, s.tt2, rc2i);
  eraTrxp(rc2i, pv[0], gcrs);
  double observer[3], towards[3];
  for (int k = 0; k < 3; ++k) observer[k] = pvb[0][k] + gcrs[k] / ERFA_DAU;
  eraS2c(ra * ERFA_DD2R, dec * ERFA_DD2R, towards);
  bjd = tdb1 + (tdb2 + eraPdp(observer, towards) * ERFA_AULT / ERFA_DAYSEC);
  return std::isfinite(bjd);
}

bool airmass(const UtcDate& utc, double ra, double dec, const Site& site, double& x) {
  double aob = 0.0, zob = 0.0, hob = 0.0, dob = 0.0, rob = 0.0, eo = 0.0;
  int status = eraAtco13(ra * ERFA_DD2R, dec * ERFA_DD2R, 0.0, 0.0, 0.0, 0.0, utc.jd1, utc.jd2, 0.0,
                         site.longitude * ERFA_DD2R, site.latitude * ERFA_DD2R, site.height, 0.0, 0.0, 0.0, 0.0,
                         0.0, 0.55, &aob, &zob, &hob, &dob, &rob, &eo);
  if (status < 0 || !(zob < (90.0 - 5.0) * ERFA_DD2R)) return false;
  double s = 1.0 / std::cos(zob) - 1.0;
  x = 1.0 + s - 0.0018167 * s - 0.002875 * s * s - 0.0008083 * s * s * s;
  return std::isfinite(x);
}

}  // namespace results
