// alignr: offsets and field rotation of every frame of the star list.
#include "app/alignr_command.h"

#include "calib/star_finding.h"
#include "align/align_rotation.h"
#include "app/alignment_commands.h"

namespace app {

void alignrCommand(Session& s) {
  textio::Console& c = s.console;
  c.line(" This command attempts to find the fiducial stars ");
  c.line(" (contained in stars.fid) in each of the files in ");
  c.line(" stars.lst. The offsets and amount of field rotation");
  c.line(" are written to align.dat.");
  if (!starListReady(s)) return;
  const image::Camera& cam = s.state.camera;
  align::alignRotation(c, s.state.settings, cam.nx, cam.ny, {cam.pixelSizeX, cam.pixelSizeY}, s.state.alignment,
                      calib::candidateLimit(s.state.ws.capacity()));
  align::alload(c, s.state.settings.workingPath, s.state.alignment);
}

}  // namespace app
