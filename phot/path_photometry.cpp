// Path photometry: PSF position fit of the moving object on a stacked frame.
#include "phot/path_photometry.h"

#include <memory>

#include "core/settings.h"
#include "phot/psf_fit.h"
#include "phot/sky.h"
#include "textio/console.h"
#include "textio/fortran_format.h"

namespace phot {

bool spa(textio::Console& console, const core::Settings& settings, const image::Workspaces& ws,
         const motion::PathModel& model, PsfModel& psfModel, float psfZeroRadius, float gain,
         std::ostream* objectPath) {
  if (!(settings.stackPsfRSum > 0.0f) || !(settings.stackPsfESum > 0.0f)) {
    console.line("   no PSF model - use readpsffil");
    return false;
  }
  float up = model.cu[1];
  float vp = model.cv[1];
  if (!image::withinReach(up, vp)) {
    console.line(
        "   error - the sky box around the path position reaches outside the image; nothing measured");
    return false;
  }
  auto ic = static_cast<int32_t>(up + 0.5f);
  auto jc = static_cast<int32_t>(vp + 0.5f);
  auto samples = std::make_unique<SkySamples>();
  skgClear(*samples);
  console.line(" have intialised skg");
  int32_t half = settings.skyBox / 2;
  for (int32_t i = ic - half; i <= ic + half; ++i) {
    for (int32_t j = jc - half; j <= jc + half; ++j) {
      int32_t value = 0;
      if (!ws.get(i, j, value)) {
        console.line("   error - the sky box around the path position reaches outside the image; nothing measured");
        return false;
      }
      skgAdd(*samples, value);
    }
  }
  console.line(" about to call skg mode=2");
  RobustSky sky = skgEstimate(console, settings, *samples);
  console.line("       returned ... ");
  console.line(textio::Line("       sky   =").free(sky.sky).str());
  console.line(textio::Line("       sigma =").free(sky.sd).str());
  console.line(textio::Line("       npside=").freeI(settings.skyBox).str());
  PixelBox box;
  for (int a = 1; a <= kBox; ++a) {
    for (int b = 1; b <= kBox; ++b) {
      int32_t value = 0;
      if (!ws.get(ic + a - 6, jc + b - 6, value)) {
        console.line("   error - the box around the path position reaches outside the image; nothing measured");
        return false;
      }
      box(a, b) = static_cast<float>(value);
    }
  }
  for (int a = 1; a <= kBox; ++a) {
    textio::Line row(" ");
    for (int b = 1; b <= kBox; ++b) row.f(box(a, b), 7, 0);
    console.line(row);
  }
  console.line("calling psfpos...");
  PsfInputs in{box, sky.sky, sky.sd, psfZeroRadius, gain, 1};
  PsfFit fit;
  fit.r0 = settings.stackPsfRSum;
  fit.e = settings.stackPsfESum;
  psfpos(console, settings.verbosity, settings.psfSearchHalfWidth, psfModel, in, fit);
  float u = static_cast<float>(ic - 6) + fit.xc;
  float v = static_cast<float>(jc - 6) + fit.yc;
  console.line("");
  console.line(textio::Line(" ").f(settings.stackTimeSum, 6, 3).x(1).f(u, 8, 2).x(1).f(v, 8, 2));
  console.line("");
  if (objectPath != nullptr) {
    *objectPath << textio::Line(" ").f(settings.stackTimeSum, 6, 3).a(",").f(u, 8, 2).a(",").f(v, 8, 2)
                       .a(",  sky=, ").f(sky.sky, 6, 1).str()
                << '\n';
    objectPath->flush();
  }
  return true;
}

}  // namespace phot
