// Handlers of the light-curve commands; the work is done in lightcurve/.
#include "app/lightcurve_commands.h"

#include <fstream>
#include <vector>

#include "app/working_path.h"
#include "lightcurve/dmag.h"
#include "lightcurve/lc_plot.h"
#include "lightcurve/phot_to_dmag.h"
#include "lightcurve/photometry_stats.h"
#include "phot/phot_flags.h"
#include "textio/fixed_text.h"
#include "textio/value_ranges.h"

namespace app {

namespace {

// The typed name with ".txt" written at its first blank when it has no type, as the log
// file name is kept.
std::string withTxtType(Session& s, const std::string& typed) {
  std::string name = textio::fixed(typed, 20);
  if (name.find('.') != std::string::npos) return name;
  size_t blank = name.find(' ');
  if (blank != std::string::npos && blank < 17) {
    name.replace(blank, 4, ".txt");
  } else {
    s.console.line("   CAUTION: filename too long: no file type added!");
  }
  return name;
}

// The flags of the last photometry run (photflags.txt in the working path), none without it.
lightcurve::FrameFlags runFlags(Session& s) {
  lightcurve::FrameFlags out;
  std::ifstream in(hostName(s, phot::kPhotFlagsFile), std::ios::binary);
  if (!in) return out;
  for (const auto& [frame, objects] : phot::readPhotFlags(in)) {
    out.listed.insert(frame);
    for (const auto& [code, flag] : objects)
      if (phot::isContaminated(flag)) out.contaminated.insert(frame);
  }
  return out;
}

}  // namespace

void dmagCommand(Session& s) {
  lightcurve::ccdpho(s.console, s.state.settings.workingPath, s.state.settings.logFileName, s.state.ephemeris);
}

void statsCommand(Session& s) {
  s.console.prompt("   enter name of file to do statistics of ");
  std::string typed = s.console.answerText(20);
  if (textio::isBlank(typed)) return;
  s.state.settings.logFileName = withTxtType(s, typed);
  std::string full;
  if (!fullName(s, typed, full)) return;
  lightcurve::stload(s.console, full, typed, s.state.stats);
}

void listratiosCommand(Session& s) {
  if (s.state.interp.logOn == 1) lightcurve::lstrat(s.console, s.state.stats);
}

void liststatsCommand(Session& s) {
  if (s.state.interp.logOn == 1) lightcurve::lststs(s.console, s.state.stats);
}

void ephemerisCommand(Session& s) {
  std::vector<double> v = s.console.askNumbers(
      "   epoch (JD) and period (days) [period < 0: no phase] : ", "dd", {textio::kAnyReal});
  s.state.ephemeris.epoch = v[0];
  s.state.ephemeris.period = v[1];
}

void lighttimeCommand(Session& s) {
  int32_t& on = s.state.ephemeris.lightTime;
  on = on == 1 ? 0 : 1;
  s.console.line(on == 1 ? "   heliocentric light-time correction on" : "   heliocentric light-time correction off");
}

void phot2dmagCommand(Session& s) {
  lightcurve::phot2dmag(s.console, s.state.settings.workingPath, s.state.settings.logFileName, runFlags(s));
}

void lcplotCommand(Session& s) {
  lightcurve::lcplot(s.console, s.state.settings.workingPath, s.state.ephemeris);
}

}  // namespace app
