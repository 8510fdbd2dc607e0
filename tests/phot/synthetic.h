// Synthetic frames for the photometry tests: a flat or noisy sky with stars of known flux.
#pragma once

#include <cmath>
#include <random>
#include <sstream>

#include "core/settings.h"
#include "image/camera.h"
#include "image/workspaces.h"
#include "textio/console.h"

namespace phottest {

/// A console over string streams, so a test can read what was printed.
struct TestConsole {
  std::istringstream in{std::string(1000, '\n')};
  std::ostringstream out;
  textio::Console console{in, out};
  std::string text() const { return out.str(); }
  int countLines(const std::string& needle) const {
    int n = 0;
    for (size_t p = out.str().find(needle); p != std::string::npos; p = out.str().find(needle, p + 1)) ++n;
    return n;
  }
};

/// Workspace 1 of nx x ny pixels, all of value c.
inline image::Workspaces flatFrame(int32_t nx, int32_t ny, int32_t c) {
  image::Workspaces ws;
  ws.nx = nx;
  ws.ny = ny;
  for (int32_t i = 1; i <= nx; ++i)
    for (int32_t j = 1; j <= ny; ++j) ws.put(i, j, c);
  return ws;
}

inline image::Camera squareCamera(float gain = 1.0f) {
  image::Camera c;
  c.pixelSizeX = 6.45f;
  c.pixelSizeY = 6.45f;
  c.gain = gain;
  return c;
}

/// Fraction of a unit 1-D Gaussian of deviation sigma centred at c that falls in [a, b].
inline double gaussianSlice(double a, double b, double c, double sigma) {
  const double s = sigma * std::sqrt(2.0);
  return 0.5 * (std::erf((b - c) / s) - std::erf((a - c) / s));
}

/// Expected counts of a round Gaussian star of total flux `flux` in pixel (i, j) (exact
/// integral over the pixel, which spans i +- 0.5, j +- 0.5).
inline double gaussianPixel(double flux, double u, double v, double sigma, int32_t i, int32_t j) {
  return flux * gaussianSlice(i - 0.5, i + 0.5, u, sigma) * gaussianSlice(j - 0.5, j + 0.5, v, sigma);
}

/// Expected counts of the elliptical model A exp(-(x/(r0 e))^2 - (y/(r0/e))^2) in pixel (i, j),
/// exactly integrated (its total flux is A pi r0^2).
inline double ellipticalPixel(double a, double u, double v, double r0, double e, int32_t i, int32_t j) {
  const double su = r0 * e / std::sqrt(2.0), sv = r0 / e / std::sqrt(2.0);
  const double total = a * M_PI * r0 * r0;
  return total * gaussianSlice(i - 0.5, i + 0.5, u, su) * gaussianSlice(j - 0.5, j + 0.5, v, sv);
}

/// A frame with sky level `sky` and photon noise (gain 1: variance = expected counts),
/// rounded to integers; `star(i, j)` gives the expected star counts of a pixel.
template <class Star>
image::Workspaces noisyFrame(int32_t nx, int32_t ny, double sky, Star star, unsigned seed) {
  image::Workspaces ws;
  ws.nx = nx;
  ws.ny = ny;
  std::mt19937 rng(seed);
  std::normal_distribution<double> unit(0.0, 1.0);
  for (int32_t i = 1; i <= nx; ++i) {
    for (int32_t j = 1; j <= ny; ++j) {
      const double mean = sky + star(i, j);
      ws.put(i, j, static_cast<int32_t>(std::lround(mean + std::sqrt(mean) * unit(rng))));
    }
  }
  return ws;
}

}  // namespace phottest
