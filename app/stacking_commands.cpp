// Frame averaging and stacking over the file list, and the object-path file.
#include "app/stacking_commands.h"

#include <algorithm>
#include <cmath>

#include "align/alignment_table.h"
#include "app/frame_times.h"
#include "app/working_path.h"
#include "calib/pixel_ops.h"
#include "image/file_list.h"
#include "image/file_names.h"
#include "image/batch_frames.h"
#include "image/fits_load.h"
#include "motion/path_model.h"
#include "phot/path_photometry.h"
#include "phot/star_data.h"
#include "results/time_scales.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/progress.h"
#include "textio/value_ranges.h"

namespace app {

namespace {

void zeroAccumulators(Settings& set) {
  set.stackTimeSum = 0.0f;
  set.stackPsfRSum = 0.0f;
  set.stackPsfESum = 0.0f;
  set.stackCount = 0;
}

void clearWorkspace1(Session& s) { image::init(s.console, s.state.ws); }

// Adds the time and PSF of every alignment entry of the frame to the accumulators.
void accumulate(Session& s, const std::string& name) {
  std::string key = align::stripType(name);
  Settings& set = s.state.settings;
  const int span = s.state.alignment.span();
  for (int d = 1; d <= span; ++d) {
    const align::AlignmentEntry& e = s.state.alignment.entries[d];
    if (e.name != key) continue;
    set.stackTimeSum += e.time;
    set.stackPsfRSum += s.state.starData.framePsfR[d];
    set.stackPsfESum += s.state.starData.framePsfE[d];
    set.stackCount += 1;
  }
}

// Closes a stack: the mean of the frames added, the averages of the accumulators.
// A stack without frames is reported and left at zero.
void closeStack(Session& s, float added) {
  Settings& set = s.state.settings;
  if (added < 0.5f) {
    s.console.line("   error - no frames stacked");
    zeroAccumulators(set);
    return;
  }
  calib::multip(s.state.ws, 1.0f / added);
  s.console.line(textio::Line("   total number of files stacked =").i(calib::roundHalfAway(added), 4));
  set.stackTimeSum /= added;
  set.stackPsfRSum /= added;
  set.stackPsfESum /= added;
}

void measurePartialStack(Session& s) {
  (void)phot::spa(s.console, s.state.settings, s.state.ws, s.state.paths.model1, s.state.psfModel,
                  s.state.interp.psfZeroRadius, s.state.camera.gain, s.state.objectPath.get());
}

void printAverages(Session& s) {
  const Settings& set = s.state.settings;
  s.console.line(textio::Line("                    average time = ").f(set.stackTimeSum, 6, 3));
  s.console.line(textio::Line("          average psf model(r,e) = ")
                     .f(set.stackPsfRSum, 5, 2)
                     .x(1)
                     .f(set.stackPsfESum, 5, 2));
}

// The alignment table reloaded, the accumulators zeroed; false when there is no alignment data.
bool prepareAlignment(Session& s) {
  align::alload(s.console, s.state.settings.workingPath, s.state.alignment);
  zeroAccumulators(s.state.settings);
  return align::altest(s.console, s.state.alignment);
}

bool openFileList(Session& s, image::FileList& list) {
  image::gflist(s.console, s.state.settings);
  image::setflt(s.console, s.state.settings);
  return list.open(s.console, s.state.settings);
}

// The offset of a frame: its alignment entry, refused (false) when it is missing or too wide.
bool frameOffset(Session& s, const std::string& name, align::FrameLookup& f) {
  s.console.line("   getting alignment data for " + name);
  f = phot::getfid(s.console, s.state.alignment, name, s.state.ws.frameTime);
  return f.du <= 9997.0f && f.fwhm <= s.state.interp.fwhmLimit;
}

// The moving object's displacement since the model's zero time (zero with motion off).
motion::PathPosition displacement(Session& s) {
  if (s.state.settings.motionOn != 1) return {};
  return motion::movuv(s.state.paths.model1, s.state.ws.frameTime);
}

// The frames that went into workspace 1, for the header it is saved with: their number,
// the sum of their exposures, and the span and mean of their mid-exposure times (from their
// own headers).
struct Combined {
  int32_t frames = 0, timed = 0;
  double exposure = 0.0, first = 0.0, last = 0.0, midSum = 0.0;
  std::string firstName, lastName;

