// UTC instants: calendar days, header dates and times, ISO text.
#include "sky/utc_time.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "textio/fixed_text.h"
#include "textio/free_format.h"

namespace sky {

namespace {

constexpr double kDaySeconds = 86400.0;

// Numbers of a date or time text split at '-', '/', ':', 'T' and blanks.
std::vector<std::string> fields(std::string_view text) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : text) {
    if (c == '-' || c == '/' || c == ':' || c == 'T' || c == ' ') {
      if (!cur.empty()) out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) out.push_back(cur);
  return out;
}

bool wholeNumber(const std::string& s, int64_t& v) {
  if (s.empty() || s.size() > 6) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return textio::parseInt(s, v);
}

// Seconds of the day of "hh:mm:ss[.sss]"; false when malformed or out of range.
bool clockSeconds(const std::vector<std::string>& f, size_t first, double& seconds) {
  if (f.size() != first + 3) return false;
  int64_t h = 0, m = 0;
  double s = 0.0;
  if (!wholeNumber(f[first], h) || !wholeNumber(f[first + 1], m) || !textio::parseReal(f[first + 2], s)) return false;
  if (h > 23 || m > 59 || !(s >= 0.0 && s < 61.0)) return false;
  seconds = static_cast<double>(h * 3600 + m * 60) + s;
  return true;
}

bool validDate(int64_t y, int64_t m, int64_t d) {
  if (y < 1800 || y > 2999 || m < 1 || m > 12 || d < 1) return false;
  static const int len[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= len[m - 1] + (m == 2 && leap ? 1 : 0);
}

// The date (and a time when the text carries one) of DATE-OBS.
bool readDate(const std::string& text, core::DateOrder dateOrder, int64_t& day, bool& hasTime,
              double& seconds) {
  std::vector<std::string> f = fields(text);
  if (f.size() != 3 && f.size() != 6) return false;
  int64_t a = 0, b = 0, c = 0;
  if (!wholeNumber(f[0], a) || !wholeNumber(f[1], b) || !wholeNumber(f[2], c)) return false;
  int64_t y = a, m = b, d = c;
  if (f[0].size() != 4 && dateOrder == core::DateOrder::DayMonthYear) y = c, d = a;
  if (y < 100) y += y >= 50 ? 1900 : 2000;
  if (!validDate(y, m, d)) return false;
  day = civilDays(y, static_cast<int>(m), static_cast<int>(d));
  hasTime = f.size() == 6;
  return !hasTime || clockSeconds(f, 3, seconds);
}

bool timeCard(std::string_view cards, std::string_view key, bool& present, double& seconds) {
  std::string v;
  present = cardValue(cards, key, v) && !v.empty();
  return !present || clockSeconds(fields(v), 0, seconds);
}

}  // namespace

int64_t civilDays(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void civilDate(int64_t z, int64_t& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2);
}

UtcTime normalised(int64_t day, double seconds) {
  double whole = std::floor(seconds / kDaySeconds);
  return {day + static_cast<int64_t>(whole), seconds - whole * kDaySeconds};
}

std::string isoTime(const UtcTime& t) {
  UtcTime r = normalised(t.day, std::round(t.seconds * 1000.0) / 1000.0);
  auto ms = static_cast<int64_t>(std::llround(r.seconds * 1000.0));
  if (ms >= 86400000) r = normalised(r.day + 1, 0.0), ms = 0;
  int64_t y = 0;
  int m = 0, d = 0;
  civilDate(r.day, y, m, d);
  char b[40];
  std::snprintf(b, sizeof b, "%04lld-%02d-%02dT%02lld:%02lld:%02lld.%03lldZ", static_cast<long long>(y), m, d,
                static_cast<long long>(ms / 3600000), static_cast<long long>(ms / 60000 % 60),
                static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
  return b;
}

double julianDate(const UtcTime& t) { return 2440587.5 + static_cast<double>(t.day) + t.seconds / kDaySeconds; }

bool cardValue(std::string_view cards, std::string_view keyword, std::string& value) {
  for (size_t at = 0; at + 80 <= cards.size(); at += 80) {
    std::string_view card = cards.substr(at, 80);
    if (textio::trimRight(card.substr(0, 8)) != keyword || card.substr(8, 2) != "= ") continue;
    std::string_view rest = textio::trim(card.substr(10));
    if (!rest.empty() && rest.front() == '\'') {
      size_t close = rest.find('\'', 1);
      value = std::string(textio::trim(rest.substr(1, close == std::string_view::npos ? rest.size() : close - 1)));
    } else {
      value = std::string(textio::trim(rest.substr(0, rest.find('/'))));
    }
    return true;
  }
  return false;
}

bool midExposure(std::string_view cards, core::DateOrder dateOrder, UtcTime& out, std::string& problem) {
  std::string dateText;
  int64_t day = 0;
  bool dateHasTime = false;
  double dateSeconds = 0.0;
  if (!cardValue(cards, "DATE-OBS", dateText) || dateText.empty()) {
    problem = "the header has no DATE-OBS";
    return false;
  }
  if (!readDate(dateText, dateOrder, day, dateHasTime, dateSeconds)) {
    problem = "DATE-OBS '" + dateText + "' is not a date";
    return false;
  }
  bool hasStart = false, hasEnd = false, hasTimeObs = false, hasUt = false;
  double start = 0.0, end = 0.0, timeObs = 0.0, ut = 0.0;
  if (!timeCard(cards, "UT-START", hasStart, start) || !timeCard(cards, "UT-END", hasEnd, end) ||
      !timeCard(cards, "TIME-OBS", hasTimeObs, timeObs) || !timeCard(cards, "UT", hasUt, ut)) {
    problem = "a time card of the header is not hh:mm:ss";
    return false;
  }
  if (hasStart && hasEnd) {
    if (end < start) end += kDaySeconds;
    out = normalised(day, 0.5 * (start + end));
    return true;
  }
  double begin = 0.0;
  if (dateHasTime) begin = dateSeconds;
  else if (hasTimeObs) begin = timeObs;
  else if (hasUt) begin = ut;
  else if (hasStart) begin = start;
  else {
    problem = "the header has no time of the exposure";
    return false;
  }
  std::string exposureText;
  double exposure = 0.0;
  if ((cardValue(cards, "EXPTIME", exposureText) || cardValue(cards, "EXPOSURE", exposureText)) &&
      textio::parseReal(exposureText, exposure) && exposure >= 0.0 && exposure <= 1.0e5) {
    begin += 0.5 * exposure;
  }
  out = normalised(day, begin);
  return true;
}

}  // namespace sky
