// Optimal extraction: a star's flux as the weighted sum of its sky-subtracted pixels, the
// weights being the normalised PSF model divided by the expected pixel variance and scaled so
// that sum(w P) = 1. The weighting star (first photometry object) defines the mask and its
// normalisation and flux estimate; every other star gets the mask moved to its position without
// rescaling. All work is on the 11 x 11 box of psf_model.h, positions in box coordinates.
#pragma once

#include <array>
#include <cstdint>

#include "phot/psf_model.h"
#include "textio/console.h"

namespace phot {

/// What the mask routines need besides the box.
struct ExtractionInputs {
  double sky = 0.0;          // sky level per pixel
  double skySd = 0.0;        // standard deviation of one sky pixel
  float gain = 1.0f;         // camera gain
  float noiseFloor = 0.0f;   // fraction of sky + signal below which the noise never falls
  float zeroRadius = 3.5f;   // passed along; the extraction model uses its own cut-off
  int32_t verbosity = 0;
};

/// A weight mask and what built it.
struct WeightMask {
  std::array<float, kBox * kBox> profile{};   // P, normalised by the weighting star's sum
  std::array<float, kBox * kBox> variance{};  // V = VPCALC(P F)
  std::array<double, kBox * kBox> weight{};   // w = P / (V W), W = sum(P^2 / V)
  float normalisation = 0.0f;                 // N = 1 / (sum of the weighting star's model)
  float fluxEstimate = 0.0f;                  // F = sum(box - sky) / sum(P) over P > 0.001
  bool ok = false;  // false when the mask is undefined: r0 or e of 0 or less, a profile sum of
                    // 0, a modelled pixel with a variance of 0 or less, or no weight at all
};

/// Expected variance of a pixel with the given signal above sky: signal/sqrt(gain) + skySd^2,
/// raised to ((sky + signal) noiseFloor)^2 when that is larger.
float vpcalc(const ExtractionInputs& in, double signal);

/// Weight mask of the weighting star at (xc, yc) with size r0 and ellipticity e. Sets the model
/// sub-sampling to 5. Pixels whose model is exactly 0 get weight 0.
WeightMask wtmask(textio::Console& console, PsfModel& model, const PixelBox& box, float xc,
                  float yc, float r0, float e, const ExtractionInputs& in);

/// The weighting star's mask moved to (xc, yc): its normalisation and flux estimate are reused.
WeightMask mvmask(textio::Console& console, const PsfModel& model, float xc, float yc,
                  float r0, float e, float normalisation, float fluxEstimate,
                  const ExtractionInputs& in);

/// Extracted flux and its error.
struct Extraction {
  float flux = 0.0f;   // sum((box - sky) w)
  float error = 0.0f;  // sqrt(sum(w^2 VPCALC(box - sky))), a negative pixel variance taken as 0
};
Extraction extrct(textio::Console& console, const PixelBox& box, const WeightMask& mask,
                  const ExtractionInputs& in);

/// Quality figure of an extraction; this program defines it as 0.
float qcalc(textio::Console& console, int32_t verbosity);

}  // namespace phot
