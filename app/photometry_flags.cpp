// Contamination flags of a photometry run.
#include "app/photometry_flags.h"

#include <algorithm>

#include "app/working_path.h"
#include "phot/phot_flags.h"
#include "phot/star_data.h"
#include "textio/fixed_text.h"

namespace app {

void RunFlags::start(Session& s) {
  std::ifstream list(hostName(s, "stars.lst"), std::ios::binary);
  if (list) field_.read(list, s.state.alignment, {s.state.camera.pixelSizeX, s.state.camera.pixelSizeY});
  out_ = std::make_unique<std::ofstream>(hostName(s, phot::kPhotFlagsFile), std::ios::binary | std::ios::trunc);
  if (!*out_) {
    s.console.line("   error - cannot create photflags.txt; measurements not flagged");
    out_.reset();
    return;
  }
  *out_ << phot::photFlagsTitle() << '\n';
}

void RunFlags::record(Session& s, const std::string& frame, const align::FrameLookup& f, const phot::PhotResults& r) {
  if (!out_) return;
  const State& st = s.state;
  const int count = std::min(st.starData.photStarCount, phot::kPhotSlots);
  const float fwhm = f.fwhm > 0 ? static_cast<float>(f.fwhm) : 3.0f;
  const float du = f.du > 9998.0f ? 0.0f : f.du, dv = f.du > 9998.0f ? 0.0f : f.dv;
  const float rotation = f.du > 9998.0f ? 0.0f : f.rotation;
  std::vector<phot::NearStar> stars;
  for (int k = 1; k <= count; ++k) {
    phot::MeasureGeometry g;
    g.u = r.u[k];
    g.v = r.v[k];
    g.apertureRadius = st.settings.apertureRadius;
    g.fwhm = fwhm;
    g.objectPeak = r.peak[k];
    g.skyBox = r.noSky[k] == 1 ? st.settings.skyBox : 0;
    for (const auto& p : r.skyPatches[k]) g.patches.push_back({p[0], p[1], 0.0f, false});
    g.patchRadius = st.settings.skyApertureRadius;
    g.motion = k == r.moving ? phot::ObjectMotion::Moving : phot::ObjectMotion::Fixed;
    phot::ContaminationCheck check;
    if (field_.neighbours(frame, du, dv, rotation, g.u, g.v, std::max(2.0f, fwhm), g.motion, stars))
      check = phot::checkContamination(g, stars);
    *out_ << phot::photFlagsLine(align::stripType(frame), st.starData.starLabels[k], check) << '\n';
    measured_[static_cast<size_t>(k)] += 1;
    if (phot::isContaminated(check.flag)) contaminated_[static_cast<size_t>(k)] += 1;
  }
  out_->flush();
}

void RunFlags::finish(Session& s) {
  if (!out_) return;
  for (int k = 1; k <= phot::kPhotSlots; ++k) {
    const int n = contaminated_[static_cast<size_t>(k)];
    if (n == 0) continue;
    s.console.line("   " + std::to_string(n) + " of " + std::to_string(measured_[static_cast<size_t>(k)]) +
                   " measurements of " + std::string(textio::trimRight(s.state.starData.starLabels[k])) +
                   " contaminated; see photflags.txt");
  }
  out_.reset();
}

}  // namespace app
