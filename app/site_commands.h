// The observatory dialogue: `site` keeps the observatory's values in site.txt.
#pragma once

#include "app/state.h"
#include "sky/site.h"

namespace app {

/// SITE: asks for every value of the observatory, each prompt showing the stored value in
/// brackets (a blank answer keeps it), checks them and writes site.txt atomically.
void siteCommand(Session& s);

/// Asks "  <label> [<stored>] : " ("  <label> : " when nothing is stored); the trimmed
/// answer, or `stored` when the answer is blank.
std::string askKept(Session& s, const std::string& label, const std::string& stored);

/// Reads site.txt for a command that needs it; false after a one-line message naming what to do.
[[nodiscard]] bool loadSite(Session& s, sky::Site& site);

}  // namespace app
