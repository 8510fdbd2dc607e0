// Sky background estimation: sums over circular sky patches, their moments, the robust
// estimator over a sample of pixel values (clipped mean or median with a quartile spread),
// the automatic sky of an object from a square box around it, the pooled sky of an object's
// sky positions and the mean of the two sky positions nearest a moving object.
// Pixels come from workspace 1; positions are frame coordinates (pixel (i, j) centred on
// u = i.0, v = j.0). A sky level of 0 or less marks a sky that could not be measured.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "core/settings.h"
#include "image/camera.h"
#include "image/workspaces.h"
#include "phot/star_data.h"
#include "textio/console.h"
#include "textio/fixed_text.h"

namespace phot {

constexpr int kMaxSkySamples = 10000; ///< capacity of the robust estimator's sample store

/// Sums over one circular sky patch.
struct PatchSums {
  double sum = 0.0;         // sum of pixel values
  double sumSquares = 0.0;  // sum of squared pixel values
  double n = 0.0;           // number of pixels
  bool outside = false;     // a pixel of the patch lies outside the image (sums incomplete)
};

/// Sums the pixels (ic + i, jc + j) with i^2 + j^2 < R^2, where (ic, jc) is the pixel nearest
/// (u, v) and R = trunc(radius + 0.5); offsets i outer, j inner, from -R to R. A pixel outside
/// the image ends the patch with `outside` set after the message "   error return from getsky".
/// markFlag 1 writes 65534 into each patch pixel after reading it. With verbosity exactly 25
/// the 41 x 41 pixels around the centre are dumped to sky.dat (working path) and the program
/// stops (FatalStop).
PatchSums getsky(textio::Console& console, const core::Settings& settings, image::Workspaces& ws,
                 float u, float v, float radius, int32_t markFlag);

/// Mean, standard deviation and standard error of n values.
struct Moments {
  double mean = 0.0;
  double sd = 0.0;  // standard deviation of one value
  double se = 0.0;  // standard error of the mean (0 for a single value)
  bool valid = false;  // false when n holds no value (n < 0.5); the numbers are then 0
};

/// Moments from sums: mean = sum/n, sd = sqrt(sumSquares/n - mean^2) with a variance that
/// rounding made negative taken as 0, se = sd / sqrt(n - 1) (0 when n is 1).
Moments stdev(double sum, double sumSquares, double n);

/// The robust estimator's sample store: a count and up to 10,000 samples, 1-based.
struct SkySamples {
  int32_t n = 0;
  textio::Table1<int32_t, kMaxSkySamples> sample;
};

/// Empties the sample store (all samples 0).
void skgClear(SkySamples& samples);
/// Adds one sample; a sample beyond the 10,000th is not stored.
void skgAdd(SkySamples& samples, int32_t value);

/// Sky and spread from the robust estimator (4-byte reals).
struct RobustSky {
  float sky = 0.0f;
  float sd = 0.0f;  // 0.75 times the inter-quartile range
};

/// Orders the samples and returns the clipped mean (samples trunc(0.2n)..trunc(0.8n)) or the
/// median (sample trunc(0.5n)) as settings.skyEstimator says, with sd = 0.75 (upper - lower
/// quartile). Indices that truncation would take below 1 are taken as 1; an empty store gives
/// sky 0 (no valid sky). With skyLocked the forced values are returned and nothing else is done.
RobustSky skgEstimate(textio::Console& console, const core::Settings& settings, SkySamples& samples);

/// The sky of one object: level and standard error per pixel, and one pixel's deviation.
struct ObjectSky {
  double sky = 0.0;    // bgr
  double error = 0.0;  // bgre
  double sd = 0.0;     // bgrsd
};

/// Automatic sky of object `object` from the skyBox x skyBox pixels centred on the pixel nearest
/// (u, v): sky and sd from the robust estimator, error sd / skyBox. A box reaching outside the
/// image gives sky -100.0 and error 0 (the object is not measured).
ObjectSky autoSky(textio::Console& console, const core::Settings& settings,
                  const image::Workspaces& ws, SkySamples& samples, int object, float u, float v);

/// The sky of the skyBox x skyBox pixels centred on the pixel nearest (u, v), computed as
/// autoSky computes it but printing nothing of its own; nothing when the box reaches outside
/// the image.
std::optional<ObjectSky> boxSky(textio::Console& console, const core::Settings& settings,
                                const image::Workspaces& ws, SkySamples& samples, float u, float v);

/// One sky position of an object, already carried into the frame being measured.
struct SkySpot {
  bool defined = false;  // the offset is set (>= -1000)
  float u = 0.0f;        // frame coordinates of the patch centre
  float v = 0.0f;
};

/// Pooled sky of object `object` and, when `perPosition` is set (object 1 under the nearest-two
/// methods), the sky of each patch alone.
struct PooledSky {
  ObjectSky sky;  // pooled over every patch; sky <= 0 when unusable
  std::array<double, kSkySpots + 1> spotSky{};    // per position, 1-based; valid only if spotValid
  std::array<double, kSkySpots + 1> spotError{};
  std::array<bool, kSkySpots + 1> spotValid{};    // the patch lay inside the image and held pixels
};

/// Pools the patches of radius skyApertureRadius at the defined spots. A patch reaching outside
/// the image makes the object's sky, error and sd -1.0e6 and ends the loop, except when
/// `perPosition` is set: then that position alone is invalid and the loop goes on. Pooled
/// patches holding no pixel at all give sky -1.0e6 as well.
PooledSky pooledSky(textio::Console& console, const core::Settings& settings, image::Workspaces& ws,
                    int object, const std::array<SkySpot, kSkySpots + 1>& spots, int32_t markSky,
                    bool perPosition);

/// Result of the nearest-two-skies method.
struct NearestSky {
  double sky = 0.0;
  double error = 0.0;
  bool valid = false;  // false when no measured sky position could be used
};

/// Mean of the sky positions of object 1 nearest (u, v) below and above it in u (method 2) or
/// v (method 3), each the first measured position beyond the exclusion radius
/// (skyApertureRadius + apertureRadius + 2) in physical units. Offsets are (offsetU[j],
/// offsetV[j]), j = 1..20, expected in increasing order of the sorted coordinate. Positions
/// that are undefined or were not measured on this frame are never chosen; when one side has
/// none the other side's pair is used for both.
NearestSky nr2sky(textio::Console& console, const core::Settings& settings,
                  const image::Camera& camera, float u, float v,
                  const std::array<float, kSkySpots + 1>& offsetU,
                  const std::array<float, kSkySpots + 1>& offsetV, const PooledSky& perPosition);

}  // namespace phot
