// The sky-spot test: on one frame, measure the sky at the places the moving object occupies
// (by its path model) at the times of the other frames of the series. On a clean background
// every value is zero; the averages per place show the faint structure the object's path
// crosses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "align/alignment_table.h"
#include "phot/phot_frame.h"
#include "textio/fixed_text.h"

namespace phot {

/// Per alignment entry t: the sum of the values measured at the object's place at entry t's
/// time, and how many were added (4-byte reals, as the table file prints them).
struct SkySpotSums {
  textio::Table1<float, align::kAlignEntries> sum;
  textio::Table1<float, align::kAlignEntries> count;
  void clear() {
    sum.fill(0.0f);
    count.fill(0.0f);
  }
};

/// What one frame's sky-spot test needs besides the photometry tables.
struct SkySpotRequest {
  float minimumDistance = 0.0f;  // horizontal pixels; nearer places are skipped
  float timeDifference = 0.0f;   // hours; places of entries further in time are skipped
  float du = 0.0f, dv = 0.0f, rotation = 0.0f;  // the frame's alignment
  float r0psf = 0.0f, ellip = 0.0f;              // PSF shape for "opti" (0: no model)
};

/// MULSKY for the frame in workspace 1: measures every admissible place with the aperture
/// type of `options`, adds the values to `sums`, and returns the sky-spot table (one line per
/// entry with a count of at least 0.5: time, mean value, count). An aperture type that measures
/// no flux, or "opti" without a PSF shape, prints one notice and adds nothing.
std::string mulsky(PhotTables& t, std::string_view frameName, const SkySpotRequest& request,
                   const PhotOptions& options, SkySpotSums& sums);

}  // namespace phot
