// PSF fitting on an 11 x 11 pixel box by nested grid searches that minimise the
// variance-weighted mean square deviation between the box and the model: the shape search
// (size r0 and ellipticity e at a fixed centre), the centre search (centre and amplitude at a
// fixed shape) and the full fit alternating the two. Box coordinates run 1..11; pixel (6, 6)
// is the pixel nearest the star.
#pragma once

#include <cstdint>

#include "phot/psf_model.h"
#include "textio/console.h"

namespace phot {

constexpr double kNoDeviation = 1.0e20;  ///< deviation of a trial that could not be evaluated

/// What a fit works on.
struct PsfInputs {
  const PixelBox& box;      // pixel values
  double sky = 0.0;         // sky level per pixel
  double skySd = 0.0;       // standard deviation of one sky pixel
  float zeroRadius = 3.5f;  // the model is used only for pixels closer than this to the centre
  float gain = 1.0f;        // camera gain, electrons per count
  int32_t amplitudeFlag = 1;  // 1: fit the amplitude for every trial; else keep the one given
};

/// The state of a fit, in and out.
struct PsfFit {
  float xc = 6.0f;           // centre in box coordinates
  float yc = 6.0f;
  float r0 = 1.0f;           // size
  float e = 1.0f;            // ellipticity (r0 e along u, r0 / e along v)
  float amplitude = 0.0f;    // A
  double deviation = kNoDeviation;  // best mean square deviation
  float peakValue = 0.0f;    // peak box value found by the routine
  int peakA = 6;             // peak pixel (box indices)
  int peakB = 6;
};

/// Variance of every box pixel: (box - sky)/sqrt(gain) + skySd^2, 1-based like the box.
struct PixelVariance {
  std::array<double, kBox * kBox> v{};
  double operator()(int a, int b) const { return v[static_cast<size_t>((a - 1) * kBox + (b - 1))]; }
};
PixelVariance pixelVariance(const PsfInputs& in);

/// One trial.
struct Trial {
  double deviation = kNoDeviation;  // chi^2 / m, or 1e20 when no pixel could be used
  int32_t pixels = 0;               // m: pixels closer than zeroRadius with a positive variance
  float amplitude = 0.0f;           // fitted (flag 1) or the one given
};

/// Deviation of the model with centre (x, y), size r0 and ellipticity e, evaluating the model of
/// each pixel directly. Pixels with d^2 = (a-x)^2 + (b-y)^2 < zeroRadius^2 are modelled; pixels
/// with zero or negative variance are left out of every sum. With the amplitude flag the
/// amplitude is the variance-weighted least-squares value over pixels whose model is >= 0.001.
Trial rmsdev(const PsfModel& model, const PsfInputs& in, const PixelVariance& var, float x,
             float y, float r0, float e, float amplitude);

/// Shape search at the fit's centre: from (1, 1), three passes with steps 0.2, 0.05, 0.01 over
/// offsets -4..8 in r0 (outer) and e (inner), trials with both values >= 0.3. Sets the peak value
/// to the largest box value.
void psfgau(const PsfModel& model, const PsfInputs& in, PsfFit& fit);

/// Centre search with r0 and e fixed: peak within trunc(searchHalfWidth + 0.1) (at most 5) of
/// (6, 6), first found on ties; from the peak pixel four passes with steps 0.4, 0.1, 0.03, 0.01
/// over trial centres (x - i step, y - j step), i (outer), j (inner) = -6..6. With e below 0.3
/// nothing is evaluated and the centre is left as given.
void psfpos(textio::Console& console, int32_t verbosity, float searchHalfWidth,
            const PsfModel& model, const PsfInputs& in, PsfFit& fit);

/// Full fit: sub-sampling 3, centre at the peak pixel, then three times the shape search and the
/// centre search. The results are those of the last centre search.
void psffit(textio::Console& console, int32_t verbosity, float searchHalfWidth, PsfModel& model,
            const PsfInputs& in, PsfFit& fit);

}  // namespace phot
