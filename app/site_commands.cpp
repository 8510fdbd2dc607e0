// The observatory dialogue and the reading of site.txt for the commands that report.
#include "app/site_commands.h"

#include <cctype>

#include "textio/fixed_text.h"
#include "textio/paths.h"

namespace app {

std::string askKept(Session& s, const std::string& label, const std::string& stored) {
  std::string prompt = "  " + label;
  if (!stored.empty()) prompt += " [" + stored + "]";
  s.console.prompt(prompt + " : ");
  std::string answer(textio::trim(s.console.answer()));
  return answer.empty() ? stored : answer;
}

void siteCommand(Session& s) {
  sky::Site site;
  std::string problem;
  bool stored = false;
  switch (sky::readSite(sky::kSiteFile, site, problem)) {
    case sky::SiteRead::Ok:
      stored = true;
      break;
    case sky::SiteRead::Missing:
      site = sky::Site{};
      break;
    case sky::SiteRead::Malformed:
      s.console.line(std::string("   warning - ") + sky::kSiteFile + " not usable: " + problem);
      break;
  }
  site.code = askKept(s, "observatory code", site.code);
  for (char& c : site.code) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  std::string location = askKept(s, "longitude, latitude (degrees, E+ N+) and altitude (m)",
                                 stored ? sky::locationText(site) : "");
  site.observers = askKept(s, "observers", site.observers);
  site.measurers = askKept(s, "measurers", site.measurers);
  site.telescope = askKept(s, "telescope (aperture m, design, detector)", site.telescope);
  site.contactName = askKept(s, "contact name", site.contactName);
  site.contactInfo = askKept(s, "contact info", site.contactInfo);
  if (location.empty()) return s.console.line("   error - no longitude, latitude and altitude given; site not written");
  if (!sky::parseLocation(location, site)) {
    return s.console.line("   error - longitude, latitude and altitude must be three numbers; site not written");
  }
  if (std::string error = sky::checkSite(site); !error.empty()) {
    return s.console.line("   error - " + error + "; site not written");
  }
  if (!textio::replaceFileAtomically(sky::kSiteFile, sky::siteText(site))) {
    return s.console.line(std::string("   error - cannot write ") + sky::kSiteFile + "; site not changed");
  }
  s.console.line("  site " + site.code + " written to " + sky::kSiteFile);
}

bool loadSite(Session& s, sky::Site& site) {
  std::string problem;
  switch (sky::readSite(sky::kSiteFile, site, problem)) {
    case sky::SiteRead::Ok:
      return true;
    case sky::SiteRead::Missing:
      s.console.line(std::string("   error - no ") + sky::kSiteFile + "; give the observatory with `site` first");
      return false;
    case sky::SiteRead::Malformed:
      break;
  }
  s.console.line(std::string("   error - ") + sky::kSiteFile + " not usable: " + problem + "; correct it with `site`");
  return false;
}

}  // namespace app
