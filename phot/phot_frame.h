// Photometry of the frame in workspace 1: every object of the photometry star list is carried
// from the fiducial frame into the frame (the moving object by the path model), given a sky
// (its sky positions, or the automatic box) and measured with the chosen aperture type; the
// result record goes to the console and, with logging on, to the photometry output file (the
// log). PSF runs write the fitted shapes to the PSF list file and the PSF table file.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "align/alignment_table.h"
#include "core/settings.h"
#include "image/camera.h"
#include "image/workspaces.h"
#include "motion/path_model.h"
#include "phot/psf_model.h"
#include "phot/sky.h"
#include "phot/star_data.h"
#include "textio/console.h"

namespace phot {

/// The shared tables a frame's photometry reads and writes.
struct PhotTables {
  textio::Console& console;
  const core::Settings& settings;
  const image::Camera& camera;
  image::Workspaces& ws;                   // pixels (sky patches may be marked), date, frameTime
  const align::AlignmentTable& alignment;  // frame time look-up, PSF store
  StarData& starData;                      // photometry star list, sky offsets, PSF sums
  const motion::PathModel& path;           // position of the moving object
  PsfModel& psfModel;                      // shared sub-sampling factor
  SkySamples& samples;                     // the robust estimator's store
};

/// The interpreter settings a frame's photometry is given.
struct PhotOptions {
  int32_t logOn = 0;                 // 1: records also go to the photometry output file
  std::string apertureType = "soft"; // "soft", "hard", "hdav", "opti", "chec", "psf ", "psfa"
  int32_t markSky = 0;               // 1: sky patches are marked in the image
  int32_t outputFormat = 1;          // 1: records carry sky values; 2: errors
  float psfZeroRadius = 3.5f;        // model radius of the PSF routines
};

/// Per-object results of one frame (objects 1..10; 0 for objects not measured).
struct PhotResults {
  textio::Table1<double, kPhotSlots> sky, skyError, skySd;
  textio::Table1<float, kPhotSlots> flux, error, widthNS, widthEW;
  textio::Table1<int32_t, kPhotSlots> noSky;
  textio::Table1<float, kPhotSlots> u, v;     // where each object was measured in the frame
  textio::Table1<float, kPhotSlots> peak;     // object's highest pixel near (u, v) above its sky
  textio::Table1<std::vector<std::array<float, 2>>, kPhotSlots> skyPatches;  // sky patch centres (u, v)
  int moving = 0;                             // the object the path model moves (0: none)
};

/// PHOT: measures the photometry objects on the frame in workspace 1 with alignment offsets
/// (du, dv) and rotation (degrees). r0psf and ellip are the PSF shape used by "opti" and fitted
/// by "psf "/"psfa"; psfWeighting is set to 1 before every PSF fit. psfList and psfTable are
/// the open PSF files of PSF runs (unused otherwise). Objects whose sky, aperture box or
/// 11 x 11 box cannot be measured inside the image get flux 0 and no PSF list line.
PhotResults phot(PhotTables& t, std::string_view frameName, float du, float dv, float rotation,
                 const PhotOptions& options, float& r0psf, float& ellip, int32_t& psfWeighting,
                 std::ostream* psfList, std::ostream* psfTable);

/// Measures one place (u, v) of the frame in workspace 1 exactly as PHOT measures object 1,
/// with the given sky: "soft", "hard" and "hdav" by their apertures, "opti" by optimal
/// extraction with a weight mask built at the place itself. The measured value, or nothing for
/// an aperture type that measures no flux. A failed measurement (box outside the image, no
/// usable mask) gives 0, as for an object.
std::optional<float> measureAt(PhotTables& t, std::string_view frameName, const PhotOptions& options,
                               float u, float v, const ObjectSky& sky, float r0psf, float ellip);

}  // namespace phot
