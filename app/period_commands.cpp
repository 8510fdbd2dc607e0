// Dialogues of the period and alcdef commands. Every answer is asked before anything is
// checked, so that a script's later answers are never taken for commands; the first fault
// found is reported on one line and nothing is written.
#include "app/answers.h"
#include "app/period_commands.h"

#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "app/site_commands.h"
#include "app/frame_times.h"
#include "app/working_path.h"
#include "lightcurve/alcdef.h"
#include "phot/star_data.h"
#include "lightcurve/light_curve_file.h"
#include "lightcurve/period_output.h"
#include "lightcurve/period_search.h"
#include "sky/site.h"
#include "results/export_builders.h"
#include "results/result_tables.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"
#include "textio/value_ranges.h"

namespace app {

namespace {

constexpr int kMaxSessions = 20;

// Reads one light curve named as typed; false after the console message.
bool loadCurve(Session& s, const std::string& typed, int column, lightcurve::LightCurve& curve) {
  std::string shown(textio::trimRight(typed));
  std::string host = hostName(s, typed);
  if (host.empty()) return false;
  std::vector<std::string> lines;
  if (!lightcurve::readTextLines(host, lines)) {
    s.console.line("   error - cannot open light curve file " + shown);
    return false;
  }
  std::string error;
  if (!lightcurve::readLightCurve(lines, column, shown, curve, error)) {
    s.console.line(error);
    return false;
  }
  return true;
}

bool writeFile(Session& s, const std::string& name, const std::string& text) {
  std::string host = hostName(s, name);
  if (host.empty()) return false;
  if (!textio::replaceFileAtomically(host, text)) {
    s.console.line("   error - cannot write " + name);
    return false;
  }
  return true;
}

struct PeriodAnswers {
  std::vector<std::string> files;  // typed names, 20 characters
  int32_t column = 1, order = 4;
  double shortest = 0.0, longest = 0.0;
};

PeriodAnswers askPeriod(textio::Console& c) {
  PeriodAnswers a;
  while (static_cast<int>(a.files.size()) < kMaxSessions) {
    c.prompt("  light curve file (blank to end) : ");
    std::string typed = c.answerText(20);
    if (textio::isBlank(typed)) break;
    a.files.push_back(typed);
  }
  a.column = askIntOr(c, "  column of the object (1-10) [1] : ", 1);
  std::vector<double> range =
      c.askNumbers("  shortest and longest period, hours : ", "dd", {textio::kAnyReal});
  a.shortest = range[0], a.longest = range[1];
  a.order = askIntOr(c, "  Fourier order (1-8) [4] : ", 4);
  return a;
}

std::string checkPeriod(const PeriodAnswers& a) {
  if (a.files.empty()) return "   error - no light curve file given; nothing done";
  if (a.column < 1 || a.column > 10) return "   error - the column of the object must be 1 to 10";
  if (!(a.shortest > 0.0 && a.longest > a.shortest)) {
    return "   error - the periods must be positive and the shortest below the longest";
  }
  if (a.order < 1 || a.order > 8) return "   error - the Fourier order must be 1 to 8";
  return "";
}

// The name of the .res file with the type ".alc", blank when the name has no room for it.
std::string alcName(const std::string& typed) {
  std::string name = textio::fixed(typed, 20);
  size_t dot = name.find('.');
  size_t at = (dot != std::string::npos && dot < 15) ? dot : name.find("    ");
  if (at == std::string::npos || at >= 15) return "";
  return name.replace(at, 4, ".alc");
}

// The observatory's longitude and latitude; with a site, shown in brackets and kept on a
// blank answer. False after a message when the answer is not two numbers.
bool askSitePosition(Session& s, const sky::Site* site, lightcurve::AlcdefSession& a) {
  const std::string prompt = "  observatory longitude and latitude, degrees (E+, N+)";
  if (site == nullptr) {
    std::vector<double> v = s.console.askNumbers(prompt + " : ", "dd", {textio::kAnyReal});
    a.longitude = v[0], a.latitude = v[1];
    return true;
  }
  std::string stored = sky::locationText(*site);
  stored = stored.substr(0, stored.rfind(' '));
  std::string answer = askKept(s, prompt.substr(2), stored);
  textio::FreeItems items(answer);
  if (!items.real(a.longitude) || !items.real(a.latitude)) {
    s.console.line("   error - cannot read a longitude and latitude from: " + answer);
    return false;
  }
  return true;
}

// The JD of each point at mid-exposure from its frame's own header (the frames found through
// align.dat), the object's position where a header gives it, and a COMMENT saying where the
// JDs come from.
void frameTimes(Session& s, const std::string& typed, lightcurve::AlcdefSession& a, lightcurve::LightCurve& curve) {
  std::vector<std::string> lines;
  results::ResTable table;
  std::string error;
  if (!lightcurve::readTextLines(hostName(s, typed), lines) ||
      !results::readResTable(lines, std::string(textio::trimRight(typed)), table, error)) {
    return;
  }
  std::vector<results::RowTime> times = results::lightCurveTimes(table, loadAlignment(s), frameLookup(s));
  size_t fromHeaders = 0;
  for (lightcurve::LightPoint& p : curve.points) {
    // The row of the point: the one whose date and hours give the point's JD.
    size_t best = times.size();
    double nearest = 1.0e-4;
    for (size_t k = 0; k < times.size(); ++k) {
      const results::ResRow& r = table.rows[k];
      results::UtcDate rowJd;
      if (!results::utcDate(r.year, r.month, r.day, r.hours * 3600.0, rowJd)) continue;
      double d = std::fabs(rowJd.jd() - p.jdUt);
      if (d < nearest) nearest = d, best = k;
    }
    if (best == times.size() || !times[best].fromHeader) continue;
    p.jdUt = times[best].utc.jd();
    ++fromHeaders;
    const results::FrameStamp& st = times[best].stamp;
    if (st.hasPosition && !a.objectPosition) a.objectPosition = true, a.objectRa = st.ra, a.objectDec = st.dec;
  }
  if (fromHeaders == curve.points.size()) {
    a.timesComment = "JD (UTC) at mid-exposure from the frames' headers";
  } else if (fromHeaders == 0) {
    a.timesComment = "JD (UTC) from the light curve's UT to 0.001 h (frames not found)";
  } else {
    a.timesComment = std::to_string(fromHeaders) + " of " + std::to_string(curve.points.size()) +
                     " JD (UTC) at mid-exposure from the frames' headers, the others from the UT to 0.001 h";
  }
}

// The comparison stars' sky positions (COMPRA, COMPDEC) through the sky solution of the
// night's first solved frame: each reference is a code of the star data table, whose refined
// position (else its approximate one) is in the fiducial frame.
void comparisonPositions(Session& s, const lightcurve::LightCurve& curve, lightcurve::AlcdefSession& a) {
  if (curve.references.empty()) return;
  SolvedFrame solved = firstSolvedFrame(s);
  if (!solved.solution) return;
  const phot::StarData& sd = s.state.starData;
  for (const std::string& code : curve.references) {
    lightcurve::AlcdefSession::Comparison place;
    for (int k = 1; k <= phot::kMaxStars; ++k) {
      const phot::StarEntry& e = sd.stars[k];
      if (textio::isBlank(e.code) || textio::trim(e.code) != textio::trim(code)) continue;
      const bool refined = e.refinedU != 0.0f || e.refinedV != 0.0f;
      double u = 0.0, v = 0.0;
      solved.toFrame.apply(refined ? e.refinedU : e.approxU, refined ? e.refinedV : e.approxV, u, v);
      sky::SkyPosition p;
      if (solved.solution->toSky(u, v, p)) place = {true, p.ra, p.dec};
      break;
    }
    a.comparisons.push_back(place);
  }
}

}  // namespace

void periodCommand(Session& s) {
  PeriodAnswers a = askPeriod(s.console);
  if (std::string error = checkPeriod(a); !error.empty()) {
    s.console.line(error);
    return;
  }
  std::vector<lightcurve::LightCurve> curves(a.files.size());
  std::vector<std::string> shown;
  std::vector<int> counts;
  for (size_t k = 0; k < a.files.size(); ++k) {
    if (!loadCurve(s, a.files[k], a.column, curves[k])) return;
    shown.emplace_back(textio::trimRight(a.files[k]));
    counts.push_back(static_cast<int>(curves[k].points.size()));
  }
  lightcurve::PeriodData data = lightcurve::periodData(curves);
  lightcurve::PeriodResult r = lightcurve::searchPeriod(data, a.shortest, a.longest, a.order);
  if (!r.ok) {
    s.console.line(r.error);
    return;
  }
  s.console.line(textio::Line("  trial periods = ").i(static_cast<int64_t>(r.trialPeriods.size()), 8));
  for (const std::string& line : lightcurve::periodLines(r)) s.console.line(line);
  if (writeFile(s, "period.txt", lightcurve::periodReport(r, shown, counts, a.column, a.order, a.shortest, a.longest)) &&
      writeFile(s, "periodogram.svg", lightcurve::periodogramSvg(r)) &&
      writeFile(s, "phased.svg", lightcurve::phasedSvg(r, data, shown))) {
    s.console.line("  written: period.txt, periodogram.svg, phased.svg");
  }
}

void alcdefCommand(Session& s) {
  textio::Console& c = s.console;
  c.prompt("  light curve file (.res) : ");
  std::string typed = c.answerText(20);
  int32_t column = askIntOr(c, "  column of the object (1-10) [1] : ", 1);
  lightcurve::AlcdefSession a;
  a.objectNumber = static_cast<int64_t>(
      c.askNumbers("  object number (0 if unnumbered) : ", "i", {textio::kAnyInteger})[0]);
  a.objectName = askText(c, "  object name : ");
  a.mpcDesignation = askText(c, "  MPC designation : ");
  sky::Site site;
  std::string siteProblem;
  bool haveSite = sky::readSite(sky::kSiteFile, site, siteProblem) == sky::SiteRead::Ok;
  if (!haveSite) site = sky::Site{};
  a.observers = askKept(s, "observers", site.observers);
  a.contactName = askKept(s, "contact name", site.contactName);
  a.contactInfo = askKept(s, "contact info", site.contactInfo);
  std::string filter = askText(c, "  filter [C] : ");
  for (char& ch : filter) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  a.filter = filter.empty() ? "C" : filter;
  if (!askSitePosition(s, haveSite ? &site : nullptr, a)) return;
  if (haveSite) a.mpcCode = site.code, a.facility = site.telescope;
  std::string fallback = alcName(typed);
  c.prompt("  output file [" + std::string(textio::trimRight(fallback)) + "] : ");
  std::string output = c.answerText(20);
  if (textio::isBlank(output)) output = fallback;

  if (textio::isBlank(typed)) return c.line("   error - no light curve file given; nothing written");
  if (column < 1 || column > 10) return c.line("   error - the column of the object must be 1 to 10");
  if (textio::isBlank(output)) return c.line("   error - no output file name; nothing written");
  lightcurve::LightCurve curve;
  if (!loadCurve(s, typed, column, curve)) return;
  if (std::string error = lightcurve::checkAlcdef(a, curve); !error.empty()) return c.line(error);
  if (hostName(s, output) == hostName(s, typed)) return c.line("   error - output would overwrite input");
  frameTimes(s, typed, a, curve);
  comparisonPositions(s, curve, a);
  if (lightcurve::errorsAllZero(curve)) {
    c.line("   warning - every MAGERR would be 0.000: the photometry was measured without errors (`outputerro`)");
    c.prompt("  write the ALCDEF file anyway? Y/N [N] : ");
    char go = c.answerChar();
    if (go != 'y' && go != 'Y') return c.line("   nothing written");
  }
  if (!writeFile(s, output, lightcurve::alcdefText(a, curve))) return;
  c.line("  ALCDEF file written: " + std::string(textio::trimRight(output)));
  c.line(textio::Line("  data lines = ").i(static_cast<int64_t>(curve.points.size()), 6));
}

}  // namespace app
