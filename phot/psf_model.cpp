// Pixel-averaged values of the elliptical Gaussian model.
#include "phot/psf_model.h"

#include <cmath>

namespace phot {

namespace {

double squaredRatio(double x, double scale) { return (x * x) / (scale * scale); }

}  // namespace

double modelFactor(double x, double scale) { return std::exp(-squaredRatio(x, scale)); }

float getgp(const PsfModel& model, double dx, double dy, float r0, float e) {
  const int32_t n = model.subsampling;
  const int h = n / 2;
  const double su = static_cast<double>(r0) * e;
  const double sv = static_cast<double>(r0) / e;
  double sum = 0.0;
  for (int a = -h; a <= h; ++a) {
    const double fx = modelFactor(dx - subsampleOffset(a, n), su);
    for (int b = -h; b <= h; ++b) sum += fx * modelFactor(dy - subsampleOffset(b, n), sv);
  }
  const double count = static_cast<double>(2 * h + 1) * (2 * h + 1);
  return static_cast<float>(sum / count);
}

float getgpw(const PsfModel& model, double dx, double dy, float r0, float e) {
  const int32_t n = model.subsampling;
  const int h = n / 2;
  const double su = static_cast<double>(r0) * e;
  const double sv = static_cast<double>(r0) / e;
  double sum = 0.0;
  for (int a = -h; a <= h; ++a) {
    const double x = dx - subsampleOffset(a, n);
    const double qx = squaredRatio(x, su);
    for (int b = -h; b <= h; ++b) {
      const double y = dy - subsampleOffset(b, n);
      const double qy = squaredRatio(y, sv);
      if (qx + qy < 9.0) sum += std::exp(-qx) * std::exp(-qy);
    }
  }
  const double count = static_cast<double>(2 * h + 1) * (2 * h + 1);
  return static_cast<float>(sum / count);
}

}  // namespace phot
