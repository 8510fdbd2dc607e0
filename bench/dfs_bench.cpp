// Benchmark of the batch dark and flat correction with star finding: 50 raw frames of
// 1392 x 1040 with 150 stars each, a dark and a flat, written to a temporary folder. Runs the
// dfs command over the list end to end twice (a first pass creates the outputs), then the
// same steps one by one, and prints milliseconds per frame for load, correction, star finding
// and save, and for a load that replaces the workspace.
#include <algorithm>
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <sstream>

#include "core/settings.h"
#include "bench/bench_clock.h"
#include "calib/batch_calibration.h"
#include "calib/flat_field.h"
#include "calib/star_finding.h"
#include "image/file_names.h"
#include "image/fits_load.h"
#include "image/fits_save.h"
#include "textio/console.h"
#include "textio/fixed_text.h"

namespace fs = std::filesystem;

namespace {

constexpr int kNx = 1392, kNy = 1040, kFrames = 50, kStars = 150;
using benchclock::now;
using benchclock::Stamp;
using benchclock::wallMs;
struct Span {
  double wall = 0, cpu = 0;
  void add(const Stamp& a, const Stamp& b) {
    wall += wallMs(a, b);
    cpu += b.cpuMs - a.cpuMs;
  }
};

std::string card(const std::string& text) { return textio::fixed(text, 80); }

// A frame as a camera with input control variable 4 stores it (BZERO 32768).
void writeFrame(const fs::path& file, const std::vector<int32_t>& pixels, int minute) {
  char date[80];
  std::snprintf(date, sizeof date, "DATE-OBS= '2005-09-12T21:%02d:15'", minute % 60);
  std::string h = card("SIMPLE  =                    T") + card("BITPIX  =                   16") +
                  card("NAXIS   =                    2") + card("NAXIS1  =                 1392") +
                  card("NAXIS2  =                 1040") + card("BZERO   =                32768") + card(date) +
                  card("END");
  h.resize(2880, ' ');
  std::string d(static_cast<size_t>(kNx) * kNy * 2, '\0');
  for (int j = 0; j < kNy; ++j) {
    for (int i = 0; i < kNx; ++i) {
      uint16_t v = static_cast<uint16_t>(std::clamp(pixels[static_cast<size_t>(j) * kNx + i], 0, 65535) ^ 0x8000);
      size_t p = (static_cast<size_t>(j) * kNx + i) * 2;
      d[p] = static_cast<char>(v >> 8);
      d[p + 1] = static_cast<char>(v & 0xFF);
    }
  }
  d.resize((d.size() + 2879) / 2880 * 2880, '\0');
  std::FILE* f = std::fopen(file.c_str(), "wb");
  std::fwrite(h.data(), 1, h.size(), f);
  std::fwrite(d.data(), 1, d.size(), f);
  std::fclose(f);
}

void writeNight(const fs::path& dir) {
  std::mt19937 rng(7);
  std::normal_distribution<double> noise(0.0, 8.0);
  std::uniform_real_distribution<double> ux(15.0, kNx - 15.0), vy(15.0, kNy - 15.0), amp(300.0, 30000.0);
  std::vector<int32_t> darkPix(static_cast<size_t>(kNx) * kNy), flatPix(darkPix.size()), raw(darkPix.size());
  for (int j = 0; j < kNy; ++j) {
    for (int i = 0; i < kNx; ++i) {
      size_t p = static_cast<size_t>(j) * kNx + i;
      darkPix[p] = 300 + (i * 7 + j * 3) % 11;
      flatPix[p] = 20000 + (i - kNx / 2) * 3 + (j - kNy / 2) * 2;
    }
  }
  writeFrame(dir / "dark01.fit", darkPix, 0);
  writeFrame(dir / "flat01.drk", flatPix, 0);
  std::vector<double> su(kStars), sv(kStars), sa(kStars);
  for (int s = 0; s < kStars; ++s) {
    su[s] = ux(rng);
    sv[s] = vy(rng);
    sa[s] = amp(rng);
  }
  for (int k = 1; k <= kFrames; ++k) {
    for (size_t p = 0; p < raw.size(); ++p) raw[p] = 1000 + static_cast<int32_t>(noise(rng));
    for (int s = 0; s < kStars; ++s) {
      int ci = static_cast<int>(su[s] + 0.3 * k), cj = static_cast<int>(sv[s]);
      for (int j = cj - 6; j <= cj + 6; ++j) {
        for (int i = ci - 6; i <= ci + 6; ++i) {
          if (i < 0 || i >= kNx || j < 0 || j >= kNy) continue;
          double r2 = (i - su[s] - 0.3 * k) * (i - su[s] - 0.3 * k) + (j - sv[s]) * (j - sv[s]);
          raw[static_cast<size_t>(j) * kNx + i] += static_cast<int32_t>(sa[s] * std::exp(-r2 / 4.5));
        }
      }
    }
    for (size_t p = 0; p < raw.size(); ++p) raw[p] = raw[p] * flatPix[p] / 20000 + darkPix[p];
    char name[32];
    std::snprintf(name, sizeof name, "img%03d.fit", k);
    writeFrame(dir / name, raw, k);
  }
}

struct Run {
  std::istringstream in;
  std::ostream out{nullptr};  // console output discarded
  textio::Console console{in, out};
  core::Settings settings;
  image::Camera camera;
  std::unique_ptr<image::Workspaces> ws = std::make_unique<image::Workspaces>();

