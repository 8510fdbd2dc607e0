// Batch calibration: every frame of filelist.txt is loaded, corrected with the dark in
// workspace 2 and the flat in workspace 3, searched for stars and saved. A frame that
// cannot be loaded is never processed, so no empty "corrected" frame is ever written.
#include "calib/batch_calibration.h"

#include <sstream>

#include "calib/flat_field.h"
#include "calib/star_finding.h"
#include "image/batch_frames.h"
#include "image/file_list.h"
#include "image/file_names.h"
#include "image/fits_load.h"
#include "image/fits_save.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/progress.h"
#include "textio/paths.h"

namespace calib {

bool StarListOutput::create(const std::string& hostPath) {
  close();
  auto f = std::make_unique<std::ofstream>(hostPath, std::ios::binary | std::ios::trunc);
  if (!*f) return false;
  out_ = std::move(f);
  return true;
}

void StarListOutput::close() {
  if (out_) {
    out_->flush();
    out_.reset();
  }
}

namespace {

constexpr const char* kStarList = "stars.lst";

enum class Calibration { Dark, Flat };

// The size of a frame in pixels (along a row, rows).
struct FrameSize {
  int32_t nx = 0;
  int32_t ny = 0;
  bool operator==(const FrameSize&) const = default;
};

std::string sizeText(FrameSize f) { return std::to_string(f.nx) + " x " + std::to_string(f.ny); }

// The sizes of the dark in workspace 2 and the flat in workspace 3, as each was loaded (or,
// for a workspace kept as it was, the size of the workspaces when the command began).
struct CalibrationSizes {
  FrameSize dark;
  FrameSize flat;
};

// Asks for the dark or the flat and loads it (dark: raw type into workspace 2; flat: dark-
// corrected type into workspace 3). With `blankKeeps` a blank answer keeps the workspace as
// it is. False, after a message, when a named frame cannot be loaded.
bool loadCalibration(BatchTables& t, Calibration which, bool blankKeeps, CalibrationSizes& sizes,
                     std::string* loadedName = nullptr) {
  const bool isDark = which == Calibration::Dark;
  FrameSize& size = isDark ? sizes.dark : sizes.flat;
  size = FrameSize{t.ws.nx, t.ws.ny};
  std::string name = image::answerName(
      t.console, isDark ? "   file to subtract (dark frame): " : "   normalising file (flat frame): ");
  if (blankKeeps && textio::isBlank(name)) return true;
  image::strip(t.console, t.settings, name);
  bool loaded = false;
  if (image::baseNameFits(t.console, name)) {
    name = textio::fixed(name, 20);
    if (isDark) {
      image::setraw(t.console, t.settings);
      loaded = image::load2(t.console, t.settings, t.camera, t.ws, name, image::Combine::Replace, 1.0f, 0, 0);
    } else {
      image::setdrk(t.console, t.settings);
      loaded = image::load3(t.console, t.settings, t.camera, t.ws, name, image::Combine::Replace, 1.0f, 0, 0);
    }
  }
  if (!loaded) {
    t.console.line(isDark ? "   dark frame not loaded: no file processed" : "   flat frame not loaded: no file processed");
  } else if (loadedName) {
    *loadedName = std::string(textio::trimRight(name));
  }
  size = FrameSize{t.ws.nx, t.ws.ny};
  return loaded;
}

// Creates stars.lst in the working path and makes it the star position list file.
bool createStarList(BatchTables& t, StarListOutput& stars) {
  stars.close();
  t.settings.starListFile = textio::fixed(kStarList, 20);
  std::string full;
  if (!textio::adpath(t.console, t.settings.workingPath, kStarList, full)) return false;
  if (!stars.create(textio::hostPath(full))) {
    t.console.line("   error - cannot create star position list file " + std::string(textio::trimRight(full)));
    return false;
  }
  return true;
}

void printExplanation(textio::Console& console, const char* first) {
  console.line(first);
  console.line("   the flat file must have been dark corrected already, i.e. this ");
  console.line("   command calculates: (data-dark)*[average flat pixel]/[flat pixel]");
  console.line("   flat pixels<0.3 average are flagged as bad and set to zero");
}

// What happens to each frame of the list once it is loaded into workspace 1.
enum class Work { Correct, CorrectAndFind, FindOnly };

// The dark and the flat of a correction, as their HISTORY cards name them.
struct CalibrationNames {
  std::string dark = "(the dark in workspace 2)", flat = "(the flat in workspace 3)";
};

constexpr const char* kDarkHistory = "pelm: dark subtracted: ";

bool alreadyCorrected(const image::Workspaces& ws) {
  for (const std::string& c : ws.headerCards) {
    if (c.empty() || c[0] == 'x') break;
    if (c.compare(0, 8, "HISTORY ") == 0 && c.compare(8, std::string(kDarkHistory).size(), kDarkHistory) == 0) return true;
  }
  return false;
}

// The header record of a corrected frame: the dark, the flat and its mean.
void recordCorrection(image::Workspaces& ws, const CalibrationNames& names, const FlatMean& flat) {
  ws.derived = image::DerivedHeader{};
  ws.derived.history = {kDarkHistory + names.dark,
                        "pelm: flat-field corrected with " + names.flat + " (its mean " +
                            std::string(textio::trim(textio::fmtF(flat.mean, 14, 2))) + ")"};
  ws.derived.basis = ws.headerCards;
}

// True when findst has a sky estimate for workspace 1 (worked out without a word).
bool hasSkyEstimate(const BatchTables& t) {
  std::istringstream noKeys;
  std::ostringstream unseen;
  textio::Console quiet(noKeys, unseen);
  return estsky(quiet, t.settings, t.ws).has_value();
}

// The file type a frame of the list is loaded with.
void setLoadType(textio::Console& console, core::Settings& settings, Work work) {
  if (work == Work::FindOnly) {
    image::setflt(console, settings);
  } else {
    image::setraw(console, settings);
  }
}

// Works through filelist.txt: for each name, workspace 1 cleared and the frame added into it,
// then corrected, searched and saved as `work` says. Returns the last frame name worked on.
// With more than one thread the next frame of the list is read while this one is worked on
// and the one before is written; what is printed and written stays the same.
std::string processList(BatchTables& t, Work work, StarListOutput* stars, const CalibrationSizes& sizes,
                        const CalibrationNames& names = {}) {
  std::string last(20, ' ');
  image::FileList list;
  if (!list.open(t.console, t.settings)) return last;
  FlatMean flat;
  if (work != Work::FindOnly) flat = flatMean(t.ws);
  const image::Overlap overlap = image::batchOverlap();
  image::FrameWriter writer(t.console, overlap);
  image::FrameReader reader(overlap);
  // The star list is written as the batch goes: never read ahead as a frame.
  std::string starsHost;
  if (std::string full; stars != nullptr && textio::adpath(t.console, t.settings.workingPath, kStarList, full)) {
    starsHost = textio::hostPath(full);
  }
  std::string name, listedNext;
  bool readNext = false, listedNextOk = false;
  uint64_t readMark = 0;
  for (int32_t k = 1; k <= list.count(); ++k) {
    t.console.line("");
    t.console.prompt(textio::Line("   enter file").i(k, 4).a(" to process: ").str());
    const bool listed = readNext ? (name = listedNext, listedNextOk) : list.next(name);
    readNext = false;
    if (!listed) break;
    textio::showProgress(work == Work::FindOnly ? "s" : work == Work::Correct ? "dfc" : "dfs", k, list.count());
    // Workspace 1 cleared and the frame added into it; the clearing is done by the load
    // itself, which skips the places the frame replaces.
    const size_t pending = image::initLater(t.console, t.ws);
    setLoadType(t.console, t.settings, work);
    image::FrameAhead ahead = reader.take(name);
    // A file written since it was read ahead is loaded from the file once the write is done.
    const bool stale =
        !ahead.host().empty() && (ahead.host() == starsHost || writer.wroteSince(readMark, ahead.host()));
    // Workspace 1 is written out from until the write is done.
    writer.finish();
    const bool loaded = stale ? image::loadCleared(t.console, t.settings, t.camera, t.ws, name, pending)
                              : image::loadClearedAhead(t.console, t.settings, t.camera, t.ws, name, pending, ahead);
    reader.giveBack(std::move(ahead));
    if (reader.active() && k < list.count()) {
      listedNextOk = list.next(listedNext);
      readNext = true;
      if (listedNextOk) {
        core::Settings next = t.settings;
        std::istringstream noKeys;
        std::ostringstream unseen;
        textio::Console quiet(noKeys, unseen);
        setLoadType(quiet, next, work);
        readMark = writer.finished();
        reader.request(next, t.camera, listedNext, t.ws.capacity());
      }
    }
    if (!loaded) continue;
    if (work == Work::FindOnly) {
      if (findst(t.console, t.settings, t.ws, name, stars->stream()) >= 0) last = name;
      continue;
    }
    // A dark or flat of another size would be read with the frame's row length: refused.
    if (const FrameSize frame{t.ws.nx, t.ws.ny}; frame != sizes.dark || frame != sizes.flat) {
      t.console.line("   " + std::string(textio::trimRight(name)) + " is " + sizeText(frame) +
                     " pixels but the dark is " + sizeText(sizes.dark) + " and the flat " +
                     sizeText(sizes.flat) + ": frame skipped, nothing saved");
      continue;
    }
    if (flat.nx != t.ws.nx || flat.ny != t.ws.ny) flat = flatMean(t.ws);
    if (alreadyCorrected(t.ws)) {
      t.console.line("   warning - " + std::string(textio::trimRight(name)) +
                     " already carries pelm's dark and flat correction; it is corrected again");
    }
    dfsub(t.console, t.ws, flat);
    recordCorrection(t.ws, names, flat);
    image::stripx(name);
    image::setflt(t.console, t.settings);
    std::string out = image::rename(t.settings, name);
    const image::SaveOptions saving{t.saved, false};
    // The frame is written while its stars are found, when it will be saved: findst finds them
    // whenever the frame has a sky estimate.
    if (work == Work::Correct || hasSkyEstimate(t)) (void)writer.start(t.settings, t.camera, t.ws, out, saving);
    // A frame without a sky estimate (narrower than the sky grid) is skipped: no stars, no save.
    if (work == Work::CorrectAndFind && findst(t.console, t.settings, t.ws, out, stars->stream()) < 0) continue;
    writer.save(t.settings, t.camera, t.ws, out, saving);
    last = out;
  }
  writer.finish();
  textio::showProgress("", list.count(), list.count());
  return last;
}

}  // namespace

std::string dfc(BatchTables t) {
  printExplanation(t.console, "   dark and flat correct files ");
  CalibrationSizes sizes;
  CalibrationNames names;
  if (!loadCalibration(t, Calibration::Dark, false, sizes, &names.dark)) return std::string(20, ' ');
  if (!loadCalibration(t, Calibration::Flat, false, sizes, &names.flat)) return std::string(20, ' ');
  (void)image::gflist(t.console, t.settings);
  std::string last = processList(t, Work::Correct, nullptr, sizes, names);
  t.console.line("");
  return last;
}

std::string dfs(BatchTables t, StarListOutput& stars) {
  printExplanation(t.console, "   dark and flat correct files and find stars");
  if (!createStarList(t, stars)) return std::string(20, ' ');
  CalibrationSizes sizes;
  CalibrationNames names;
  if (!loadCalibration(t, Calibration::Dark, true, sizes, &names.dark)) return std::string(20, ' ');
  if (!loadCalibration(t, Calibration::Flat, true, sizes, &names.flat)) return std::string(20, ' ');
  (void)image::gflist(t.console, t.settings);
  return processList(t, Work::CorrectAndFind, &stars, sizes, names);
}

std::string starsOnly(BatchTables t, StarListOutput& stars) {
  t.console.line("   find stars in files which have already been dark and flat corrected");
  t.console.line("   (i.e. dfs without the df)");
  if (!createStarList(t, stars)) return std::string(20, ' ');
  (void)image::gflist(t.console, t.settings);
  t.console.line("   returned from gflist...");
  return processList(t, Work::FindOnly, &stars, CalibrationSizes{});
}

}  // namespace calib