  void add(Session& s, const std::string& name) {
    std::string shown(textio::trim(name));
    if (frames++ == 0) firstName = shown;
    lastName = shown;
    results::FrameStamp st;
    if (!frameLookup(s)(shown, st)) return;
    double mid = st.mid.jd(), half = 0.5 * st.exposure / 86400.0;
    if (timed++ == 0) first = mid - half, last = mid + half;
    first = std::min(first, mid - half), last = std::max(last, mid + half);
    exposure += st.exposure;
    midSum += mid;
  }

  // Workspace 1's derived header: `how` says how the frames were combined.
  void record(Session& s, const std::string& how) const {
    image::Workspaces& ws = s.state.ws;
    ws.derived = image::DerivedHeader{};
    if (frames == 0) return;
    ws.derived.history.push_back("pelm: " + how + " of " + std::to_string(frames) + " frames, " + firstName + " to " +
                                 lastName);
    if (s.state.settings.motionOn == 1 && how != "average") {
      ws.derived.history.emplace_back("pelm: shifted with the moving object along path model 1");
    }
    ws.derived.combined = true;
    ws.derived.ncombine = frames;
    ws.derived.exposure = exposure;
    if (timed > 0) {
      double mid = 0.5 * (first + last);
      ws.derived.dateObs = results::isoUtc({std::floor(mid), mid - std::floor(mid)});
      double mean = midSum / timed;
      ws.derived.dateAvg = results::isoUtc({std::floor(mean), mean - std::floor(mean)});
      if (timed < frames) ws.derived.history.emplace_back("pelm: times and exposures of " + std::to_string(timed) +
                                                          " of the frames (the others could not be read)");
    }
    ws.derived.basis = ws.headerCards;
  }
};

// After a frame is added: the accumulators, and a partial stack closed when it is full.
void afterFrame(Session& s, const std::string& name, float& added) {
  accumulate(s, name);
  Settings& set = s.state.settings;
  if (set.stackCount < set.maxStack) return;
  closeStack(s, added);
  measurePartialStack(s);
  zeroAccumulators(set);
  added = 0.0f;
  clearWorkspace1(s);
}

// The end of the list: a limited stack leaves the rest summed; otherwise the closing lines.
void finishStack(Session& s, float added) {
  if (s.state.settings.maxStack < 9999) return;
  closeStack(s, added);
  if (added >= 0.5f) printAverages(s);
}

// The frames of a list read one ahead on a thread of their own (with more than one thread):
// the next name is taken from the list and its frame read while the current one is added.
class ListAhead {
 public:
  ListAhead(Session& s, image::FileList& list) : s_(s), list_(list), reader_(image::batchOverlap()) {}

  // The next name of the list (false at its end), its frame read ahead for loading into
  // `workspace`, and the reading of the one after started for `nextWorkspace`.
  bool next(std::string& name, int workspace, int nextWorkspace) {
    if (haveNext_) {
      haveNext_ = false;
      name = next_;
      if (!nextListed_) return false;
    } else if (!list_.next(name)) {
      return false;
    }
    frame_ = reader_.take(name, workspace);
    if (reader_.active()) {
      nextListed_ = list_.next(next_);
      haveNext_ = true;
      if (nextListed_) {
        reader_.request(s_.state.settings, s_.state.camera, next_, s_.state.ws.capacity(), nextWorkspace);
      }
    }
    return true;
  }

  // load or load2 of the name next gave, from the frame read ahead when there is one.
  bool load(const std::string& name, image::Combine combine, float factor, int32_t i, int32_t j, int workspace) {
    const bool loaded = image::loadAhead(s_.console, s_.state.settings, s_.state.camera, s_.state.ws, name, combine,
                                         factor, i, j, workspace, frame_);
    reader_.giveBack(std::move(frame_));
    return loaded;
  }

