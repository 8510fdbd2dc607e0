// The sky-spot test over the file list.
#include "app/sky_spot_command.h"

#include <fstream>

#include "align/alignment_table.h"
#include "app/photometry_commands.h"
#include "app/working_path.h"
#include "image/file_list.h"
#include "image/file_names.h"
#include "image/fits_load.h"
#include "phot/sky_spots.h"
#include "phot/star_data.h"
#include "textio/paths.h"
#include "textio/progress.h"
#include "textio/value_ranges.h"

namespace app {

namespace {

void explain(textio::Console& c) {
  c.line("    For each frame: perform photometry at asteroid positions corresponding");
  c.line("    to the other frames in the series. Only report results for sky positions");
  c.line("    which are satisfactorily distant from the real asteroid, but close enough");
  c.line("    Ideally the results of this photometry should be zero!");
  c.line("    Results sorted according to position and the average value for each ");
  c.line("    position is reported");
  c.line(" ");
}

// The frame's alignment, or false (after the message) when it is too wide or not aligned.
bool acceptFrame(Session& s, const std::string& name, align::FrameLookup& f) {
  f = phot::getfid(s.console, s.state.alignment, name, s.state.ws.frameTime);
  if (f.fwhm > s.state.interp.fwhmLimit) {
    s.console.line("   error - PSF too wide");
    return false;
  }
  if (f.du > 9998.0f) {
    s.console.line("   " + name + ":    error - no alignment");
    return false;
  }
  return true;
}

// The PSF shape readpsffil stored for the frame (0, 0 when none was stored).
void storedPsf(const Session& s, const std::string& name, float& r0, float& e) {
  r0 = e = 0.0f;
  const align::FrameLookup found = align::findFrame(s.state.alignment, name);
  if (!found.found) return;
  r0 = s.state.starData.framePsfR[found.index];
  e = s.state.starData.framePsfE[found.index];
}

}  // namespace

void multiskyCommand(Session& s) {
  State& st = s.state;
  textio::Console& c = s.console;
  explain(c);
  const std::vector<float> limits =
      c.askReals("    minimum distance (horizontal pixels), time difference (hours) = ",
                 {textio::kPixelDistance, textio::kHours});
  c.line(" ");
  st.skySpots.clear();
  const std::string dat = hostName(s, "sky-spots.dat");
  const std::string txt = hostName(s, "sky-spots.txt");
  c.line("    results written to sky-spots.txt");
  c.line(" ");
  image::setflt(c, st.settings);
  (void)image::gflist(c, st.settings);
  image::FileList list;
  if (!list.open(c, st.settings)) return;
  phot::PhotTables tables = photTables(s);
  const phot::PhotOptions options = photOptions(st.interp);
  phot::SkySpotRequest request;
  request.minimumDistance = limits[0];
  request.timeDifference = limits[1];
  std::string name;
  for (int k = 1; list.next(name); ++k) {
    textio::showProgress("multisky", k, list.count());
    align::FrameLookup f;
    if (!acceptFrame(s, name, f)) continue;
    if (!image::load(c, st.settings, st.camera, st.ws, name, image::Combine::Replace, 1.0f, 0, 0)) continue;
    request.du = f.du;
    request.dv = f.dv;
    request.rotation = f.rotation;
    storedPsf(s, name, request.r0psf, request.ellip);
    { std::ofstream touch(dat, std::ios::binary | std::ios::app); }
    const std::string table = phot::mulsky(tables, name, request, options, st.skySpots);
    if (!textio::replaceFileAtomically(txt, table)) c.line("   error - cannot write sky-spots.txt");
  }
  textio::showProgress("multisky", list.count(), list.count());
}

}  // namespace app
