// Start-up: every setting gets its default, the camera and working path are read,
// the banner is printed.
#include "app/startup.h"

#include <string>

#include "app/camera_commands.h"
#include "app/working_path.h"
#include "phot/star_data.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"

namespace app {

void banner(Session& s) {
  Settings& set = s.state.settings;
  InterpreterSettings& in = s.state.interp;
  textio::Console& c = s.console;
  c.line("");
  c.line(textio::fixed("  Pelm Observatory CCD photometry software", 63) + "TEST VERSION");
  c.line("  " + std::string(73, '*'));
  c.line(" ");
  c.line(" ");
  std::string credit = " Pelm Observatory reduction team";
  c.line(textio::fixed(credit, 66) + "Sep 2005");
  c.line(" ");
  c.line(" ");
  c.line(" maximum image size " + std::to_string(s.state.ws.capacity()) + " pixels; 16 bit only at present");
  c.line(" ");
  c.line("    program version " + set.programVersion);
  c.line(" ");
  c.line(" default program settings :");
  c.line(" ");
  set.frameWindow = {1, -5, 1, -5};
  set.searchBox = {5, -5, 5, -5};
  c.line("  default box for star searching will be to within 5 pixels of edge of frame");
  set.findThreshold = 100;
  set.findProximity = 4;
  c.line(textio::Line("  default threshold for star finding =")
             .i(set.findThreshold, 5)
             .a("; proximity = ")
             .i(set.findProximity, 2));
  in.fwhmLimit = 3;
  c.line(textio::Line("  images accepted for photometry etc with fwhm up to and including")
             .i(in.fwhmLimit, 2)
             .a(" pixels"));
  in.apertureType = "soft";
  c.line(textio::Line("  default aperture type for photometry : ")
             .a(in.apertureType, 4)
             .a(";  radius = ")
             .f(set.apertureRadius, 4, 1));
  in.outputFormat = 1;
  c.line("  default output format : ssssssssssbbbbbbbbbb (s = star, b = sky)");
  c.line(" ");
  set.motionOn = 0;
  c.line(" object/frame motion : off");
  in.logOn = 0;
  c.line(" log file : off");
  in.photAlign = 1;
  c.line(" object alignment for photometry : on ");
  in.psfZeroRadius = 3.5f;
  c.line(textio::Line("  PSF fitting: PSF if forced to zero for r >").f(in.psfZeroRadius, 4, 1));
  in.markStars = 0;
  in.markSky = 0;
  c.line(" mark star and sky positions : no ");
  c.line(" ");
  c.line(" > what is wrong or needs checking with this program: ");
  c.line(" ");
  c.line(" * two cases where u,v are not converted to x,y when doing Pythagoras:");
  c.line("   radius of defined sky patch, and outer radius for PSF");
  c.line(" * output file needs tidying up!");
  c.line(" ");
  c.line(" * CAUTION - this program tries to keep the time counting past 24 hours");
  c.line("   at midnight (rather than resetting to zero), BUT");
  c.line("   at present the date changes - needs sorting out properly");
  c.line(" ");
  c.line(" This is a test version for evaluation by observers of the Pelm Observatory.");
  c.line(" ");
  c.line(" ");
  c.line("  current path = " + textio::fixed(set.workingPath, 80));
  c.line(" ");
  c.line("  current camera = " + s.state.camera.name);
  c.line(" ");
}

void startup(Session& s) {
  Settings& set = s.state.settings;
  set.programVersion = textio::fixed("2.1", 10);
  set.skyLocked = 0;
  set.noiseFloor = 0.0f;
  set.maxStack = 9999;
  s.state.paths.model1.uOrder = 0;
  s.state.paths.model1.vOrder = 0;
  set.starListFile = std::string(20, ' ');
  dvload(s, image::DecodeListing::Quiet, true);
  getpth(s);
  set.verbosity = 0;
  set.skyBox = 50;
  set.skyEstimator = textio::fixed("clipped mean", 20);
  set.apertureRadius = 2.0f;
  set.matchTolerance = 2.0f;
  set.psfSearchHalfWidth = 2.1f;
  set.starListFile = textio::fixed("stars.lst", 20);
  banner(s);
  set.skySubtractionMethod = 1;
  set.secondOrderTerms.fill(0.0);
  s.state.interp.multiplyFactor = 1.0f;
  phot::resetSkyOffsets(s.state.starData);
  phot::gsdata(s.console, set.workingPath, s.state.starData, 0);
  phot::gsload(s.console, set.workingPath, s.state.starData);
  s.state.interp.pauseCount = 0;
}

}  // namespace app
