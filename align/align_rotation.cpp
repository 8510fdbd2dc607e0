// Alignment with field rotation: coarse-to-fine trial rotations, pattern matching in
// physical coordinates, smallest rms wins; or the rotation taken from a fitted model.
#include "align/align_rotation.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "align/star_list_reader.h"
#include "core/settings.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/free_format.h"
#include "textio/paths.h"
#include "textio/progress.h"

namespace align {

namespace {


// One pass over the trials centre + k * step, k = -steps..steps; ties keep the earlier trial.
RotationMatch runPass(MatchTables& t, float centre, float step, int steps, float tolerance, bool rejectDoubles,
                      const PixelSizes& px) {
  RotationMatch best;
  for (int k = -steps; k <= steps; ++k) {
    float theta = centre + static_cast<float>(k) * step;
    for (int f = 1; f <= t.fiducialCount; ++f) uvxy(t.fidU[f], t.fidV[f], t.fidX[f], t.fidY[f], theta, px);
    FrameMatch m = matchFrame(t, tolerance, rejectDoubles);
    if (!m.aligned || !(m.rms < best.rms)) continue;
    best.matched = true;
    best.rotation = theta;
    best.rms = m.rms;
    best.du = m.du;
    best.dv = m.dv * px.y / px.x;
  }
  return best;
}

}  // namespace

RotationMatch searchRotation(MatchTables& t, const RotationSearch& search, float tolerance, bool rejectDoubles,
                             const PixelSizes& px) {
  float step = static_cast<float>(search.step);
  RotationMatch result = runPass(t, static_cast<float>(search.centre), step, search.steps, tolerance, rejectDoubles, px);
  for (int pass = 2; pass <= search.passes && result.matched; ++pass) {
    step /= 10.0f;
    RotationMatch finer = runPass(t, result.rotation, step, 20, tolerance, rejectDoubles, px);
    if (!finer.matched) break;
    result = finer;
  }
  if (!result.matched) {
    result = RotationMatch{};
    result.rms = 99.99f;
  }
  return result;
}

namespace {


bool readModel(textio::Console& console, const core::Settings& settings, RotationModel& model) {
  console.line("");
  std::string error;
  std::string host = hostFile(console, settings, "rotate.mdl");
  if (host.empty() || !readRotationModel(host, model, error)) {
    console.line(error.empty() ? "   error - cannot open rotate.mdl" : error);
    console.line("   (align.dat and align.txt are left as they were)");
    console.line("");
    return false;
  }
  console.line(textio::Line("     tzero = ").f(model.t0, 8, 4));
  for (int k = 0; k <= model.order; ++k) {
    console.line(textio::Line("     coefficient of (t-t0)**").i(k, 1).a(" = ").f(model.c[static_cast<size_t>(k)], 8, 5));
  }
  console.line("");
  return true;
}

void loadFrameStars(const FrameBlock& block, MatchTables& t, const PixelSizes& px) {
  t.frameStarCount = static_cast<int>(std::min<size_t>(block.stars.size(), kFrameStarCapacity));
  for (int i = 1; i <= t.frameStarCount; ++i) {
    t.starU[i] = block.stars[static_cast<size_t>(i - 1)].u;
    t.starV[i] = block.stars[static_cast<size_t>(i - 1)].v;
    uvxy(t.starU[i], t.starV[i], t.starX[i], t.starY[i], 0.0f, px);
  }
}

void closingLines(textio::Console& console, const AlignRun& run, bool modelMode, bool written) {
  console.line("");
  console.line(" please remember, don't forget ...");
  console.line("   offset is in sense observed minus fiducial;");
  console.line("   rotation is applied to fiducial frame and");
  console.line("   then offset applied to match observed frame");
  console.line("");
  console.line("   centre of pixel is at u.0, v.0");
  console.line("");
  float percent = run.found > 0 ? 100.0f * static_cast<float>(run.matched) / static_cast<float>(run.found) : 0.0f;
  console.line(textio::Line(" files matched = ")
                   .i(run.matched, 3)
                   .a(" out of ")
                   .i(run.found, 3)
                   .x(5)
                   .f(percent, 6, 1)
                   .a(" percent"));
  console.line("");
  if (written) {
    console.line(" alignment data table written to align.dat");
    console.line(" alignment data table in CSV format written to align.txt");
    if (modelMode) {
      console.line(" observed and fitted rotations, in CSV format, written to rotationfit.txt");
      console.line(" (where observed rotation is that held in previous alignment table)");
    }
  } else if (run.matched == 0) {
    console.line(modelMode ? " no frame matched: align.dat, align.txt and rotationfit.txt are left as they were"
                           : " no frame matched: align.dat and align.txt are left as they were");
  }
  console.line("");
}

// The rotationfit.txt lines of one frame: one per entry of the previous table with its name.
std::string rotationFitLines(const AlignmentTable& previous, const std::string& name, float time, float model) {
  std::string key = stripType(name);
  std::string out;
  const int span = previous.span();
  for (int d = 1; d <= span; ++d) {
    const AlignmentEntry& e = previous.entries[d];
    if (e.name != key) continue;
    out += textio::Line(" \"").a(name, 20).a("\" ,").f(time, 7, 4).a(",").f(e.rotation, 9, 5).a(",").f(model, 9, 5).str();
    out += '\n';
  }
  return out;
}

}  // namespace

AlignRun alignRotation(textio::Console& console, const core::Settings& settings, int32_t cameraNx,
                       int32_t cameraNy, const PixelSizes& px, const AlignmentTable& previous,
                       int frameStars) {
  AlignRun run;
  frameStars = std::clamp(frameStars, 1, kFrameStarCapacity);
  if (!(settings.matchTolerance > 0.0f)) {
    console.line("   error - the matching tolerance must be above 0 (set it with the tolerance command)");
    return run;
  }
  auto tables = std::make_unique<MatchTables>();
  MatchTables& t = *tables;
  if (!readFiducials(console, settings, t,
                     {" reading coordinates of fiducial stars ...", "   error -  cannot open stars.fid", 3})) {
    return run;
  }
  console.prompt("  try to reject double images y/n [y] ");
  bool rejectDoubles = console.answerChar() != 'n';
  console.line("");
  console.line(" do you wish to ");
  console.line("   [1] determine du, dv and rotation from scratch -or-");
  console.line("   [2] obtain rotation from model and just re-determine du and dv ?");
  console.line("       (first fit a polynomial to the rotation data with command=fitrot)");
  console.prompt("  enter choice [1]: ");
  bool modelMode = console.answerChar() == '2';
  RotationModel model;
  bool anyOrientation = false;
  if (modelMode) {
    if (!readModel(console, settings, model)) return run;
  } else {
    console.line("");
    console.line(" do you wish to ");
    console.line("   [1] assume successive frames are within 5 degrees of each other");
    console.line("   [2] allow frames to have any orientation");
    console.prompt("  enter choice [1]: ");
    anyOrientation = console.answerChar() == '2';
  }
  console.line("");
  console.line("  file                 time      du      dv      rotate    fwhm     sky   rms");
  console.line("                                                 degree   ");
  std::ifstream list;
  if (!openStarList(console, settings, list)) return run;
  const float baseStep = settings.matchTolerance * 17.19f / static_cast<float>(std::max({cameraNx, cameraNy, 1}));
  std::string dat, csv, fit;
  StarListReader reader(list, frameStars);
  FrameBlock block;
  float previousTime = 0.0f;
  float lastMatched = 0.0f;
  for (;;) {
    BlockRead got = reader.next(block);
    if (got == BlockRead::End) break;
    ++run.found;
    textio::showProgress("alignr", run.found, 0);
    if (got == BlockRead::Truncated) {
      if (reader.problemLine() > 0) {
        console.line(textio::Line("    error - cannot read line").i(reader.problemLine(), 7).a(" of ")
                         .a(textio::trimRight(settings.starListFile)).a("; alignment ends there"));
      }
      break;
    }
    loadFrameStars(block, t, px);
    int32_t fwhm = frameFwhm(block);
    float time = block.time;
    if (previousTime > time) time += 24.0f;
    RotationSearch search;
    float modelRotation = 0.0f;
    if (modelMode) {
      modelRotation = static_cast<float>(model.at(time));
      search = {modelRotation, 0.0, 1, 1};
    } else if (run.found == 1 || anyOrientation) {
      search = {0.0, baseStep, static_cast<int>(181.0f / baseStep), 4};
    } else {
      search = {lastMatched, baseStep, static_cast<int>(6.0f / baseStep), 4};
    }
    RotationMatch m = searchRotation(t, search, settings.matchTolerance, rejectDoubles, px);
    if (m.matched) {
      ++run.matched;
      lastMatched = m.rotation;
    }
    std::string record = alignRecord(block.name, time, m.du, m.dv, m.rotation, fwhm, block.sky, m.rms);
    console.line(record);
    dat += record + "\n";
    if (m.du < 9990.0f) {
      csv += alignCsvRecord(block.name, time, m.du, m.dv, m.rotation, fwhm, block.sky, m.rms, 9) + "\n";
      if (modelMode) fit += rotationFitLines(previous, block.name, time, modelRotation);
    }
    previousTime = time;
  }
  textio::endProgress();
  if (run.matched == 0) {
    closingLines(console, run, modelMode, false);
    return run;
  }
  bool written = textio::replaceFileAtomically(hostFile(console, settings, "align.dat"), dat) &&
                 textio::replaceFileAtomically(hostFile(console, settings, "align.txt"), csv) &&
                 (!modelMode || textio::replaceFileAtomically(hostFile(console, settings, "rotationfit.txt"), fit));
  if (!written) console.line("    error - cannot write align.dat, align.txt or rotationfit.txt");
  run.ran = written;
  closingLines(console, run, modelMode, written);
  return run;
}

}  // namespace align
