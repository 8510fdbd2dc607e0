// ALCDEF metadata checks and the text of one session.
#include "lightcurve/alcdef.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>
#include <vector>

#include "textio/fixed_text.h"
#include "textio/fortran_format.h"

namespace lightcurve {

namespace {

constexpr std::array<std::string_view, 11> kFilters = {"C", "U", "B", "V", "R", "I", "SU", "SG", "SR", "SI", "SZ"};

std::string twoDigits(int32_t v) { return (v < 10 ? "0" : "") + std::to_string(v); }

// A degree value with its sign and four decimals.
std::string signedDegrees(double v) {
  std::string t(textio::trim(textio::fmtF(std::fabs(v), 12, 4)));
  return (v < 0.0 && t != "0.0000" ? "-" : "+") + t;
}

double eastLongitude(double lon) { return lon > 180.0 ? lon - 360.0 : lon; }

// The contact information with its e-mail address in brackets, as the format asks.
std::string contactWithBrackets(const std::string& info) {
  if (info.find('[') != std::string::npos) return info;
  size_t at = info.find('@');
  if (at == std::string::npos) return info;
  size_t b = info.find_last_of(" ,;", at), e = info.find_first_of(" ,;", at);
  b = b == std::string::npos ? 0 : b + 1;
  e = e == std::string::npos ? info.size() : e;
  return info.substr(0, b) + "[" + info.substr(b, e - b) + "]" + info.substr(e);
}

std::string magband(const std::string& filter) { return filter == "C" ? "R" : filter; }

struct Keyword {
  std::string key, value;
};

// Hours or degrees as [+-]dd:mm:ss (hours: hh:mm:ss), rounded to the second.
std::string sexagesimal(double v, bool sign) {
  double a = std::round(std::fabs(v) * 3600.0);
  int64_t whole = static_cast<int64_t>(a);
  std::string t = twoDigits(static_cast<int32_t>(whole / 3600)) + ":" + twoDigits(static_cast<int32_t>(whole / 60 % 60)) +
                  ":" + twoDigits(static_cast<int32_t>(whole % 60));
  return sign ? (v < 0.0 && whole != 0 ? "-" : "+") + t : t;
}

// The session's time: the middle of its first and last points.
CalendarTime sessionMiddle(const LightCurve& curve) {
  double lo = curve.points.front().jdUt, hi = lo;
  for (const LightPoint& p : curve.points) lo = std::min(lo, p.jdUt), hi = std::max(hi, p.jdUt);
  return calendarOf(0.5 * (lo + hi));
}

std::vector<Keyword> metadata(const AlcdefSession& s, const LightCurve& curve) {
  CalendarTime first = sessionMiddle(curve);
  std::vector<Keyword> m = {
      {"REVISEDDATA", "FALSE"},
      {"ALLOWSHARING", s.allowSharing ? "TRUE" : "FALSE"},
      {"OBJECTNUMBER", std::to_string(s.objectNumber)},
      {"OBJECTNAME", std::string(textio::trim(s.objectName))},
      {"MPCDESIG", std::string(textio::trim(s.mpcDesignation))},
      {"SESSIONDATE", std::to_string(first.year) + "-" + twoDigits(first.month) + "-" + twoDigits(first.day)},
      {"SESSIONTIME", twoDigits(first.hour) + ":" + twoDigits(first.minute) + ":" + twoDigits(first.second)},
      {"CONTACTNAME", std::string(textio::trim(s.contactName))},
      {"CONTACTINFO", contactWithBrackets(std::string(textio::trim(s.contactInfo)))},
      {"OBSERVERS", std::string(textio::trim(s.observers))},
      {"OBSLONGITUDE", signedDegrees(eastLongitude(s.longitude))},
      {"OBSLATITUDE", signedDegrees(s.latitude)},
      {"FILTER", s.filter},
      {"MAGBAND", magband(s.filter)},
      {"DIFFERMAGS", "TRUE"},
      {"STANDARD", "NONE"},
      {"LTCAPP", "NONE"},
      {"LTCTYPE", "NONE"},
      {"REDUCEDMAGS", "NONE"},
  };
  auto hoursOf = [](double ra) {
    ra = std::fmod(ra, 360.0);
    return sexagesimal((ra < 0.0 ? ra + 360.0 : ra) / 15.0, false);
  };
  if (s.objectPosition) {
    m.push_back({"OBJECTRA", hoursOf(s.objectRa)});
    m.push_back({"OBJECTDEC", sexagesimal(s.objectDec, true)});
  }
  if (!textio::isBlank(s.mpcCode)) m.push_back({"MPCCODE", std::string(textio::trim(s.mpcCode))});
  if (!textio::isBlank(s.facility)) m.push_back({"FACILITY", std::string(textio::trim(s.facility))});
  if (!textio::isBlank(s.timesComment)) m.push_back({"COMMENT", std::string(textio::trim(s.timesComment))});
  for (size_t k = 0; k < curve.references.size(); ++k) {
    const std::string n = std::to_string(k + 1);
    m.push_back({"COMPNAME" + n, curve.references[k]});
    if (k < s.comparisons.size() && s.comparisons[k].known) {
      m.push_back({"COMPRA" + n, hoursOf(s.comparisons[k].ra)});
      m.push_back({"COMPDEC" + n, sexagesimal(s.comparisons[k].dec, true)});
    }
  }
  m.push_back({"DELIMITER", "PIPE"});
  return m;
}

bool printable(std::string_view s) {
  for (char c : s) {
    if (c < ' ' || c > '~') return false;
  }
  return true;
}

}  // namespace

bool errorsAllZero(const LightCurve& curve) {
  for (const LightPoint& p : curve.points) {
    if (std::fabs(p.err) >= 0.0005) return false;
  }
  return true;
}

std::string checkAlcdef(const AlcdefSession& s, const LightCurve& curve) {
  const std::pair<const std::string*, const char*> required[] = {
      {&s.objectName, "object name"}, {&s.mpcDesignation, "MPC designation"}, {&s.observers, "observers"},
      {&s.contactName, "contact name"}, {&s.contactInfo, "contact info"}};
  for (const auto& [value, what] : required) {
    if (textio::isBlank(*value)) return std::string("   error - ALCDEF requires the ") + what + "; nothing written";
    if (!printable(*value)) return std::string("   error - the ") + what + " holds characters ALCDEF does not allow";
  }
  if (s.objectNumber < 0) return "   error - the object number cannot be negative";
  bool known = false;
  for (std::string_view f : kFilters) known = known || f == s.filter;
  if (!known) return "   error - filter " + s.filter + " is not an ALCDEF filter (C U B V R I SU SG SR SI SZ)";
  if (!(s.longitude >= -180.0 && s.longitude <= 360.0)) return "   error - the longitude must lie from -180 to 360 degrees";
  if (!(s.latitude >= -90.0 && s.latitude <= 90.0)) return "   error - the latitude must lie from -90 to 90 degrees";
  if (curve.points.empty()) return "   error - no observations to write";
  for (const Keyword& k : metadata(s, curve)) {
    if (k.key.size() + 1 + k.value.size() > kAlcdefLineLength) {
      return "   error - the " + k.key + " line would pass " + std::to_string(kAlcdefLineLength) + " characters";
    }
    if (!printable(k.value)) return "   error - the " + k.key + " value holds characters ALCDEF does not allow";
  }
  return "";
}

std::string alcdefText(const AlcdefSession& s, const LightCurve& curve) {
  std::string out = "STARTMETADATA\n";
  for (const Keyword& k : metadata(s, curve)) out += k.key + "=" + k.value + "\n";
  out += "ENDMETADATA\n";
  for (const LightPoint& p : curve.points) {
    out += "DATA=" + std::string(textio::trim(textio::fmtF(p.jdUt, 16, 6))) + "|" +
           std::string(textio::trim(textio::fmtF(p.mag, 12, 3))) + "|" +
           std::string(textio::trim(textio::fmtF(p.err, 12, 3))) + "\n";
  }
  return out + "ENDDATA\n";
}

}  // namespace lightcurve
