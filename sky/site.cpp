// The site file: reading, checking and writing the observatory's values.
#include "sky/site.h"

#include <cmath>
#include <cstdio>
#include <fstream>

#include "textio/fixed_text.h"
#include "textio/free_format.h"

namespace sky {

namespace {

constexpr const char* kCode = "observatory code";
constexpr const char* kLocation = "longitude latitude altitude";
constexpr const char* kObservers = "observers";
constexpr const char* kMeasurers = "measurers";
constexpr const char* kTelescope = "telescope";
constexpr const char* kContactName = "contact name";
constexpr const char* kContactInfo = "contact info";

std::string shortest(double v) {
  char b[40];
  std::snprintf(b, sizeof b, "%.10g", v);
  return b;
}

bool printable(std::string_view s) {
  for (char c : s) {
    if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126 || c == '|') return false;
  }
  return true;
}

bool isCodeChar(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); }

}  // namespace

bool parseTelescope(std::string_view text, Telescope& out) {
  std::vector<std::string> parts;
  size_t b = 0;
  for (;;) {
    size_t e = text.find(',', b);
    parts.emplace_back(textio::trim(text.substr(b, e == std::string_view::npos ? std::string_view::npos : e - b)));
    if (e == std::string_view::npos) break;
    b = e + 1;
  }
  if (parts.size() != 3 || parts[1].empty() || parts[2].empty()) return false;
  double aperture = 0.0;
  if (!textio::parseReal(parts[0], aperture) || !(aperture >= 0.01 && aperture <= 20.0)) return false;
  out = {aperture, parts[1], parts[2]};
  return true;
}

std::vector<std::string> splitNames(std::string_view text) {
  std::vector<std::string> names;
  size_t b = 0;
  while (b <= text.size()) {
    size_t e = text.find_first_of(",;", b);
    if (e == std::string_view::npos) e = text.size();
    std::string_view name = textio::trim(text.substr(b, e - b));
    if (!name.empty()) names.emplace_back(name);
    b = e + 1;
  }
  return names;
}

std::string locationText(const Site& site) {
  return shortest(site.longitude) + " " + shortest(site.latitude) + " " + shortest(site.altitude);
}

bool parseLocation(std::string_view text, Site& site) {
  textio::FreeItems items(text);
  double lon = 0.0, lat = 0.0, alt = 0.0;
  std::string rest;
  if (!items.real(lon) || !items.real(lat) || !items.real(alt) || items.text(rest)) return false;
  site.longitude = lon, site.latitude = lat, site.altitude = alt;
  return true;
}

std::string checkSite(const Site& s) {
  if (s.code.size() != 3 || !isCodeChar(s.code[0]) || !isCodeChar(s.code[1]) || !isCodeChar(s.code[2])) {
    return "the observatory code must be 3 capital letters or digits";
  }
  if (!(s.longitude >= -180.0 && s.longitude <= 360.0)) return "the longitude must be -180 to 360 degrees";
  if (!(s.latitude >= -90.0 && s.latitude <= 90.0)) return "the latitude must be -90 to 90 degrees";
  if (!(s.altitude >= -500.0 && s.altitude <= 9000.0)) return "the altitude must be -500 to 9000 m";
  if (splitNames(s.observers).empty()) return "no observers given";
  if (splitNames(s.measurers).empty()) return "no measurers given";
  Telescope t;
  if (!parseTelescope(s.telescope, t)) return "the telescope must be: aperture (0.01-20 m), design, detector";
  // The lengths the ADES report takes: 25 characters for design and detector, 100 for a name.
  if (t.design.size() > 25 || t.detector.size() > 25) return "the telescope design and detector must be 25 characters at most";
  if (textio::trim(s.contactName).empty()) return "no contact name given";
  bool longName = textio::trim(s.contactName).size() > 100;
  for (const std::string* list : {&s.observers, &s.measurers}) {
    for (const std::string& name : splitNames(*list)) longName = longName || name.size() > 100;
  }
  if (longName) return "a name is over 100 characters";
  if (textio::trim(s.contactInfo).empty()) return "no contact info given";
  for (const std::string* v : {&s.observers, &s.measurers, &s.telescope, &s.contactName, &s.contactInfo}) {
    if (!printable(*v) || v->size() > 200) return "a value holds a character other than printable ASCII, a | or is over 200 characters";
  }
  return "";
}

std::string siteText(const Site& s) {
  std::string out;
  auto put = [&](const char* name, const std::string& value) { out += std::string(name) + " = " + value + "\n"; };
  put(kCode, s.code);
  put(kLocation, locationText(s));
  put(kObservers, s.observers);
  put(kMeasurers, s.measurers);
  put(kTelescope, s.telescope);
  put(kContactName, s.contactName);
  put(kContactInfo, s.contactInfo);
  return out;
}

SiteRead readSite(const std::string& path, Site& site, std::string& problem) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    problem = "it cannot be opened";
    return SiteRead::Missing;
  }
  site = Site{};
  bool locationSeen = false;
  std::string text;
  for (int lineNo = 1; std::getline(in, text); ++lineNo) {
    std::string_view line = textio::dropCr(text);
    if (textio::isBlank(line)) continue;
    size_t eq = line.find(" = ");
    std::string_view name = textio::trim(line.substr(0, eq));
    std::string value = eq == std::string_view::npos ? "" : std::string(textio::trim(line.substr(eq + 3)));
    bool ok = eq != std::string_view::npos;
    if (!ok) {
    } else if (name == kCode) {
      site.code = value;
    } else if (name == kLocation) {
      ok = locationSeen = parseLocation(value, site);
    } else if (name == kObservers) {
      site.observers = value;
    } else if (name == kMeasurers) {
      site.measurers = value;
    } else if (name == kTelescope) {
      site.telescope = value;
    } else if (name == kContactName) {
      site.contactName = value;
    } else if (name == kContactInfo) {
      site.contactInfo = value;
    } else {
      ok = false;
    }
    if (!ok) {
      problem = "line " + std::to_string(lineNo) + " is not a site value";
      return SiteRead::Malformed;
    }
  }
  problem = locationSeen ? checkSite(site) : "no longitude, latitude and altitude";
  return problem.empty() ? SiteRead::Ok : SiteRead::Malformed;
}

}  // namespace sky
