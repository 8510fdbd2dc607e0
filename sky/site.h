// The observatory, kept once in site.txt beside device.ccd: its code, position, people,
// telescope and contact, as astrometric and photometric reports name them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sky {

/// Name of the site file; like device.ccd it lives in the start folder.
inline constexpr const char* kSiteFile = "site.txt";

/// One observatory.
struct Site {
  std::string code;          // observatory code of the Minor Planet Center, 3 characters
  double longitude = 0.0;    // degrees, east positive, -180..360
  double latitude = 0.0;     // degrees, north positive, -90..90
  double altitude = 0.0;     // metres above sea level, -500..9000
  std::string observers;     // names, separated by commas or semicolons
  std::string measurers;     // names, separated by commas or semicolons
  std::string telescope;     // "aperture m, design, detector", e.g. "0.35, Schmidt-Cassegrain, CCD"
  std::string contactName;
  std::string contactInfo;   // e-mail address and/or postal address
};

/// The telescope of a site, split from its text.
struct Telescope {
  double aperture = 0.0;  // metres
  std::string design;     // e.g. "Reflector", "Schmidt-Cassegrain"
  std::string detector;   // e.g. "CCD", "CMOS"
};

/// Splits "aperture, design, detector"; false when there are not three parts or the
/// aperture is not a number between 0.01 and 20 m.
[[nodiscard]] bool parseTelescope(std::string_view text, Telescope& out);

/// The names of a list separated by commas or semicolons, each trimmed, empty ones dropped.
std::vector<std::string> splitNames(std::string_view text);

/// The longitude, latitude and altitude as site.txt and the prompt show them.
std::string locationText(const Site& site);
/// Reads "longitude latitude altitude" (blank or comma separated); false when not three numbers.
[[nodiscard]] bool parseLocation(std::string_view text, Site& site);

/// Empty when the site is complete and every value is in range; otherwise what is wrong,
/// as a short phrase ("the observatory code must be 3 letters or digits", ...).
std::string checkSite(const Site& site);

/// The text of site.txt: one "name = value" line per value, in the order of the prompts.
std::string siteText(const Site& site);

enum class SiteRead { Ok, Missing, Malformed };

/// Reads a site file. Malformed (with `problem` saying why) when a line is not "name = value"
/// with a known name, a value is missing or `checkSite` refuses it; `site` then holds what
/// could be read.
SiteRead readSite(const std::string& path, Site& site, std::string& problem);

}  // namespace sky
