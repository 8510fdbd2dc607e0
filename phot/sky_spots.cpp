// The sky-spot test along a moving object's path.
#include "phot/sky_spots.h"

#include <cmath>
#include <optional>

#include "align/transforms.h"
#include "motion/path_model.h"
#include "textio/fortran_format.h"

namespace phot {

namespace {

bool measurable(const PhotTables& t, const PhotOptions& o, const SkySpotRequest& r) {
  const std::string& type = o.apertureType;
  if (type == "soft" || type == "hard" || type == "hdav") return true;
  if (type != "opti") {
    t.console.line("    aperture type " + type + " measures no sky spots; frame not used");
    return false;
  }
  if (r.r0psf > 0.0f && r.ellip > 0.0f) return true;
  t.console.line("    no PSF model for this frame - use readpsffil; frame not used");
  return false;
}

std::string tableText(image::Workspaces& ws, const align::AlignmentTable& table, const SkySpotSums& sums) {
  std::string text;
  const int span = table.span();
  for (int d = 1; d <= span; ++d) {
    if (!(sums.count[d] >= 0.5f)) continue;
    ws.frameTime = table.entries[d].time;
    text += textio::Line("   ").f(ws.frameTime, 6, 3).a(",").f(sums.sum[d] / sums.count[d], 10, 1).a(",")
                .f(sums.count[d], 8, 1).str();
    text += '\n';
  }
  return text;
}

}  // namespace

std::string mulsky(PhotTables& t, std::string_view frameName, const SkySpotRequest& request,
                   const PhotOptions& options, SkySpotSums& sums) {
  textio::Console& c = t.console;
  std::string name = textio::fixed(frameName, 20);
  if (name.rfind("img", 0) == 0) c.line("error - trying to do reduction with img file");
  const std::string key = align::stripType(name);
  name = textio::fixed(key, 20);
  t.ws.frameTime = 0.0f;
  const int span = t.alignment.span();
  for (int d = 1; d <= span; ++d)
    if (t.alignment.entries[d].name == key) t.ws.frameTime = t.alignment.entries[d].time;
  const float own = t.ws.frameTime;
  const align::PixelSizes px{t.camera.pixelSizeX, t.camera.pixelSizeY};
  const motion::PathPosition real = motion::movuv(t.path, own);
  float xa, ya;
  align::uvconv(real.u, real.v, request.du, request.dv, request.rotation, xa, ya, px);
  c.line("");
  c.line(textio::Line("    measuring sky positions along path in frame ").a(name, 20));
  if (!measurable(t, options, request)) return tableText(t.ws, t.alignment, sums);
  for (int d = 1; d <= span; ++d) {
    c.line("");
    const align::AlignmentEntry& e = t.alignment.entries[d];
    if (textio::isBlank(e.name)) continue;
    t.ws.frameTime = e.time;
    const motion::PathPosition p = motion::movuv(t.path, t.ws.frameTime);
    float x, y;
    align::uvconv(p.u, p.v, request.du, request.dv, request.rotation, x, y, px);
    const float dy = (y - ya) * t.camera.pixelSizeY / t.camera.pixelSizeX;
    const float distance = std::sqrt((x - xa) * (x - xa) + dy * dy);
    if (request.minimumDistance > distance) continue;
    if (std::fabs(t.ws.frameTime - own) > request.timeDifference) continue;
    c.line(textio::Line("    ").f(t.ws.frameTime, 6, 3).a("   u0,v0 = ").f(p.u, 8, 2).x(1).f(p.v, 8, 2)
               .a("      u,v = ").f(x, 8, 2).x(1).f(y, 8, 2));
    c.line(textio::Line("    automatic sky determination for position ").f(x, 8, 2).f(y, 8, 2));
    const std::optional<ObjectSky> sky = boxSky(c, t.settings, t.ws, t.samples, x, y);
    if (!sky || !(sky->sky > 0.0)) continue;
    const std::optional<float> value = measureAt(t, name, options, x, y, *sky, request.r0psf, request.ellip);
    if (!value) continue;
    c.line(textio::Line("    ").a(name, 20).a("( t = ").f(own, 6, 3).a("); asteroid at t = ")
               .f(t.ws.frameTime, 6, 3).a(" sky = ").f(*value, 7, 1));
    sums.sum[d] += *value;
    sums.count[d] += 1.0f;
  }
  return tableText(t.ws, t.alignment, sums);
}

}  // namespace phot
