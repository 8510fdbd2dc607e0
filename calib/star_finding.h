// Star finding in workspace 1: a quick sky estimate from a grid of pixels, the centroid and
// size of one star, the brightest star of the search box, and the detection of every star
// of a frame written as one block of a star position list file.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string_view>

#include "core/settings.h"
#include "image/workspaces.h"

namespace textio {
class Console;
}

namespace calib {

constexpr int kSkySamples = 752;     ///< pixels sampled for the quick sky estimate
constexpr int kMaxCandidates = 400;  ///< entries of the detection table at the designed capacity

/// Entries of the detection table for workspaces of `capacity` pixels: 400 at the designed
/// capacity, in proportion above it (rounded up).
int candidateLimit(int64_t capacity);

/// Quick sky estimate: the 376th of 752 pixels sampled on a grid over `searchBox` (clamped
/// to the image), rows outer, steps of (size - 1) / 29 pixels (at least 1). Fewer than 752
/// pixels in the box (no frame loaded, a narrow frame or a small search box): the console
/// shows "error in estsky; <752 pixels selected" and there is no estimate.
std::optional<float> estsky(textio::Console& console, const core::Settings& settings, const image::Workspaces& ws);

/// Centroid and size of the star near (i0, j0).
struct Centroid {
  float u = 0.0f;      // intensity-weighted centre along i (0 when rejected)
  float v = 0.0f;      // along j (0 when rejected)
  int32_t ifwhm = 0;   // columns of the 3-row profile above half its maximum (0 when not measured)
  float rfwhm = 0.0f;  // square root of the pixels above half the peak (0 when not measured)
  bool reject = false; // no usable star here
};

/// Measures the star around (i0, j0) with a box of `box` pixels (h = box / 2): the peak is
/// the first pixel above all before it in (i0 +- h, j0 +- h), kept h + 3 pixels from the
/// edges; the centroid sums truncate(pixel - sky) over (peak +- h). A sum below 90, no
/// pixel above 0, or a sky below 5 (after its console message) rejects the star. Photometry's
/// position check uses it too, so that a refined position is measured as a detection is.
Centroid findb1(textio::Console& console, const image::Workspaces& ws, int32_t i0, int32_t j0, int box,
                float sky);

/// The brightest star of `searchBox` (within 5 pixels of the edges), measured with findb1
/// and printed as "   weighted maximum of brightest star in box at = ". `found` is false,
/// after a message, when there is no sky estimate or no pixel of the box is above 0.
struct Brightest {
  float u = 0.0f;
  float v = 0.0f;
  int32_t ifwhm = 0;
  bool found = false;
};
Brightest findbs(textio::Console& console, const core::Settings& settings, const image::Workspaces& ws, int box);

/// Detects every star of workspace 1 in `searchBox` (clamped to the image): local maxima
/// at or above truncate(sky + findThreshold), at most candidateLimit (400 for frames within the
/// designed capacity), refined with findb1 (box 7), pruned by `findProximity` (the lower peak
/// of a close pair goes; of equal peaks the first in scan order stays, except saturated tops
/// of 65535, which all go).
/// Prints one line per star kept and writes the frame's block (header, star lines, end line)
/// to `out` in one piece, then flushes it. Returns the number of stars kept; -1, with
/// nothing written, when there is no sky estimate.
int findst(textio::Console& console, const core::Settings& settings, const image::Workspaces& ws,
           std::string_view frameName20, std::ostream& out);

}  // namespace calib
