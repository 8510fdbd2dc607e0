// Timing of the measuring routines on a 1392 x 1040 frame with ten stars: the soft aperture
// with its automatic box sky, optimal extraction (weight mask of the first star, moved masks
// for the others) with its sky, and a full PSF fit per object. Prints milliseconds per frame
// of ten objects and per object, then the photometry of the whole frame (sky, measurement,
// record) for the types "soft", "opti" and "psfa".
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>

#include "core/settings.h"
#include "image/camera.h"
#include "image/workspaces.h"
#include "phot/aperture_sums.h"
#include "phot/optimal_extraction.h"
#include "phot/phot_frame.h"
#include "phot/psf_fit.h"
#include "phot/sky.h"
#include "textio/console.h"

namespace {

constexpr int kObjects = 10;
constexpr int kFrames = 50;

struct Frame {
  image::Workspaces ws;
  float u[kObjects], v[kObjects];
};

Frame makeFrame() {
  Frame f;
  f.ws.nx = 1392;
  f.ws.ny = 1040;
  std::mt19937 rng(17);
  std::normal_distribution<double> unit(0.0, 1.0);
  for (int k = 0; k < kObjects; ++k) {
    f.u[k] = 100.0f + 120.0f * k + 0.3f;
    f.v[k] = 200.0f + 60.0f * k - 0.2f;
  }
  for (int32_t i = 1; i <= f.ws.nx; ++i) {
    for (int32_t j = 1; j <= f.ws.ny; ++j) {
      double mean = 800.0;
      for (int k = 0; k < kObjects; ++k) {
        const double du = i - f.u[k], dv = j - f.v[k];
        if (std::abs(du) < 10 && std::abs(dv) < 10) mean += 3000.0 * std::exp(-(du * du + dv * dv) / (1.6 * 1.6));
      }
      f.ws.put(i, j, static_cast<int32_t>(mean + std::sqrt(mean) * unit(rng)));
    }
  }
  return f;
}

phot::PixelBox boxAt(const image::Workspaces& ws, float u, float v) {
  phot::PixelBox box;
  const int32_t ic = static_cast<int32_t>(u + 0.5f), jc = static_cast<int32_t>(v + 0.5f);
  for (int a = 1; a <= phot::kBox; ++a)
    for (int b = 1; b <= phot::kBox; ++b) {
      int32_t p = 0;
      (void)ws.get(ic + a - 6, jc + b - 6, p);
      box(a, b) = static_cast<float>(p);
    }
  return box;
}

template <class Work>
double msPerFrame(Work work) {
  const auto t0 = std::chrono::steady_clock::now();
  double check = 0.0;
  for (int n = 0; n < kFrames; ++n) check += work();
  const auto t1 = std::chrono::steady_clock::now();
  if (!std::isfinite(check)) std::printf("  (non-finite result)\n");
  return std::chrono::duration<double, std::milli>(t1 - t0).count() / kFrames;
}

}  // namespace

int main() {
  const Frame frame = makeFrame();
  std::istringstream in;
  std::ostringstream sink;
  textio::Console console(in, sink);
  core::Settings settings;
  image::Camera camera;
  camera.pixelSizeX = camera.pixelSizeY = 6.45f;
  camera.gain = 1.5f;
  phot::SkySamples samples;
  phot::PsfModel model;

  const double soft = msPerFrame([&] {
    double total = 0.0;
    for (int k = 0; k < kObjects; ++k) {
      const phot::ObjectSky sky = phot::autoSky(console, settings, frame.ws, samples, k + 1, frame.u[k], frame.v[k]);
      const phot::ApertureSum s = phot::getsof(console, camera, 0, frame.ws, frame.u[k], frame.v[k], 2.0f, sky.sky, sky.sd);
      total += s.sum - sky.sky * s.area;
    }
    sink.str("");
    return total;
  });

  const double opti = msPerFrame([&] {
    double total = 0.0;
    phot::WeightMask first;
    for (int k = 0; k < kObjects; ++k) {
      const phot::ObjectSky sky = phot::autoSky(console, settings, frame.ws, samples, k + 1, frame.u[k], frame.v[k]);
      phot::ExtractionInputs x{sky.sky, sky.sd, camera.gain, 0.0f, 3.5f, 0};
      const int32_t ic = static_cast<int32_t>(frame.u[k] + 0.5f), jc = static_cast<int32_t>(frame.v[k] + 0.5f);
      const float xc = frame.u[k] - ic + 6, yc = frame.v[k] - jc + 6;
      const phot::PixelBox box = boxAt(frame.ws, frame.u[k], frame.v[k]);
      const phot::WeightMask mask = k == 0 ? (first = phot::wtmask(console, model, box, xc, yc, 1.13f, 1.0f, x))
                                           : phot::mvmask(console, model, xc, yc, 1.13f, 1.0f, first.normalisation, first.fluxEstimate, x);
      total += phot::extrct(console, box, mask, x).flux;
    }
    sink.str("");
    return total;
  });

  const double psf = msPerFrame([&] {
    double total = 0.0;
    for (int k = 0; k < kObjects; ++k) {
      const phot::PixelBox box = boxAt(frame.ws, frame.u[k], frame.v[k]);
      const phot::PsfInputs pin{box, 800.0, 28.0, 3.5f, camera.gain, 1};
      phot::PsfFit fit;
      phot::psffit(console, 0, 2.1f, model, pin, fit);
      total += fit.amplitude;
    }
    sink.str("");
    return total;
  });

  // The photometry of a whole frame (sky, measurement, records) for three aperture types.
  image::Workspaces ws = frame.ws;
  align::AlignmentTable alignment;
  phot::StarData stars;
  motion::PathModel path;
  stars.photStarCount = kObjects;
  for (int k = 1; k <= kObjects; ++k) {
    stars.photStarU[k] = frame.u[k - 1];
    stars.photStarV[k] = frame.v[k - 1];
  }
  phot::PhotTables tables{console, settings, camera, ws, alignment, stars, path, model, samples};
  auto wholeFrame = [&](const char* type) {
    return msPerFrame([&] {
      phot::PhotOptions o;
      o.apertureType = type;
      float r0 = 1.13f, e = 1.0f;
      int32_t weighting = 1;
      std::ostringstream list, table;
      const phot::PhotResults r = phot::phot(tables, "bench001", 0.0f, 0.0f, 0.0f, o, r0, e, weighting, &list, &table);
      sink.str("");
      return static_cast<double>(r.flux[1]);
    });
  };
  const double photSoft = wholeFrame("soft");
  const double photOpti = wholeFrame("opti");
  const double photPsfa = wholeFrame("psfa");

  std::printf("phot_bench: %d objects per frame, %d frames of %d x %d\n", kObjects, kFrames, frame.ws.nx, frame.ws.ny);
  std::printf("  soft aperture with box sky : %8.3f ms per frame  %8.4f ms per object\n", soft, soft / kObjects);
  std::printf("  optimal extraction with sky: %8.3f ms per frame  %8.4f ms per object\n", opti, opti / kObjects);
  std::printf("  full PSF fit               : %8.3f ms per frame  %8.4f ms per object\n", psf, psf / kObjects);
  std::printf("  phot of a frame, \"soft\"    : %8.3f ms per frame\n", photSoft);
  std::printf("  phot of a frame, \"opti\"    : %8.3f ms per frame\n", photOpti);
  std::printf("  phot of a frame, \"psfa\"    : %8.3f ms per frame\n", photPsfa);
  return 0;
}
