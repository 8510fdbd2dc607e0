// Pixel arithmetic and marking on workspace 1: dark subtraction, arithmetic with a constant,
// contrast stretching, masking, marks for inspection, frame averages and the rotated,
// shifted resampling of workspace 2. Pixel indices are 1-based; every result is an integer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/settings.h"
#include "image/workspaces.h"

namespace textio {
class Console;
}

namespace calib {

/// Truncates toward zero to a 32-bit integer. Values beyond the 32-bit range saturate and a
/// NaN gives 0, so no conversion is ever undefined (pixel values never come near the limits).
inline int32_t truncToInt(float x) {
  if (!(x == x)) return 0;
  if (x >= 2147483648.0f) return INT32_MAX;
  if (x < -2147483648.0f) return INT32_MIN;
  return static_cast<int32_t>(x);
}

/// Number of pixels of the current image (nx x ny, 0 when the size is not positive; never
/// more than a workspace holds). Whole-image loops run over this many stored pixels.
size_t pixelCount(const image::Workspaces& ws);

/// Every pixel of workspace 1 = max(pixel - workspace 2 pixel, 0).
void subtractDark(image::Workspaces& ws);

/// pixel = truncate(pixel x factor); then >= 65536 becomes 65535 and < 0 becomes 0.
void multip(image::Workspaces& ws, float factor);

/// pixel = pixel - n; then > 65535 becomes 65535 and < 0 becomes 0.
void subtra(image::Workspaces& ws, int32_t n);

/// pixel = truncate(pixel - x); then < 0 becomes 0 and >= 65537 becomes 65536.
void subval(image::Workspaces& ws, float x);

/// L = truncate(level); every pixel >= L becomes truncate(L + (pixel - L) x factor), then
/// >= 65535 becomes 65534. Pixels below L are unchanged.
void contrst(image::Workspaces& ws, float level, float factor);

/// Every pixel with i < i1, i > i2, j < j1 or j > j2 becomes 0 (bounds inclusive).
void mask(image::Workspaces& ws, int32_t i1, int32_t i2, int32_t j1, int32_t j2);

/// Stores value at every (i, j) with i = 1..width, j = 1..height (positions outside the
/// image are ignored).
void setall(image::Workspaces& ws, int32_t width, int32_t height, int32_t value);

/// Two short bars of 65535 at (i, j + k) and (i, j - k), k = 7..12, leaving the centre visible.
void mark(image::Workspaces& ws, int32_t i, int32_t j);

/// Tick marks of 63000 around (truncate(u), truncate(v)) = (ic, jc), one per direction
/// character: 'r' (ic + r1 .. ic + r2, jc), 'l' (ic - r2 .. ic - r1, jc), 'u' (ic, jc - r2 ..
/// jc - r1), 'd' (ic, jc + r1 .. jc + r2); any other character draws nothing.
void mobjct(image::Workspaces& ws, float u, float v, int32_t r1, int32_t r2, std::string_view directions);

/// Marks a path listed in a file of the working path: after the line whose first 11
/// characters are "    y  m  d", every record's last two numbers (u, v) set pixel
/// (truncate(du + u + 0.5), truncate(dv + v + 0.5)) to 65534. A missing file or one
/// without that line: a message and nothing marked. Returns the number of points marked.
int markpa(textio::Console& console, const core::Settings& settings, image::Workspaces& ws,
           std::string_view name20, float du, float dv);

/// Mean of all nx x ny pixels (4-byte float sum), printed as "   average pixel value = ".
/// An image of no pixel gives 0 after a message.
float avpix(textio::Console& console, const image::Workspaces& ws);

/// Mean over i1..i2 x j1..j2 (inclusive), counting only the pixels inside the image, printed
/// as "   average pixel value in defined box = ". A box with no pixel inside gives 0 after a message.
float wavpix(textio::Console& console, const image::Workspaces& ws, int32_t i1, int32_t i2, int32_t j1,
             int32_t j2);

/// Rounds to the nearest integer, halves away from zero: sign(x) x truncate(|x| + 0.5).
int32_t roundHalfAway(float x);
/// Rounds a pair of coordinates (each as roundHalfAway).
void round(float x, float y, int32_t& ix, int32_t& iy);

/// Rotated, shifted resampling of workspace 2 into workspace 1. For each pixel (i, j):
/// 25 samples at (i + 0.2a + di, j + 0.2b + dj), a, b = -2..2, are rotated by `angle`
/// degrees in square physical units (pixel sizes in microns), shifted by (du, dv), rounded to
/// a pixel of workspace 2 and summed when inside; pixel = base + truncate(sum / 25), where
/// base is the old pixel with Combine::Add and 0 with Combine::Replace.
void iderot(image::Workspaces& ws, float pixelSizeX, float pixelSizeY, image::Combine combine, float du,
            float dv, float angle, float di, float dj);

}  // namespace calib
