// Frame times, positions and sites from FITS header cards.
#include "results/frame_stamp.h"

#include <cmath>
#include <fstream>
#include <map>

#include "sky/utc_time.h"
#include "textio/fixed_text.h"
#include "textio/free_format.h"

namespace results {

namespace {

constexpr size_t kCard = 80;
constexpr size_t kBlock = 2880;
constexpr size_t kMaxHeaderBlocks = 100;

// Keyword -> value text (quotes removed, comment dropped, trimmed); the last card wins.
std::map<std::string, std::string> values(const std::vector<std::string>& cards) {
  std::map<std::string, std::string> v;
  for (const std::string& c : cards) {
    if (c.size() < 10 || c.compare(8, 2, "= ") != 0) continue;
    std::string key(textio::trim(std::string_view(c).substr(0, 8)));
    std::string_view rest = std::string_view(c).substr(10);
    size_t b = rest.find_first_not_of(' ');
    if (b == std::string_view::npos) continue;
    rest.remove_prefix(b);
    std::string text;
    if (rest[0] == '\'') {
      for (size_t k = 1; k < rest.size(); ++k) {
        if (rest[k] == '\'') {
          if (k + 1 < rest.size() && rest[k + 1] == '\'') {
            text += '\'';
            ++k;
            continue;
          }
          break;
        }
        text += rest[k];
      }
    } else {
      text = std::string(rest.substr(0, rest.find('/')));
    }
    v[key] = std::string(textio::trim(text));
  }
  return v;
}

bool finite(double v) { return std::isfinite(v); }

bool number(const std::map<std::string, std::string>& v, const char* key, double& out) {
  auto it = v.find(key);
  return it != v.end() && textio::parseReal(it->second, out) && finite(out);
}

bool angle(const std::map<std::string, std::string>& v, const char* key, double& out, bool& sexagesimal) {
  auto it = v.find(key);
  return it != v.end() && parseAngle(it->second, out, sexagesimal);
}

void positionOf(const std::map<std::string, std::string>& v, FrameStamp& s) {
  double ra = 0.0, dec = 0.0;
  bool raSex = false, decSex = false;
  if (angle(v, "OBJCTRA", ra, raSex) && angle(v, "OBJCTDEC", dec, decSex)) {
    ra *= 15.0;  // OBJCTRA is in hours
  } else if (angle(v, "RA", ra, raSex) && angle(v, "DEC", dec, decSex)) {
    if (raSex) ra *= 15.0;
  } else {
    return;
  }
  if (ra >= 0.0 && ra < 360.0 && dec >= -90.0 && dec <= 90.0) {
    s.hasPosition = true, s.ra = ra, s.dec = dec;
  }
}

void siteOf(const std::map<std::string, std::string>& v, FrameStamp& s) {
  const char* pairs[][3] = {{"SITELONG", "SITELAT", "SITEELEV"},
                            {"LONG-OBS", "LAT-OBS", "ALT-OBS"},
                            {"OBSGEO-L", "OBSGEO-B", "OBSGEO-H"}};
  for (auto& p : pairs) {
    double lon = 0.0, lat = 0.0, h = 0.0;
    bool sex = false;
    if (!angle(v, p[0], lon, sex) || !angle(v, p[1], lat, sex)) continue;
    if (lon > 180.0) lon -= 360.0;
    if (!(lon >= -180.0 && lon <= 180.0 && lat >= -90.0 && lat <= 90.0)) continue;
    if (!number(v, p[2], h) || !(h > -500.0 && h < 10000.0)) h = 0.0;
    s.hasSite = true;
    s.site = Site{lon, lat, h};
    return;
  }
}

// "hh:mm:ss.sss" to seconds of the day; false when it is not a time of day.
bool clockOf(const std::string& text, double& seconds) {
  double value = 0.0;
  bool sexagesimal = false;
  if (!parseAngle(text, value, sexagesimal) || !sexagesimal || !(value >= 0.0 && value < 24.0 + 1.0 / 3600.0)) return false;
  seconds = value * 3600.0;
  return true;
}

// What the timing checks compare: the span of UT-START to UT-END, and a DATE-OBS time
// against TIME-OBS.
void timingOf(const std::map<std::string, std::string>& v, FrameStamp& s) {
  auto card = [&](const char* key, double& seconds) { return v.count(key) != 0 && clockOf(v.at(key), seconds); };
  double start = 0.0, end = 0.0;
  if (card("UT-START", start) && card("UT-END", end)) {
    if (end < start) end += 86400.0;
    s.hasStartEnd = true;
    s.startEndSpan = end - start;
  }
  auto date = v.find("DATE-OBS");
  const size_t tee = date == v.end() ? std::string::npos : date->second.find('T');
  double dateStart = 0.0, timeObs = 0.0;
  if (tee != std::string::npos && clockOf(date->second.substr(tee + 1), dateStart) && card("TIME-OBS", timeObs)) {
    s.hasTwoStarts = true;
    s.startDifference = dateStart - timeObs;
    if (s.startDifference > 43200.0) s.startDifference -= 86400.0;
    if (s.startDifference < -43200.0) s.startDifference += 86400.0;
  }
}

}  // namespace

bool parseAngle(std::string_view text, double& value, bool& sexagesimal) {
  std::string t(textio::trim(text));
  for (char& c : t) {
    if (c == ':') c = ' ';
  }
  std::vector<std::string_view> items = textio::splitFree(t);
  if (items.empty() || items.size() > 3) return false;
  bool negative = !items[0].empty() && items[0][0] == '-';
  double total = 0.0, scale = 1.0;
  for (size_t k = 0; k < items.size(); ++k) {
    double part = 0.0;
    if (!textio::parseReal(items[k], part) || !finite(part)) return false;
    if (k > 0 && (part < 0.0 || part >= 60.0)) return false;
    total += std::fabs(part) * scale;
    scale /= 60.0;
  }
  sexagesimal = items.size() > 1;
  value = negative ? -total : total;
  return finite(value) && std::fabs(value) < 1.0e6;
}

std::vector<std::string> headerCards(std::string_view bytes) {
  std::vector<std::string> cards;
  for (size_t at = 0; at + kCard <= bytes.size(); at += kCard) {
    std::string card(bytes.substr(at, kCard));
    if (card.compare(0, 8, "END     ") == 0) return cards;
    cards.push_back(card);
  }
  return {};
}

bool frameStamp(const std::vector<std::string>& cards, FrameStamp& out, std::string& why) {
  out = FrameStamp{};
  std::map<std::string, std::string> v = values(cards);
  double exposure = 0.0;
  if ((number(v, "EXPTIME", exposure) || number(v, "EXPOSURE", exposure)) && exposure >= 0.0 && exposure <= 1.0e5) {
    out.exposure = exposure;
  }
  // The time of mid-exposure as the astrometry reads it, so both give one instant per frame.
  std::string joined;
  for (const std::string& c : cards) joined += std::string(textio::fixed(c, kCard));
  sky::UtcTime mid;
  if (!sky::midExposure(joined, core::DateOrder::DayMonthYear, mid, why)) return false;
  int64_t y = 0;
  int m = 0, d = 0;
  sky::civilDate(mid.day, y, m, d);
  if (y < 1000 || y > 9999 || !utcDate(static_cast<int32_t>(y), m, d, mid.seconds, out.mid)) {
    why = "a date or time out of range";
    return false;
  }
  timingOf(v, out);
  positionOf(v, out);
  siteOf(v, out);
  return true;
}

bool readFrameStamp(const std::string& hostName, FrameStamp& out, std::string& why) {
  std::ifstream in(hostName, std::ios::binary);
  if (!in) {
    why = "cannot be opened";
    return false;
  }
  std::string bytes;
  char block[kBlock];
  std::vector<std::string> cards;
  for (size_t n = 0; n < kMaxHeaderBlocks; ++n) {
    in.read(block, kBlock);
    if (in.gcount() != static_cast<std::streamsize>(kBlock)) break;
    bytes.append(block, kBlock);
    cards = headerCards(bytes);
    if (!cards.empty()) return frameStamp(cards, out, why);
  }
  why = "has no FITS header";
  return false;
}

}  // namespace results