 private:
  Session& s_;
  image::FileList& list_;
  image::FrameReader reader_;
  image::FrameAhead frame_;
  std::string next_;
  bool haveNext_ = false, nextListed_ = false;
};

}  // namespace

void avfiles(Session& s) {
  clearWorkspace1(s);
  s.console.line("   average files without offset");
  image::gflist(s.console, s.state.settings);
  image::setraw(s.console, s.state.settings);
  image::FileList list;
  if (!list.open(s.console, s.state.settings)) return;
  clearWorkspace1(s);
  int32_t count = std::max(list.count(), 1);
  float factor = 1.0f / static_cast<float>(count);
  int loaded = 0, tried = 0;
  std::string name;
  Combined combined;
  ListAhead ahead(s, list);
  while (ahead.next(name, 1, 1)) {
    ++tried;
    if (ahead.load(name, image::Combine::Add, factor, 0, 0, 1)) {
      ++loaded;
      combined.add(s, name);
    }
  }
  combined.record(s, "average");
  if (loaded == tried) return;
  if (loaded == 0) {
    s.console.line("   error - no frame of the list could be loaded");
    return;
  }
  s.console.line(textio::Line("   warning -").i(tried - loaded, 4).a(" of").i(tried, 4)
                     .a(" frames could not be loaded; the average is of the others"));
  calib::multip(s.state.ws, static_cast<float>(count) / static_cast<float>(loaded));
}

void stack(Session& s) {
  if (!prepareAlignment(s)) return;
  clearWorkspace1(s);
  s.console.line("   average files with offset");
  image::FileList list;
  if (!openFileList(s, list) || list.count() == 0) return;
  clearWorkspace1(s);
  float added = 0.0f;
  std::string name;
  Combined combined;
  ListAhead ahead(s, list);
  for (int k = 1; ahead.next(name, 1, 1); ++k) {
    textio::showProgress("stack", k, list.count());
    align::FrameLookup f;
    if (!frameOffset(s, name, f)) continue;
    motion::PathPosition d = displacement(s);
    int32_t i = 0, j = 0;
    calib::round(f.du + d.du, f.dv + d.dv, i, j);
    s.console.line("   adding file " + name);
    if (!ahead.load(name, image::Combine::Add, 1.0f, i, j, 1)) continue;
    added += 1.0f;
    combined.add(s, name);
    afterFrame(s, name, added);
    if (added < 0.5f) combined = Combined{};
  }
  textio::showProgress("stack", list.count(), list.count());
  finishStack(s, added);
  if (s.state.settings.maxStack >= 9999) combined.record(s, "stack (offsets of align.dat)");
}

void rstack(Session& s) {
  clearWorkspace1(s);
  if (!prepareAlignment(s)) return;
  clearWorkspace1(s);
  s.console.line("   average files with offset and rotation ");
  image::FileList list;
  if (!openFileList(s, list)) return;
  clearWorkspace1(s);
  float added = 0.0f;
  std::string name;
  Combined combined;
  image::Workspaces& ws = s.state.ws;
  ListAhead ahead(s, list);
  // After the first frame every frame goes to workspace 2.
  for (int k = 1; ahead.next(name, added < 0.5f ? 1 : 2, 2); ++k) {
    textio::showProgress("rstack", k, list.count());
    align::FrameLookup f;
    if (!frameOffset(s, name, f)) continue;
    s.console.line("   adding file " + name);
    bool loaded = false;
    if (added < 0.5f) {
      loaded = ahead.load(name, image::Combine::Replace, 1.0f, 0, 0, 1);
      if (loaded) {
        image::copy12(s.console, ws);
        clearWorkspace1(s);
      }
    } else {
      loaded = ahead.load(name, image::Combine::Replace, 1.0f, 0, 0, 2);
    }
    if (!loaded) {
      // A frame that is not there is not stacked, and the previous one is not used again.
      std::fill(ws.w2.begin(), ws.w2.end(), 0);
      continue;
    }
    motion::PathPosition d = displacement(s);
    calib::iderot(ws, s.state.camera.pixelSizeX, s.state.camera.pixelSizeY, image::Combine::Add, f.du, f.dv,
                  f.rotation, d.du, d.dv);
    added += 1.0f;
    combined.add(s, name);
    afterFrame(s, name, added);
    if (added < 0.5f) combined = Combined{};
  }
  textio::showProgress("rstack", list.count(), list.count());
  finishStack(s, added);
  if (s.state.settings.maxStack >= 9999) combined.record(s, "stack (offsets and rotations of align.dat)");
}

void loadwithof(Session& s) {
  s.console.prompt(" file to load : ");
  std::string name = s.console.answerText(20);
  std::vector<int32_t> offset = s.console.askInts("    i offset, j offset : ", 2, textio::kCoordinate);
  image::strip(s.console, s.state.settings, name);
  image::setraw(s.console, s.state.settings);
  (void)image::load(s.console, s.state.settings, s.state.camera, s.state.ws, name, image::Combine::Replace,
                    1.0f, offset[0], offset[1]);
}

void openPathFile(Session& s) {
  std::string host = hostName(s, "objectpath.txt");
  auto file = std::make_unique<std::ofstream>(host, std::ios::binary | std::ios::trunc);
  if (host.empty() || !*file) {
    s.console.line("   error - cannot open objectpath.txt");
    return;
  }
  s.state.objectPath = std::move(file);
  s.console.line("   opened objectpath.txt on unit 19");
}

void closePathFile(Session& s) { s.state.objectPath.reset(); }

void astpsfpos(Session& s) { measurePartialStack(s); }

}  // namespace app
