// The ranges typed numbers are checked against where they are read (Console::askNumbers and
// its one-value forms). Each is wider than any observer needs and narrow enough that the
// arithmetic using the value cannot overflow: a coordinate plus or minus a box, a radius
// squared, a loop over a box, a number of trial rotations all stay far inside 4-byte integers.
#pragma once

#include <cfloat>
#include <cstdint>

#include "textio/console.h"

namespace textio {

/// True when v lies in the range (never for NaN).
[[nodiscard]] inline bool within(Range r, double v) { return v >= r.low && v <= r.high; }

/// Pixels a workspace holds: no frame is wider or taller (image::kCapacity is the same number).
inline constexpr double kWorkspacePixels = 1447680.0;

/// Every 4-byte integer: for answers the command checks itself with its own message, or only prints.
inline constexpr Range kAnyInteger{INT32_MIN, INT32_MAX};
/// Every finite 8-byte real: for values used only in floating-point arithmetic.
inline constexpr Range kAnyReal{-DBL_MAX, DBL_MAX};

/// Pixel positions, offsets, box corners and marker lengths (i, j, u, v, du, dv).
inline constexpr Range kCoordinate{-kWorkspacePixels, kWorkspacePixels};
/// A box side in pixels.
inline constexpr Range kBoxSide{1.0, kWorkspacePixels};
/// Aperture and sky-patch radii in pixels (above 0; a patch is measured pixel by pixel).
inline constexpr Range kRadius{0.01, 10000.0};
/// Radii and half widths that may be 0 (the PSF's zero radius, its search half width).
inline constexpr Range kRadiusOrZero{0.0, 10000.0};
/// The position-matching tolerance in pixels: the rotation search tries about
/// 181 degrees x frame side / (17.19 x tolerance) rotations.
inline constexpr Range kTolerance{0.1, 10000.0};
/// Pixel values typed for setting, subtracting or as a sky level (counts).
inline constexpr Range kPixelValue{-1.0e7, 1.0e7};
/// A star-finding threshold above the sky (counts).
inline constexpr Range kThreshold{-1.0e7, 1.0e7};
/// A star-finding proximity and a FWHM limit (pixels).
inline constexpr Range kPixelDistance{0.0, 10000.0};
/// A factor applied to every pixel.
inline constexpr Range kFactor{-1.0e6, 1.0e6};
/// A number of frames.
inline constexpr Range kFrameCount{1.0, 1.0e6};
/// A time in hours.
inline constexpr Range kHours{-1.0e6, 1.0e6};

}  // namespace textio
