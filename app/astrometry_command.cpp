// The astrometry dialogue: from objectpath.txt and a solved frame to the ADES report.
#include "app/astrometry_command.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "align/alignment_table.h"
#include "align/transforms.h"
#include "app/answers.h"
#include "app/frame_times.h"
#include "app/site_commands.h"
#include "app/working_path.h"
#include "motion/path_model.h"
#include "sky/astrometry.h"
#include "sky/header_cards.h"
#include "sky/mpc_reports.h"
#include "textio/fixed_text.h"
#include "textio/paths.h"

namespace app {

namespace {

struct Answers {
  std::string frame, positions, designation, catalogue, output;
};

std::string askDefault(Session& s, const std::string& prompt, const std::string& fallback) {
  s.console.prompt(prompt);
  std::string a(textio::trim(s.console.answer()));
  return a.empty() ? fallback : a;
}

Answers askAstrometry(Session& s) {
  Answers a;
  a.frame = askDefault(s, "  frame with the sky solution : ", "");
  a.positions = askDefault(s, "  object positions file [objectpath.txt] : ", "objectpath.txt");
  a.designation = askDefault(s, "  object designation : ", "");
  a.catalogue = askDefault(s, "  astrometric catalogue of the solution [Gaia3] : ", "Gaia3");
  a.output = askDefault(s, "  output file [astrometry.psv] : ", "astrometry.psv");
  return a;
}

// Model 1 as a path in time; loaded when any coefficient is set.
struct ModelPath : sky::PathFunction {
  const motion::PathModel& model;
  explicit ModelPath(const motion::PathModel& m) : model(m) {}
  void at(double hours, double& u, double& v) const override {
    motion::PathPosition p = motion::movuv(model, static_cast<float>(hours));
    u = p.u, v = p.v;
  }
};

bool modelLoaded(const motion::PathModel& m) {
  for (int k = 1; k <= motion::kPathCoefficients; ++k) {
    if (m.cu[k] != 0.0f || m.cv[k] != 0.0f) return true;
  }
  return false;
}

std::string readText(const std::string& host, bool& ok) {
  std::ifstream in(host, std::ios::binary);
  ok = static_cast<bool>(in);
  std::ostringstream b;
  b << in.rdbuf();
  return b.str();
}

std::string obsName(const std::string& output) {
  std::string name = output;
  size_t dot = name.rfind('.');
  size_t slash = name.find_last_of("/\\");
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.resize(dot);
  return name + ".obs";
}

std::string positionLine(const sky::AstrometricPosition& p) {
  std::string what = p.measured.frame;
  if (what.empty()) {
    char b[32];
    std::snprintf(b, sizeof b, "stack %6.3f", p.measured.hours);
    what = b;
  }
  std::string iso = sky::isoTime(p.time);
  iso[10] = ' ';
  iso.pop_back();
  char b[200];
  std::snprintf(b, sizeof b, "  %-20s %s  %s  %s %7.2f %7.2f%s", what.c_str(), iso.c_str(),
                sky::raSexagesimal(p.sky.ra).c_str(), sky::decSexagesimal(p.sky.dec).c_str(), p.resRa, p.resDec,
                p.flagged ? "  *" : "");
  return b;
}

// The night the positions' hours count from: the solved frame's date, a day earlier when its
// alignment time is past midnight (24.x).
struct Night {
  int64_t day = 0;          // 0 h UT of the night's date
  double skyHours = 0.0;    // the solved frame's time in the night's hours
};

bool writeReports(Session& s, const std::string& output, const sky::ReportContext& context,
                  const std::vector<sky::ReportedPosition>& reported) {
  std::string psvHost = hostName(s, output), obsHost = hostName(s, obsName(output));
  if (psvHost.empty() || obsHost.empty()) return false;
  if (!textio::replaceFileAtomically(obsHost, sky::mpc80(context, reported)) ||
      !textio::replaceFileAtomically(psvHost, sky::adesPsv(context, reported))) {
    s.console.line("   error - cannot write " + output + "; no report written");
    return false;
  }
  s.console.line("  ADES report written: " + output);
  s.console.line("  80-column observations written: " + obsName(output));
  return true;
}

// "  leave out flagged positions? [n] : "; true for an answer starting with y.
bool leaveOutFlagged(textio::Console& c) {
  const std::string answer = askText(c, "  leave out flagged positions? [n] : ");
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

// The rms of the residuals of the positions that are not flagged (arcsec).
void keptRms(const std::vector<sky::AstrometricPosition>& positions, double& ra, double& dec) {
  double sumRa = 0.0, sumDec = 0.0;
  size_t n = 0;
  for (const sky::AstrometricPosition& p : positions) {
    if (p.flagged) continue;
    sumRa += p.resRa * p.resRa;
    sumDec += p.resDec * p.resDec;
    ++n;
  }
  if (n == 0) return;
  ra = std::sqrt(sumRa / static_cast<double>(n));
  dec = std::sqrt(sumDec / static_cast<double>(n));
}

}  // namespace

void astrometryCommand(Session& s) {
  textio::Console& c = s.console;
  sky::Site site;
  if (!std::filesystem::exists(sky::kSiteFile)) {
    c.line("   no site.txt yet - the observatory first:");
    siteCommand(s);
  }
  if (!loadSite(s, site)) return;
  Answers a = askAstrometry(s);
  if (a.frame.empty()) return c.line("   error - no frame with the sky solution given; nothing written");
  sky::ReportContext context;
  context.site = site;
  std::string problem;
  if (!sky::parseDesignation(a.designation, context.designation, problem)) {
    return c.line("   error - " + problem + "; nothing written");
  }
  if (std::string e = sky::checkCatalogue(a.catalogue); !e.empty()) return c.line("   error - " + e + "; nothing written");
  context.catalogue = a.catalogue;

  std::string frameHost = frameFile(s, a.frame), cards;
  if (frameHost.empty()) return c.line("   error - cannot find frame " + a.frame + "; nothing written");
  if (!sky::readHeaderCards(frameHost, cards, problem)) {
    return c.line("   error - frame " + a.frame + " cannot be read: " + problem + "; nothing written");
  }
  std::unique_ptr<sky::SkySolution> solution = sky::SkySolution::fromCards(cards, problem);
  if (!solution) return c.line("   error - frame " + a.frame + " has no usable sky solution: " + problem + "; nothing written");
  sky::UtcTime skyTime;
  if (!sky::midExposure(cards, core::dateOrderOf(s.state.camera.dateOrder), skyTime, problem)) {
    return c.line("   error - frame " + a.frame + ": " + problem + "; nothing written");
  }
  align::FrameLookup skyEntry = align::findFrame(s.state.alignment, a.frame);
  Night night{skyTime.day, skyTime.seconds / 3600.0};
  if (skyEntry.found && skyEntry.time >= 24.0f) night.day -= 1, night.skyHours += 24.0;
  FiducialToFrame toFrame = frameTransform(s, skyEntry);

  bool ok = false;
  std::string positionsHost = hostName(s, a.positions);
  std::string text = positionsHost.empty() ? "" : readText(positionsHost, ok);
  if (!ok) return c.line("   error - cannot open positions file " + a.positions + "; nothing written");
  std::vector<sky::MeasuredPosition> measured;
  if (!sky::readPositions(text, measured, problem)) {
    return c.line("   error - positions file " + a.positions + ": " + problem + "; nothing written");
  }

  std::vector<sky::AstrometricPosition> positions;
  int untimed = 0;
  for (const sky::MeasuredPosition& m : measured) {
    sky::AstrometricPosition p;
    p.measured = m;
    p.time = sky::normalised(night.day, m.hours * 3600.0);
    std::string host = m.frame.empty() ? "" : frameFile(s, m.frame), frameCards, why;
    sky::UtcTime t;
    if (!host.empty() && sky::readHeaderCards(host, frameCards, why) &&
        sky::midExposure(frameCards, core::dateOrderOf(s.state.camera.dateOrder), t, why)) {
      p.time = t;
    } else if (!m.frame.empty()) {
      ++untimed;
    }
    double hours = (static_cast<double>(p.time.day - night.day) * 86400.0 + p.time.seconds) / 3600.0;
    if (std::fabs(hours - night.skyHours) > 24.0 || std::fabs(hours - m.hours) > 1.0) {
      return c.line("   error - the time of line " + std::to_string(m.line) + " of " + a.positions +
                    " is outside the night of " + a.frame + "; nothing written");
    }
    double u = 0.0, v = 0.0;
    toFrame.apply(m.u, m.v, u, v);
    if (!solution->toSky(u, v, p.sky)) {
      return c.line("   error - line " + std::to_string(m.line) + " has no sky position; nothing written");
    }
    positions.push_back(p);
  }

  sky::LinearPath line;
  ModelPath model(s.state.paths.model1);
  bool useModel = modelLoaded(s.state.paths.model1);
  if (!useModel && !sky::fitLinearPath(measured, line)) {
    return c.line("   error - at least two positions at different times are needed; nothing written");
  }
  sky::ResidualRms rms;
  if (!sky::residuals(*solution, useModel ? static_cast<const sky::PathFunction&>(model) : line, positions, rms)) {
    return c.line("   error - the path leaves the sky solution; nothing written");
  }
  c.line("  sky solution " + solution->projection() + " (" + solution->system() + ") of " + a.frame +
         (useModel ? "; residuals against path model 1" : "; residuals against a straight line (no path model)"));
  if (untimed > 0) {
    c.line("   warning - " + std::to_string(untimed) + " frames not found: their times are the positions file's");
  }
  c.line("  frame                UTC (mid-exposure)         RA (J2000)    Dec (J2000)   dRA\"   dDec\"");
  int flagged = 0;
  for (const sky::AstrometricPosition& p : positions) {
    c.line(positionLine(p));
    flagged += p.flagged ? 1 : 0;
  }
  char b[160];
  std::snprintf(b, sizeof b, "  rms of the residuals (arcsec): RA %.3f  Dec %.3f  total %.3f  (%zu positions)", rms.ra,
                rms.dec, rms.total, positions.size());
  c.line(b);
  if (flagged > 0) c.line("  * residual above 3 x rms: " + std::to_string(flagged) + " positions (drop them by hand if they are bad)");
  const bool leaveOut = flagged > 0 && leaveOutFlagged(c);
  context.rmsRa = rms.ra, context.rmsDec = rms.dec;
  if (leaveOut) keptRms(positions, context.rmsRa, context.rmsDec);
  std::vector<sky::ReportedPosition> reported;
  for (const sky::AstrometricPosition& p : positions)
    if (!leaveOut || !p.flagged) reported.push_back({p.time, p.sky});
  if (leaveOut) {
    c.line("  " + std::to_string(flagged) + " flagged positions left out; the report's rms is that of the " +
           std::to_string(reported.size()) + " kept");
  }
  writeReports(s, a.output, context, reported);
}

}  // namespace app
