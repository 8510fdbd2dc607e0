// Benchmark of the rotating aligner: 50 frames of 100 stars, 20 fiducial stars, tolerance 2,
// camera 1392 x 1040, from scratch. Prints seconds for the first frame (the full search)
// and milliseconds per later frame.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <random>
#include <sstream>

#include "align/align_rotation.h"
#include "core/settings.h"
#include "textio/console.h"
#include "textio/fixed_text.h"

namespace {

struct Pos {
  double u, v;
};

std::string block(int f, const std::vector<Pos>& stars, double rot, double du, double dv) {
  char line[160];
  std::snprintf(line, sizeof line, "\n  stars found in img%03d.fts          \n  estimated sky value =     800.\n"
                "  time (hours) = %7.4f\n     u     v\n", f, 20.0 + 0.05 * f);
  std::string s = line;
  double t = rot * M_PI / 180.0;
  for (const Pos& p : stars) {
    double u = p.u * std::cos(t) + p.v * std::sin(t) + du;
    double v = p.v * std::cos(t) - p.u * std::sin(t) + dv;
    std::snprintf(line, sizeof line, " %7.2f %7.2f  3  3.1     2000   1200\n", u, v);
    s += line;
  }
  return s + " 9999.00 9999.00  0  0.0\n";
}

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

}  // namespace

int main() {
  auto dir = std::filesystem::temp_directory_path() / "pelm-alignr-bench";
  std::filesystem::create_directories(dir);
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> ux(20.0, 1370.0), vy(20.0, 1020.0);
  std::vector<Pos> stars;
  for (int k = 0; k < 100; ++k) stars.push_back({ux(rng), vy(rng)});
  {
    std::ofstream fid(dir / "stars.fid");
    for (int k = 0; k < 20; ++k) fid << stars[static_cast<size_t>(k)].u << " " << stars[static_cast<size_t>(k)].v << "\n";
  }
  core::Settings settings;
  settings.workingPath = textio::fixed(dir.string() + "/", 80);
  settings.starListFile = textio::fixed("stars.lst", 20);
  auto previous = std::make_unique<align::AlignmentTable>();
  auto run = [&](int frames) {
    std::ofstream list(dir / "stars.lst");
    for (int f = 1; f <= frames; ++f) list << block(f, stars, 0.02 * f, 0.3 * f, -0.2 * f);
    list.close();
    std::istringstream in("y\n1\n1\n");
    std::ostringstream out;
    textio::Console console(in, out);
    auto a = std::chrono::steady_clock::now();
    align::AlignRun r = align::alignRotation(console, settings, 1392, 1040, {6.45f, 6.45f}, *previous);
    auto b = std::chrono::steady_clock::now();
    if (r.matched != frames) std::cerr << "warning: matched " << r.matched << " of " << frames << "\n";
    return seconds(a, b);
  };
  double first = run(1);
  double all = run(50);
  std::printf("alignr from scratch, 100 stars per frame, 20 fiducial stars, tolerance 2 px, 1392 x 1040\n");
  std::printf("  first frame (full search):   %8.3f s\n", first);
  std::printf("  later frames:                %8.2f ms per frame\n", (all - first) / 49.0 * 1000.0);
  std::filesystem::remove_all(dir);
  return 0;
}
