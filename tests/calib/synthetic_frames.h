// Synthetic frames for the calibration and star-finding tests: a sky with optional noise
// and Gaussian stars of known position, written straight into a workspace.
#pragma once

#include <cmath>
#include <memory>
#include <random>
#include <sstream>

#include "image/workspaces.h"
#include "textio/console.h"

namespace calibtest {

/// Workspaces sized nx x ny with every pixel of the three workspaces 0.
inline std::unique_ptr<image::Workspaces> blank(int32_t nx, int32_t ny) {
  auto ws = std::make_unique<image::Workspaces>();
  ws->nx = nx;
  ws->ny = ny;
  return ws;
}

struct Star {
  double u, v;       // centre in frame coordinates (pixel (i, j) has its centre at i, j)
  double amplitude;  // counts above the sky at the centre
};

/// Workspace 1 = sky + Gaussian stars of width sigma (sampled at pixel centres) + normal
/// noise of the given deviation, rounded to integers and clipped to 0..65535.
inline void paint(image::Workspaces& ws, double sky, double noise, double sigma, const std::vector<Star>& stars,
                  unsigned seed = 12345) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> gauss(0.0, noise > 0 ? noise : 1.0);
  for (int32_t i = 1; i <= ws.nx; ++i) {
    for (int32_t j = 1; j <= ws.ny; ++j) {
      double value = sky + (noise > 0 ? gauss(rng) : 0.0);
      for (const Star& s : stars) {
        double r2 = (i - s.u) * (i - s.u) + (j - s.v) * (j - s.v);
        value += s.amplitude * std::exp(-r2 / (2.0 * sigma * sigma));
      }
      value = std::min(std::max(std::floor(value + 0.5), 0.0), 65535.0);
      ws.put(i, j, static_cast<int32_t>(value));
    }
  }
}

/// A console reading the given answers and printing into a string.
struct TestConsole {
  std::istringstream in;
  std::ostringstream out;
  textio::Console console{in, out};
  explicit TestConsole(const std::string& answers = "") : in(answers) {}
  std::string text() const { return out.str(); }
};

}  // namespace calibtest
