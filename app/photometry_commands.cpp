// Photometry over the file list.
#include "app/photometry_commands.h"

#include <fstream>
#include <memory>

#include "align/alignment_table.h"
#include "app/photometry_flags.h"
#include "app/working_path.h"
#include "image/file_list.h"
#include "image/file_names.h"
#include "image/fits_load.h"
#include "phot/phot_frame.h"
#include "phot/star_data.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/progress.h"

namespace app {

namespace {

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

bool isPsfRun(const InterpreterSettings& in) {
  return in.apertureType == "psf " || in.apertureType == "psfa";
}

void skyHeader(Session& s) {
  const phot::StarData& sd = s.state.starData;
  textio::Console& c = s.console;
  if (sd.skyOffsetU[1][1] < -1000.0f) {
    c.logLine(" " + quoted("automatic sky subtraction"));
    c.logLine(textio::Line(" ").a(quoted("skybox = ")).a(",").i(s.state.settings.skyBox, 4));
    return;
  }
  for (int k = 1; k <= sd.photStarCount; ++k) {
    c.logLine(" " + quoted("sky subtraction at specified positions"));
    c.logLine(textio::Line(" ").a(quoted("radius of sky patches = ")).a(",").f(s.state.settings.skyApertureRadius, 5, 1));
    for (int j = 1; j <= phot::kSkySpots; ++j) {
      if (sd.skyOffsetU[k][j] < -1000.0f) continue;
      c.logLine(textio::Line(" object ").a(sd.starLabels[k], 5).a("  sky ").f(sd.skyOffsetU[k][j], 6, 1)
                    .x(1).f(sd.skyOffsetV[k][j], 6, 1));
    }
  }
}

// The header of the photometry output file, written to the log before the first frame.
void logHeader(Session& s) {
  const phot::StarData& sd = s.state.starData;
  const InterpreterSettings& in = s.state.interp;
  textio::Console& c = s.console;
  c.logLine("\" \"");
  for (int k = 1; k <= sd.photStarCount; ++k) {
    c.logLine(textio::Line(" ").a(quoted(sd.starLabels[k])).a(",").a(quoted(sd.starLabels[k])).a(",")
                  .f(sd.photStarU[k], 7, 2).a(",").f(sd.photStarV[k], 7, 2));
  }
  c.logLine("\" \"");
  skyHeader(s);
  c.logLine(" ");
  c.logLine(quoted(in.outputFormat == 1 ? "output format : ssssssssssbbbbbbbbbb"
                                        : "output format : sssssssssseeeeeeeeee"));
  c.logLine(" ");
  if (in.apertureType == "opti") c.logLine(" " + quoted("optimal extraction"));
  if (in.apertureType == "soft") {
    c.logLine(textio::Line(" ").a(quoted("soft aperture; radius = ")).f(s.state.settings.apertureRadius, 5, 2));
  }
  if (in.apertureType == "hard") c.logLine(" " + quoted("hard square aperture, 5 pixels on a side"));
  c.logLine(" ");
  c.logLine(" " + quoted("start of data"));
  std::string titles = " \"y\",\"m\",\"d\",\"time\"";
  for (int twice = 0; twice < 2; ++twice)
    for (int k = 1; k <= phot::kPhotSlots; ++k) titles += "," + quoted(sd.starLabels[k]);
  c.logLine(titles);
}

void psfTableHeader(Session& s, std::ostream& out) {
  const phot::StarData& sd = s.state.starData;
  std::string first = " \"image\",\"time\"";
  for (int twice = 0; twice < 2; ++twice)
    for (int k = 1; k <= phot::kPhotSlots; ++k) first += "," + quoted(sd.starLabels[k]);
  std::string second = " \"     \",\"    \"";
  for (int k = 0; k < 10; ++k) second += ",\"fwhmNS\"";
  for (int k = 0; k < 10; ++k) second += ",\"fwhmEW\"";
  std::string third = " \"     \",\"    \"";
  for (int k = 0; k < 20; ++k) third += ",\"pixel\"";
  out << first << '\n' << second << '\n' << third << '\n';
}

// The mean PSF shape of a frame from stars.psf; false (frame skipped) when the file or the
// frame's block is missing or the block holds no star line.
bool lookUpPsf(Session& s, const std::string& frame, float& r0psf, float& ellip) {
  textio::Console& c = s.console;
  c.prompt("   looking up stars.psf...");
  s.state.settings.starListFile = textio::fixed("stars.psf", 20);
  std::ifstream in(hostName(s, "stars.psf"), std::ios::binary);
  if (!in) {
    c.line("");
    c.line("   error - cannot open stars.psf; frame not measured");
    return false;
  }
  std::string line;
  bool found = false;
  while (!found && std::getline(in, line)) {
    const std::string text(textio::dropCr(line));
    found = text.size() > 17 && textio::fixed(text.substr(17), 20) == frame;
  }
  if (!found) {
    c.line("");
    c.line("   frame not found in stars.psf; frame not measured");
    return false;
  }
  for (int k = 0; k < 3 && std::getline(in, line); ++k) {}
  double sumR = 0.0, sumE = 0.0;
  int n = 0;
  std::vector<double> v;
  c.line("");
  while (std::getline(in, line) && textio::readReals(textio::dropCr(line), 5, v) && v[0] <= 9990.0) {
    sumR += static_cast<float>(v[3]);
    sumE += static_cast<float>(v[4]);
    n += 1;
    c.line(textio::Line("          r0psf, ellip =").f(v[3], 5, 2).x(1).f(v[4], 5, 2));
  }
  if (n == 0) {
    c.line("   no PSF star lines for this frame in stars.psf; frame not measured");
    return false;
  }
  r0psf = static_cast<float>(sumR / n);
  ellip = static_cast<float>(sumE / n);
  c.line(textio::Line("     mean r0psf, ellip =").f(r0psf, 5, 2).x(1).f(ellip, 5, 2));
  return true;
}

struct PsfFiles {
  std::unique_ptr<std::ofstream> list, table;
};

bool openPsfFiles(Session& s, PsfFiles& files) {
  phot::keepsf(s.console, s.state.alignment, s.state.starData, "", phot::PsfSums::Clear, 0.0f, 0.0f);
  const bool single = s.state.settings.fileCount == 1;
  const std::string listName = single ? "stars1.psf" : "stars.psf";
  const std::string tableName = single ? "starspsf1.txt" : "starspsf.txt";
  s.state.settings.starListFile = textio::fixed(listName, 20);
  files.list = std::make_unique<std::ofstream>(hostName(s, listName), std::ios::binary | std::ios::trunc);
  files.table = std::make_unique<std::ofstream>(hostName(s, tableName), std::ios::binary | std::ios::trunc);
  if (!*files.list || !*files.table) {
    s.console.line("   error - cannot create the PSF files " + listName + " and " + tableName);
    return false;
  }
  psfTableHeader(s, *files.table);
  if (s.state.settings.verbosity >= 6) s.console.line(listName);
  return true;
}

// The frame's offsets, or false (after the message) when it is not to be measured.
bool acceptFrame(Session& s, const std::string& name, int32_t count, align::FrameLookup& f,
                 int32_t& psfWeighting) {
  f = phot::getfid(s.console, s.state.alignment, name, s.state.ws.frameTime);
  if (f.fwhm > s.state.interp.fwhmLimit) {
    s.console.line("   error - PSF too wide");
    return false;
  }
  if (f.du <= 9998.0f) return true;
  if (count > 1) {
    s.console.line("   " + std::string(textio::trimRight(name)) + ":    error - no alignment");
    return false;
  }
  s.console.line(" ");
  s.console.prompt("   process image without alignment ? Y/N [Y] ");
  const char a = s.console.answerChar();
  if (a == 'n' || a == 'N') return false;
  f.du = f.dv = f.rotation = 0.0f;
  psfWeighting = 0;
  return true;
}

void measureList(Session& s, image::FileList& list, PsfFiles& files, RunFlags& flags, int32_t& psfWeighting) {
  State& st = s.state;
  phot::PhotTables tables = photTables(s);
  const phot::PhotOptions options = photOptions(st.interp);
  // Each frame is measured at a few places only: its tiles are decoded as they are read, and
  // whatever is left of the last frame when the batch ends, however it ends.
  struct SettleAtEnd {
    image::Workspaces& ws;
    ~SettleAtEnd() { ws.deferred.settle(); }
  } settleAtEnd{st.ws};
  std::string name;
  for (int k = 1; list.next(name); ++k) {
    textio::showProgress("photometry", k, list.count());
    align::FrameLookup f;
    if (!acceptFrame(s, name, list.count(), f, psfWeighting)) continue;
    if (!image::loadDeferred(s.console, st.settings, st.camera, st.ws, name)) continue;
    float r0psf = 0.0f, ellip = 0.0f;
    if (options.apertureType == "opti" && !lookUpPsf(s, name, r0psf, ellip)) continue;
    const phot::PhotResults r = phot::phot(tables, name, f.du, f.dv, f.rotation, options, r0psf, ellip,
                                           psfWeighting, files.list.get(), files.table.get());
    flags.record(s, name, f, r);
  }
  textio::showProgress("photometry", list.count(), list.count());
}

}  // namespace

phot::PhotTables photTables(Session& s) {
  State& st = s.state;
  return {s.console, st.settings, st.camera, st.ws, st.alignment,
          st.starData, st.paths.model1, st.psfModel, st.skySamples};
}

phot::PhotOptions photOptions(const InterpreterSettings& in) {
  phot::PhotOptions options;
  options.logOn = in.logOn;
  options.apertureType = in.apertureType;
  options.markSky = in.markSky;
  options.outputFormat = in.outputFormat;
  options.psfZeroRadius = in.psfZeroRadius;
  return options;
}

void photometryCommand(Session& s) {
  phot::setpht(s.console, s.state.starData, phot::StarListUse::Photometry);
  (void)align::alload(s.console, s.state.settings.workingPath, s.state.alignment);
  photfilesCommand(s);
}

void psffilesCommand(Session& s) {
  phot::setpht(s.console, s.state.starData, phot::StarListUse::PsfRun);
  s.state.interp.apertureType = "psf ";
  (void)align::alload(s.console, s.state.settings.workingPath, s.state.alignment);
  photfilesCommand(s);
}

void psffilesalCommand(Session& s) {
  phot::setpht(s.console, s.state.starData, phot::StarListUse::PsfRun);
  s.state.interp.apertureType = "psfa";
  (void)align::alload(s.console, s.state.settings.workingPath, s.state.alignment);
  photfilesCommand(s);
}

void photfilesCommand(Session& s) {
  int32_t psfWeighting = 1;
  if (s.state.interp.logOn == 1) {
    logHeader(s);
  } else {
    s.console.line("   note - the log is closed: the photometry records go to the console only (log opens it)");
  }
  image::setflt(s.console, s.state.settings);
  (void)image::gflist(s.console, s.state.settings);
  image::FileList list;
  if (!list.open(s.console, s.state.settings)) return;
  PsfFiles files;
  if (isPsfRun(s.state.interp) && !openPsfFiles(s, files)) return;
  RunFlags flags;
  flags.start(s);
  measureList(s, list, files, flags, psfWeighting);
  flags.finish(s);
  if (psfWeighting == 0) {
    s.console.line("   weighting (according to variance) turned back ON for PSF fitting");
    s.console.line(" ");
  }
}

}  // namespace app
