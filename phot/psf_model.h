// The point-spread-function model shared by PSF fitting and optimal extraction: an elliptical
// Gaussian aligned with the pixel axes, I = A exp(-(x/(r0 e))^2) exp(-(y/(r0/e))^2), with x
// along u and y along v, averaged over a pixel on a grid of sub-sample points. The model is
// evaluated as the product of its u and v factors, so a fit can compute each factor once per
// pixel column and row; the single-pixel functions below use the same products and so give
// exactly the values a fit works with.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace phot {

constexpr int kBox = 11;  ///< side of the pixel box around a star; (6, 6) is nearest the star

/// An 11 x 11 box of pixel values taken from a frame, indexed (a, b) = 1..11 in u and v.
struct PixelBox {
  std::array<float, kBox * kBox> v{};
  float& operator()(int a, int b) { return v[static_cast<size_t>((a - 1) * kBox + (b - 1))]; }
  float operator()(int a, int b) const { return v[static_cast<size_t>((a - 1) * kBox + (b - 1))]; }
};

/// Shared state of the model: the sub-sampling factor n. A pixel is averaged over the
/// (2h + 1)^2 points with h = n / 2 (integer division) spaced 1/n apart; n = 0 means the pixel
/// centre alone. PSF fitting sets n to 3, the optimal-extraction mask to 5.
struct PsfModel {
  int32_t subsampling = 0;
  bool directTrials = false;  // fits evaluate each pixel's model on its own (rmsdev) instead of
                              // from per-column and per-row factors; the results are identical
};

/// Offset of sub-sample a (a = -h..h) for sub-sampling factor n: a / n, or 0 when n is 0.
inline double subsampleOffset(int a, int32_t n) { return n == 0 ? 0.0 : static_cast<double>(a) / n; }

/// One factor of the model at distance x with scale length s: exp(-(x/s)^2) computed as
/// exp(-(x*x)/(s*s)).
double modelFactor(double x, double scale);

/// The model averaged over one pixel whose centre lies (dx, dy) from the star centre, with no
/// cut-off: the mean of exp(-(x/(r0 e))^2) exp(-(y/(r0/e))^2) over the points
/// (dx - a/n, dy - b/n), a (outer), b (inner) = -h..h.
float getgp(const PsfModel& model, double dx, double dy, float r0, float e);

/// The model averaged over one pixel as optimal extraction uses it: points (dx - a/n, dy - b/n)
/// whose exponent (x/(r0 e))^2 + (y/(r0/e))^2 is 9 or more add nothing to the sum but still
/// count in the divisor.
float getgpw(const PsfModel& model, double dx, double dy, float r0, float e);

}  // namespace phot
