// Benchmark of stacking: 50 frames of 1392 x 1040 with 150 stars each, drifting by a fraction
// of a pixel and turning by a few hundredths of a degree per frame, written to a temporary
// folder with their alignment records. Runs the stack command (whole-pixel shifts) and the
// rstack command (sub-pixel shifts and rotation) over the list and prints milliseconds per
// frame, each command whole with its loads.
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "align/alignment_table.h"
#include "app/stacking_commands.h"
#include "app/state.h"
#include "bench/bench_clock.h"
#include "image/camera.h"
#include "textio/console.h"
#include "textio/fixed_text.h"

namespace fs = std::filesystem;

namespace {

constexpr int kNx = 1392, kNy = 1040, kFrames = 50, kStars = 150;
using benchclock::now;
using benchclock::Stamp;
using benchclock::wallMs;

std::string card(const std::string& text) { return textio::fixed(text, 80); }

// A frame as a camera with input control variable 4 stores it (BZERO 32768).
void writeFrame(const fs::path& file, const std::vector<int32_t>& pixels, int k) {
  char date[80];
  std::snprintf(date, sizeof date, "DATE-OBS= '2026-03-14T21:%02d:00'", k % 60);
  std::string h = card("SIMPLE  =                    T") + card("BITPIX  =                   16") +
                  card("NAXIS   =                    2") + card("NAXIS1  =                 1392") +
                  card("NAXIS2  =                 1040") + card("BZERO   =                32768") + card(date) +
                  card("END");
  h.resize(2880, ' ');
  std::string d(static_cast<size_t>(kNx) * kNy * 2, '\0');
  for (size_t p = 0; p < pixels.size(); ++p) {
    uint16_t v = static_cast<uint16_t>(std::clamp(pixels[p], 0, 65535) ^ 0x8000);
    d[2 * p] = static_cast<char>(v >> 8);
    d[2 * p + 1] = static_cast<char>(v & 0xFF);
  }
  d.resize((d.size() + 2879) / 2880 * 2880, '\0');
  std::ofstream(file, std::ios::binary) << h << d;
}

// The frames, align.dat and filelist.txt. Frame k sees the field shifted by (du, dv) and
// turned by `rotation` degrees against the first frame.
void writeNight(const fs::path& dir) {
  std::mt19937 rng(11);
  std::normal_distribution<double> noise(0.0, 8.0);
  std::uniform_real_distribution<double> ux(20.0, kNx - 20.0), vy(20.0, kNy - 20.0), amp(300.0, 20000.0);
  std::vector<double> su(kStars), sv(kStars), sa(kStars);
  for (int s = 0; s < kStars; ++s) {
    su[s] = ux(rng);
    sv[s] = vy(rng);
    sa[s] = amp(rng);
  }
  std::vector<int32_t> raw(static_cast<size_t>(kNx) * kNy);
  std::string alignDat, list = std::to_string(kFrames) + "\n";
  for (int k = 1; k <= kFrames; ++k) {
    const double du = 0.37 * (k - 1), dv = -0.23 * (k - 1), rot = 0.02 * (k - 1);
    const double t = rot * M_PI / 180.0;
    for (int32_t& p : raw) p = 800 + static_cast<int32_t>(noise(rng));
    for (int s = 0; s < kStars; ++s) {
      double u = su[s] * std::cos(t) + sv[s] * std::sin(t) + du;
      double v = sv[s] * std::cos(t) - su[s] * std::sin(t) + dv;
      for (int j = static_cast<int>(v) - 6; j <= static_cast<int>(v) + 6; ++j) {
        for (int i = static_cast<int>(u) - 6; i <= static_cast<int>(u) + 6; ++i) {
          if (i < 1 || i > kNx || j < 1 || j > kNy) continue;
          double r2 = (i - u) * (i - u) + (j - v) * (j - v);
          raw[static_cast<size_t>(j - 1) * kNx + (i - 1)] += static_cast<int32_t>(sa[s] * std::exp(-r2 / 4.5));
        }
      }
    }
    char name[32];
    std::snprintf(name, sizeof name, "img%03d", k);
    writeFrame(dir / (std::string(name) + ".fts"), raw, k);
    alignDat += align::alignRecord(std::string(name) + ".fts", 21.0f + 0.02f * static_cast<float>(k),
                                   static_cast<float>(du), static_cast<float>(dv), static_cast<float>(rot), 3, 800.0f) +
                "\n";
    list += textio::fixed(name, 20) + "\n";
  }
  std::ofstream(dir / "align.dat", std::ios::binary) << alignDat;
  std::ofstream(dir / "filelist.txt", std::ios::binary) << list << " \n";
}

struct Run {
  std::unique_ptr<app::State> state = std::make_unique<app::State>();
  std::istringstream in{"...\n"};
  std::ostringstream out;
  textio::Console console{in, out};
  app::Session s{*state, console};

  explicit Run(const fs::path& dir) {
    state->settings.workingPath = textio::fixed(dir.string() + "/", 80);
    state->settings.fileTypeCodes = {"fts", "   ", "fit", "drk", "fts", "   ", "   ", "   ", "3  ", "   "};
    image::Camera& cam = state->camera;
    cam.nx = kNx;
    cam.ny = kNy;
    cam.pixelSizeX = cam.pixelSizeY = 6.45f;
    cam.icv = 4;
    image::decode(console, cam, image::DecodeListing::Quiet);
    state->ws.nx = kNx;
    state->ws.ny = kNy;
  }
  bool stackedAll() const { return out.str().find("   total number of files stacked =  50\n") != std::string::npos; }
};

// Runs one command over the list, prints its figures; false when it did not stack every frame.
bool timed(const char* what, const fs::path& dir, void (*command)(app::Session&)) {
  Run run(dir);
  Stamp a = now();
  command(run.s);
  Stamp b = now();
  if (!run.stackedAll()) {
    std::printf("%s did not stack all %d frames:\n%s\n", what, kFrames, run.out.str().c_str());
    return false;
  }
  std::printf("  %-8s %10.2f %8.2f\n", what, (b.cpuMs - a.cpuMs) / kFrames, wallMs(a, b) / kFrames);
  return true;
}

}  // namespace

int main() {
  fs::path dir = fs::temp_directory_path() / "pelm-stack-bench";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::printf("writing %d frames of %d x %d to %s ...\n", kFrames, kNx, kNy, dir.c_str());
  writeNight(dir);
  std::printf("stacking %d frames of %d x %d, ms per frame (loads included)\n", kFrames, kNx, kNy);
  std::printf("  command   processor     wall\n");
  bool ok = timed("stack", dir, app::stack) && timed("rstack", dir, app::rstack);
  fs::remove_all(dir);
  return ok ? 0 : 1;
}