  explicit Run(const fs::path& dir, const std::string& answers) : in(answers) {
    settings.workingPath = textio::fixed(dir.string() + "/", 80);
    const char* codes[] = {"fit", "   ", "fit", "drk", "flt", "   ", "   ", "   ", "3  ", "f  "};
    for (int p = 1; p <= 10; ++p) image::setTypeCode(settings, p, codes[p - 1]);
    camera.icv = 4;
    image::decode(console, camera, image::DecodeListing::Quiet);
  }
};

}  // namespace

int main() {
  fs::path dir = fs::temp_directory_path() / "pelm-dfs-bench";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::printf("writing %d frames of %d x %d to %s ...\n", kFrames, kNx, kNy, dir.c_str());
  writeNight(dir);

  // The dfs command end to end over the list.
  Run whole(dir, "dark01\nflat01\nimg001\n..\nimg050\n\n");
  calib::StarListOutput stars;
  Span total;
  Stamp t0 = now();
  calib::dfs(calib::BatchTables{whole.console, whole.settings, whole.camera, *whole.ws}, stars);
  total.add(t0, now());
  stars.close();
  // Again over the same night, as when a night is reduced once more with other settings: the
  // outputs exist, and the process has touched its memory once.
  Run again(dir, "dark01\nflat01\nimg001\n..\nimg050\n\n");
  Span secondPass;
  t0 = now();
  calib::dfs(calib::BatchTables{again.console, again.settings, again.camera, *again.ws}, stars);
  secondPass.add(t0, now());
  stars.close();

  // The same steps one by one, timed apart.
  Run steps(dir, "");
  image::Workspaces& ws = *steps.ws;
  image::setraw(steps.console, steps.settings);
  (void)image::load2(steps.console, steps.settings, steps.camera, ws, textio::fixed("dark01", 20),
                     image::Combine::Replace, 1.0f, 0, 0);
  image::setdrk(steps.console, steps.settings);
  (void)image::load3(steps.console, steps.settings, steps.camera, ws, textio::fixed("flat01", 20),
                     image::Combine::Replace, 1.0f, 0, 0);
  calib::FlatMean flat = calib::flatMean(ws);
  std::ostringstream list;
  Span tLoad, tCorrect, tFind, tSave;
  int found = 0;
  for (int k = 1; k <= kFrames; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "img%03d", k);
    Stamp a = now();
    const size_t pending = image::initLater(steps.console, ws);
    image::setraw(steps.console, steps.settings);
    if (!image::loadCleared(steps.console, steps.settings, steps.camera, ws, textio::fixed(name, 20), pending)) {
      std::printf("frame %s did not load\n", name);
      return 1;
    }
    Stamp b = now();
    calib::dfsub(steps.console, ws, flat);
    Stamp c = now();
    std::string out = image::rename(steps.settings, textio::fixed(name, 20));
    found += calib::findst(steps.console, steps.settings, ws, out, list);
    Stamp d = now();
    image::setflt(steps.console, steps.settings);
    image::save(steps.console, steps.settings, steps.camera, ws, out);
    Stamp e = now();
    tLoad.add(a, b);
    tCorrect.add(b, c);
    tFind.add(c, d);
    tSave.add(d, e);
  }
  // A frame loaded replacing workspace 1, as photometry and stacking load each frame.
  Span tReplace;
  for (int k = 1; k <= kFrames; ++k) {
    char name[32];
    std::snprintf(name, sizeof name, "img%03d", k);
    image::setraw(steps.console, steps.settings);
    Stamp a = now();
    (void)image::load(steps.console, steps.settings, steps.camera, ws, textio::fixed(name, 20),
                      image::Combine::Replace, 1.0f, 0, 0);
    tReplace.add(a, now());
  }
  std::printf("dfs over %d frames of %d x %d (%d stars found per frame on average)\n", kFrames, kNx, kNy,
              found / kFrames);
  auto row = [](const char* what, const Span& s) {
    std::printf("  %-18s %8.2f %8.2f\n", what, s.cpu / kFrames, s.wall / kFrames);
  };
  std::printf("  ms per frame        processor   wall\n");
  row("whole dfs command", total);
  row("  a second pass", secondPass);
  row("load", tLoad);
  row("correction", tCorrect);
  row("star finding", tFind);
  row("save", tSave);
  Span sum;
  sum.cpu = tLoad.cpu + tCorrect.cpu + tFind.cpu + tSave.cpu;
  sum.wall = tLoad.wall + tCorrect.wall + tFind.wall + tSave.wall;
  row("sum of the steps", sum);
  row("load, replacing", tReplace);
  fs::remove_all(dir);
  return 0;
}
