// alignr: offsets and field rotation of every frame of the star list.
#include "app/alignr_command.h"

#include "align/align_rotation.h"
#include "textio/fixed_text.h"

namespace app {

void alignrCommand(Session& s) {
  textio::Console& c = s.console;
  c.line(" This command attempts to find the fiducial stars ");
  c.line(" (contained in stars.fid) in each of the files in ");
  c.line(" stars.lst. The offsets and amount of field rotation");
  c.line(" are written to align.dat.");
  if (textio::isBlank(s.state.settings.starListFile)) {
    c.line("  error: no star position list file has been defined");
    c.line("         use positionlist command to define file, or ");
    c.line("         perform star search(es) to generate list files");
    return;
  }
  c.line(" star list file = " + s.state.settings.starListFile);
  c.prompt(" press return to continue ");
  c.answer();
  const image::Camera& cam = s.state.camera;
  align::alignRotation(c, s.state.settings, cam.nx, cam.ny, {cam.pixelSizeX, cam.pixelSizeY}, s.state.alignment);
  align::alload(c, s.state.settings.workingPath, s.state.alignment);
}

}  // namespace app
