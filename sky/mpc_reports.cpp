// ADES PSV and 80-column reports.
#include "sky/mpc_reports.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <regex>

namespace sky {

namespace {

std::string format(const char* fmt, double v) {
  char b[64];
  std::snprintf(b, sizeof b, fmt, v);
  return b;
}

// The ra text ADES accepts: 0 <= ra < 360 with 6 decimals.
std::string raDecimal(double ra) {
  std::string t = format("%.6f", ra);
  return t == "360.000000" ? "0.000000" : t;
}

// Alphanumeric packing of a number 0..61 as the packed formats write it.
char packedDigit(int n) {
  if (n < 10) return static_cast<char>('0' + n);
  if (n < 36) return static_cast<char>('A' + n - 10);
  return static_cast<char>('a' + n - 36);
}

std::string packedNumber(const std::string& digits) {
  long n = std::stol(digits);
  char b[32];
  if (n < 100000) {
    std::snprintf(b, sizeof b, "%05ld", n);
  } else {
    std::snprintf(b, sizeof b, "%c%04ld", packedDigit(static_cast<int>(n / 10000)), n % 10000);
  }
  return b;
}

// "2026 AB12" -> "K26A12B".
std::string packedProvisional(const std::string& d) {
  int year = std::stoi(d.substr(0, 4));
  int cycle = d.size() > 7 ? std::stoi(d.substr(7)) : 0;
  std::string p;
  p += packedDigit(year / 100);
  p += d.substr(2, 2);
  p += d[5];
  p += packedDigit(cycle / 10);
  p += static_cast<char>('0' + cycle % 10);
  p += d[6];
  return p;
}

// The aperture as ADES takes it: a plain decimal of at most 6 characters (0.0123, 12.346),
// trailing zeros dropped.
std::string apertureText(double metres) {
  for (const char* fmt : {"%.4f", "%.3f", "%.2f"}) {
    std::string t = format(fmt, metres);
    t.erase(t.find_last_not_of('0') + 1);
    if (t.back() == '.') t.pop_back();
    if (t.size() <= 6) return t;
  }
  return format("%.0f", metres);
}

std::string pad(std::string s, size_t w) {
  if (s.size() < w) s.resize(w, ' ');
  return s;
}

}  // namespace

bool parseDesignation(const std::string& typed, Designation& out, std::string& problem) {
  static const std::regex permanent("[0-9]{1,6}");
  static const std::regex provisional("[0-9]{4} [A-HJ-Y][A-HJ-Z][0-9]{0,3}");
  static const std::regex temporary("[-A-Za-z0-9_]{1,7}");
  if (typed.empty()) {
    problem = "no object designation given";
    return false;
  }
  if (std::regex_match(typed, permanent) && std::stol(typed) > 0 && std::stol(typed) < 620000) {
    out = {Designation::Kind::Permanent, std::to_string(std::stol(typed))};
    return true;
  }
  if (std::regex_match(typed, provisional) && std::stoi(typed.substr(0, 4)) >= 1800 &&
      (typed.size() < 8 || std::stoi(typed.substr(7)) < 620)) {
    out = {Designation::Kind::Provisional, typed};
    return true;
  }
  if (std::regex_match(typed, temporary)) {
    out = {Designation::Kind::Temporary, typed};
    return true;
  }
  problem = "the designation must be a number, a provisional designation such as 2026 AB12, "
            "or a temporary name of 1-7 letters and digits";
  return false;
}

std::string checkCatalogue(const std::string& catalogue) {
  static const std::regex cat("[.A-Za-z0-9_]{1,8}");
  return std::regex_match(catalogue, cat) ? "" : "the catalogue name must be 1-8 letters, digits, '.' or '_'";
}

std::string adesPsv(const ReportContext& c, const std::vector<ReportedPosition>& positions) {
  std::string out = "# version=2022\n# observatory\n! mpcCode " + c.site.code + "\n";
  out += "# submitter\n! name " + c.site.contactName + "\n";
  out += "# observers\n";
  for (const std::string& n : splitNames(c.site.observers)) out += "! name " + n + "\n";
  out += "# measurers\n";
  for (const std::string& n : splitNames(c.site.measurers)) out += "! name " + n + "\n";
  Telescope t;
  (void)parseTelescope(c.site.telescope, t);
  out += "# telescope\n! design " + t.design + "\n! aperture " + apertureText(t.aperture) + "\n! detector " +
         t.detector + "\n";
  out += "# software\n! astrometry pelm\n";
  const char* idName = c.designation.kind == Designation::Kind::Permanent     ? "permID"
                       : c.designation.kind == Designation::Kind::Provisional ? "provID"
                                                                              : "trkSub";
  const size_t idWidth = std::max<size_t>(9, c.designation.text.size());
  out += pad(idName, idWidth) + "|mode|stn |obsTime                 |ra         |dec        |rmsRA |rmsDec|astCat\n";
  std::string rmsRa = format("%.3f", std::clamp(c.rmsRa, 0.001, 999.0));
  std::string rmsDec = format("%.3f", std::clamp(c.rmsDec, 0.001, 999.0));
  for (const ReportedPosition& p : positions) {
    out += pad(c.designation.text, idWidth) + "|CCD |" + pad(c.site.code, 4) + "|" + isoTime(p.time) + "|" +
           pad(raDecimal(p.sky.ra), 11) + "|" + pad(format("%+.6f", p.sky.dec), 11) + "|" + pad(rmsRa, 6) + "|" +
           pad(rmsDec, 6) + "|" + c.catalogue + "\n";
  }
  return out;
}

std::string raSexagesimal(double raDeg) {
  auto ms = static_cast<long long>(std::llround(raDeg / 15.0 * 3600.0 * 1000.0));
  ms = ((ms % 86400000LL) + 86400000LL) % 86400000LL;
  char b[32];
  std::snprintf(b, sizeof b, "%02lld %02lld %02lld.%03lld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
  return b;
}

std::string decSexagesimal(double decDeg) {
  auto cs = static_cast<long long>(std::llround(std::fabs(decDeg) * 3600.0 * 100.0));
  char b[32];
  std::snprintf(b, sizeof b, "%c%02lld %02lld %02lld.%02lld", decDeg < 0.0 ? '-' : '+', cs / 360000, cs / 6000 % 60,
                cs / 100 % 60, cs % 100);
  return b;
}

std::string mpc80(const ReportContext& c, const std::vector<ReportedPosition>& positions) {
  std::string number = std::string(5, ' '), provisional = std::string(7, ' ');
  if (c.designation.kind == Designation::Kind::Permanent) number = packedNumber(c.designation.text);
  if (c.designation.kind == Designation::Kind::Provisional) provisional = packedProvisional(c.designation.text);
  if (c.designation.kind == Designation::Kind::Temporary) provisional = pad(c.designation.text, 7);
  std::string out;
  for (const ReportedPosition& p : positions) {
    // The date to 1e-6 day, carried into the next day when it rounds up to it.
    auto micro = static_cast<long long>(std::llround(p.time.seconds / 86400.0 * 1e6));
    UtcTime day = normalised(p.time.day, 0.0);
    if (micro >= 1000000) day.day += 1, micro -= 1000000;
    int64_t y = 0;
    int m = 0, d = 0;
    civilDate(day.day, y, m, d);
    char date[40];
    std::snprintf(date, sizeof date, "%04lld %02d %02d.%06lld", static_cast<long long>(y), m, d, micro);
    std::string line = number + provisional + "  C" + date + raSexagesimal(p.sky.ra) + decSexagesimal(p.sky.dec);
    line += std::string(21, ' ') + pad(c.site.code, 3);
    out += line + "\n";
  }
  return out;
}

}  // namespace sky
