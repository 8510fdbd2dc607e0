// Aperture sums over workspace 1: the soft aperture (each pixel weighted by the fraction of a
// 20 x 20 grid of its sub-pixel centres that lies inside the circle), the hard aperture (whole
// pixels whose centre lies inside) and the per-pixel error model. The circle is round in
// physical units: u distances scale with pixelSizeX, v distances with pixelSizeY, and the
// radius is in horizontal pixels. Sums are raw: the caller subtracts sky x area.
#pragma once

#include <cstdint>

#include "image/camera.h"
#include "image/workspaces.h"
#include "textio/console.h"

namespace phot {

/// Result of an aperture sum.
struct ApertureSum {
  double sum = 0.0;    // raw sum of (weighted) pixel values, sky included
  double error = 0.0;  // sqrt of the summed squared pixel errors
  double area = 0.0;   // aperture area in pixels
  bool failed = false; // a pixel of the search box lies outside the image or is >= 65536;
                       // sum, error and area are then 0
};

/// Error of one pixel of value p: sqrt((p - sky)/gain + skySd^2), a negative radicand taken
/// as 0. A sky below 1.0 prints "    error in function pixerr: skybgr = 0 ! " and gives 0.
float pixerr(textio::Console& console, const image::Camera& camera, double sky, double skySd, float p);

/// Soft-aperture sum around (u, v) with the given radius. The search box is i = ic +- trunc(radius
/// + 3), j = jc +- trunc(radius * pixelSizeX / pixelSizeY + 3) around the nearest pixel; every box
/// pixel is read, and a sample point (i + 0.05k - 0.475, j + 0.05l - 0.475), k, l = 0..19, counts
/// 0.0025 when (x-u)^2 px^2 + (y-v)^2 py^2 <= radius^2 px^2. Results equal that sampling exactly.
ApertureSum getsof(textio::Console& console, const image::Camera& camera, int32_t verbosity,
                   const image::Workspaces& ws, float u, float v, float radius, double sky,
                   double skySd);

/// Hard-aperture sum: whole pixels of the same search box whose centre satisfies
/// (i-u)^2 px^2 + (j-v)^2 py^2 <= radius^2 px^2.
ApertureSum gethrd(textio::Console& console, const image::Camera& camera, int32_t verbosity,
                   const image::Workspaces& ws, float u, float v, float radius, double sky,
                   double skySd);

}  // namespace phot
