// Handlers of the star data and alignment commands.
#include "app/alignment_commands.h"

#include "calib/star_finding.h"
#include "align/align_offsets.h"
#include "align/alignment_table.h"
#include "image/fits_load.h"
#include "image/workspaces.h"
#include "phot/star_data.h"
#include "textio/fixed_text.h"
#include "textio/value_ranges.h"

namespace app {

bool starListReady(Session& s) {
  textio::Console& c = s.console;
  if (textio::isBlank(s.state.settings.starListFile)) {
    c.line("  error: no star position list file has been defined");
    c.line("         use positionlist command to define file, or ");
    c.line("         perform star search(es) to generate list files");
    return false;
  }
  c.line(" star list file = " + s.state.settings.starListFile);
  c.prompt(" press return to continue ");
  c.answer();
  // The star list of the last dfs or s stays open until a command reads a star list.
  s.state.starList.close();
  return true;
}

void alignCommand(Session& s) {
  textio::Console& c = s.console;
  c.line(" This command attempts to find the fiducial stars ");
  c.line(" (contained in stars.fid) in each of the files in ");
  c.line(" stars.lst. The offsets are written to align.dat. ");
  c.line(" Field rotation is ignored (if you want to account");
  c.line(" for field rotation as well, use command alignr). ");
  if (!starListReady(s)) return;
  align::alignOffsets(c, s.state.settings, calib::candidateLimit(s.state.ws.capacity()));
  align::alload(c, s.state.settings.workingPath, s.state.alignment);
}

void starDataMode(Session& s, int mode) {
  phot::gsdata(s.console, s.state.settings.workingPath, s.state.starData, mode);
  const char* done = nullptr;
  switch (mode) {
    case 0: done = "   star data arrays cleared"; break;
    case 19: done = "   intial star positions copied to refined star positions"; break;
    case 9: done = "   refined star positions copied to initial star positions"; break;
    case 10: done = "   refined star positions (only) cleared"; break;
    default: return;
  }
  s.console.line(done);
  s.console.line("");
}

void putstarCommand(Session& s) {
  std::vector<float> a = s.console.askReals(
      "   star u,v, height, r, e, t: ",
      {textio::kCoordinate, textio::kCoordinate, textio::kAnyReal, textio::kAnyReal, textio::kAnyReal});
  (void)phot::pstar(s.console, s.state.ws, a[0], a[1], a[2], a[3], a[4]);
}

void mosaicCommand(Session& s) {
  image::init(s.console, s.state.ws);
  s.console.line("this routine needs fixing to work with file lists...");
}

void rotateframCommand(Session& s) {
  s.console.prompt("    frame to rotate to fiducial position : ");
  std::string name = s.console.answerText(20);
  s.console.line("this command not working yet!");
  s.console.line("the saving part of this command needs updating");
  State& st = s.state;
  (void)image::load(s.console, st.settings, st.camera, st.ws, name, image::Combine::Replace, 1.0f, 0, 0);
  (void)phot::getfid(s.console, s.state.alignment, name, s.state.ws.frameTime);
}

}  // namespace app
