// Benchmark of the offset-only aligner: a star list of 500 frames of 100 stars each (the 20
// fiducial stars among them, shifted by up to 20 pixels, plus 80 field stars) matched against
// 20 fiducial stars. Prints microseconds per frame for the whole run (reading stars.fid and
// the list, matching, writing align.dat and align.txt) and for the matching alone.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <random>
#include <sstream>

#include "align/align_offsets.h"
#include "core/settings.h"
#include "textio/console.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/paths.h"

namespace {

constexpr int kFrames = 500, kStars = 100, kFiducials = 20;

struct Pos {
  double u, v;
};

std::string starLine(double u, double v) {
  return textio::Line(" ").f(u, 7, 2).x(1).f(v, 7, 2).a("  3  3.1     2000   1200").str() + "\n";
}

double microseconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double, std::micro>(b - a).count();
}

}  // namespace

int main() {
  auto dir = std::filesystem::temp_directory_path() / "pelm-align-bench";
  std::filesystem::create_directories(dir);
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> ux(30.0, 1360.0), vy(30.0, 1010.0), shift(-20.0, 20.0), jitter(-0.05, 0.05);
  std::vector<Pos> fiducial(kFiducials);
  for (Pos& p : fiducial) p = {ux(rng), vy(rng)};
  std::string fid;
  for (const Pos& p : fiducial) fid += textio::Line().f(p.u, 9, 3).f(p.v, 10, 3).str() + "\n";
  std::string list;
  std::vector<std::vector<Pos>> frames(kFrames);
  for (int f = 0; f < kFrames; ++f) {
    double du = shift(rng), dv = shift(rng);
    std::vector<Pos>& stars = frames[static_cast<size_t>(f)];
    // Field stars first and the fiducial stars last, so every hypothesis is tried.
    for (int k = kFiducials; k < kStars; ++k) stars.push_back({ux(rng), vy(rng)});
    for (const Pos& p : fiducial) stars.push_back({p.u + du + jitter(rng), p.v + dv + jitter(rng)});
    list += "\n  stars found in " + textio::fixed("img" + std::to_string(1000 + f) + ".fts", 20) + "\n";
    list += "  estimated sky value =     800.\n";
    list += textio::Line("  time (hours) = ").f(20.0 + 0.01 * f, 7, 4).str() + "\n     u     v\n";
    for (const Pos& p : stars) list += starLine(p.u, p.v);
    list += " 9999.00 9999.00  0  0.0\n";
  }
  if (!textio::replaceFileAtomically((dir / "stars.fid").string(), fid) ||
      !textio::replaceFileAtomically((dir / "stars.lst").string(), list)) {
    std::cerr << "cannot write the benchmark files in " << dir << "\n";
    return 1;
  }

  core::Settings settings;
  settings.workingPath = textio::fixed(dir.string() + "/", 80);
  settings.starListFile = textio::fixed("stars.lst", 20);
  std::istringstream keys("y\n");
  std::ostringstream screen;
  textio::Console console(keys, screen);
  auto t0 = std::chrono::steady_clock::now();
  align::AlignRun run = align::alignOffsets(console, settings);
  auto t1 = std::chrono::steady_clock::now();

  // The matching alone, over the same frames held in memory.
  auto tables = std::make_unique<align::MatchTables>();
  tables->fiducialCount = kFiducials;
  for (int k = 1; k <= kFiducials; ++k) {
    tables->fidX[k] = static_cast<float>(fiducial[static_cast<size_t>(k - 1)].u);
    tables->fidY[k] = static_cast<float>(fiducial[static_cast<size_t>(k - 1)].v);
  }
  int matched = 0;
  auto t2 = std::chrono::steady_clock::now();
  for (const auto& stars : frames) {
    tables->frameStarCount = kStars;
    for (int i = 1; i <= kStars; ++i) {
      tables->starX[i] = static_cast<float>(stars[static_cast<size_t>(i - 1)].u);
      tables->starY[i] = static_cast<float>(stars[static_cast<size_t>(i - 1)].v);
    }
    matched += align::matchFrame(*tables, 2.0f, true).aligned ? 1 : 0;
  }
  auto t3 = std::chrono::steady_clock::now();

  std::printf("align: %d frames of %d stars, %d fiducial stars; %d and %d frames matched\n", run.found, kStars,
              kFiducials, run.matched, matched);
  std::printf("  whole run (files read and written): %8.1f microseconds per frame\n", microseconds(t0, t1) / kFrames);
  std::printf("  matching alone:                     %8.1f microseconds per frame\n", microseconds(t2, t3) / kFrames);
  std::filesystem::remove_all(dir);
  return run.matched == kFrames && matched == kFrames ? 0 : 1;
}
