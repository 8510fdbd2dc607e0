// Calibration and star-finding commands: each asks for its answers and calls the operation.
#include "app/calib_commands.h"

#include <fstream>
#include <optional>
#include <sstream>

#include "app/frame_times.h"
#include "calib/batch_calibration.h"
#include "calib/flat_field.h"
#include "calib/pixel_ops.h"
#include "calib/star_finding.h"
#include "image/file_names.h"
#include "textio/fixed_text.h"
#include "textio/fortran_format.h"
#include "textio/paths.h"
#include "textio/value_ranges.h"

namespace app {

namespace {

// The box used by `find` to measure the brightest star (the box star detection uses).
constexpr int kFindBox = 7;

calib::BatchTables tables(Session& s) {
  return calib::BatchTables{s.console, s.state.settings, s.state.camera, s.state.ws, &s.state.savedFrames};
}

// Remembers the frame a batch command worked on last, as the frame last named.
void remember(Session& s, const std::string& name) {
  if (!textio::isBlank(name)) s.state.frameName = textio::fixed(name, 20);
}

}  // namespace

void darkCommand(Session& s) {
  std::string name = image::answerName(s.console, "   file to subtract (dark frame): ");
  image::strip(s.console, s.state.settings, name);
  if (!image::baseNameFits(s.console, name)) return;
  name = textio::fixed(name, 20);
  s.state.frameName = name;
  image::setraw(s.console, s.state.settings);
  (void)calib::dark(s.console, s.state.settings, s.state.camera, s.state.ws, name);
}

void multiplyCommand(Session& s) {
  s.state.interp.multiplyFactor =
      s.console.askReal("   factor by which to multiply data : ", textio::kFactor);
  calib::multip(s.state.ws, s.state.interp.multiplyFactor);
}

void subtractCommand(Session& s) {
  calib::subtra(s.state.ws, s.console.askInt("   value to subtract from all pixels : ", textio::kPixelValue));
}

void findstarsCommand(Session& s) {
  Settings& set = s.state.settings;
  std::string full;
  if (!textio::adpath(s.console, set.workingPath, "stars1.lst", full)) return;
  s.console.line("   about to open file " + full);
  s.state.starList.close();  // the star list file of an earlier batch ends here
  // The block is formed first, so that a frame without a sky estimate leaves the file as it was.
  std::ostringstream block;
  if (calib::findst(s.console, set, s.state.ws, s.state.frameName, block) < 0) return;
  if (!textio::replaceFileAtomically(textio::hostPath(full), block.str())) {
    s.console.line("   error - cannot create star position list file " + std::string(textio::trimRight(full)));
    return;
  }
  set.starListFile = textio::fixed("stars1.lst", 20);
}

void avpixCommand(Session& s) {
  float average = calib::avpix(s.console, s.state.ws);
  if (s.state.interp.logOn == 1) {
    s.console.logLine(textio::Line("   ").a(s.state.frameName, 20).x(3).f(average, 7, 0).str());
  }
}

void winavpixCommand(Session& s) {
  std::vector<double> a = s.console.askNumbers("   box imin, imax, jmin, jmax and input value : ", "iiiii",
                                               {textio::kCoordinate, textio::kCoordinate, textio::kCoordinate,
                                                textio::kCoordinate, textio::kAnyInteger});
  auto b = [&](int k) { return static_cast<int32_t>(a[static_cast<size_t>(k)]); };
  float average = calib::wavpix(s.console, s.state.ws, b(0), b(1), b(2), b(3));
  if (s.state.interp.logOn == 1) {
    textio::Line l("   \"");
    l.a(s.state.frameName, 20).a("\"");
    for (int k = 0; k < 4; ++k) l.a(",").i(b(k), 4);
    l.a(",").i(b(4), 8).a(",").f(average, 9, 1);
    s.console.logLine(l.str());
  }
}

void skyCommand(Session& s) {
  std::optional<float> sky = calib::estsky(s.console, s.state.settings, s.state.ws);
  if (!sky) return;
  s.console.line(textio::Line("   approximate sky value =").f(*sky, 6, 0).a("  (median from 752 pixels)").str());
}

void markobjectCommand(Session& s) {
  std::vector<double> a =
      s.console.askNumbers("   object u, v, mark du, dv: ", "rrii", {textio::kCoordinate});
  s.console.prompt("   mark to left, right, up and/or down? enter l, r, u or d:");
  std::string directions = s.console.answerText(4);
  calib::mobjct(s.state.ws, static_cast<float>(a[0]), static_cast<float>(a[1]), static_cast<int32_t>(a[2]),
                static_cast<int32_t>(a[3]), directions);
}

void findCommand(Session& s) {
  calib::Brightest b = calib::findbs(s.console, s.state.settings, s.state.ws, kFindBox);
  if (b.found && s.state.interp.logOn == 1) {
    s.console.logLine(
        textio::Line("   ").a(s.state.frameName, 20).x(3).f(b.u, 5, 1).x(1).f(b.v, 5, 1).x(1).str());
  }
}

void markCommand(Session& s) {
  std::vector<int32_t> p = s.console.askInts("    mark object at i,j = ", 2, textio::kCoordinate);
  calib::mark(s.state.ws, p[0], p[1]);
}

void maskCommand(Session& s) {
  std::vector<int32_t> b =
      s.console.askInts("    mask area outside imin, imax, jmin, jmax : ", 4, textio::kCoordinate);
  calib::mask(s.state.ws, b[0], b[1], b[2], b[3]);
}

void contrastCommand(Session& s) {
  std::vector<float> a = s.console.askReals("    enhance contrast; baseline, scale = : ",
                                            {textio::kPixelValue, textio::kFactor});
  calib::contrst(s.state.ws, a[0], a[1]);
}

void setpixCommand(Session& s) {
  std::vector<int32_t> a = s.console.askInts("   i, j,  value : ",
                                             {textio::kCoordinate, textio::kCoordinate, textio::kPixelValue});
  s.state.ws.put(a[0], a[1], a[2]);
}

void setallCommand(Session& s) {
  int32_t value = s.console.askInt("   value for all pixels : ", textio::kPixelValue);
  calib::setall(s.state.ws, s.state.camera.nx, s.state.camera.ny, value);
}

void subtractskCommand(Session& s) {
  std::optional<float> sky = calib::estsky(s.console, s.state.settings, s.state.ws);
  if (!sky) return;
  s.console.line(textio::Line("   estimated sky value =").f(*sky, 6, 0).a("  (median from rows 100 and 170)").str());
  calib::subval(s.state.ws, 0.9f * *sky);
}

void markpathCommand(Session& s) {
  s.console.line("  coords read from file last 2 columns of log file and");
  s.console.line("  marked on loaded image without further translation");
  s.console.line("  (you should have loaded a stacked image in the ");
  s.console.line("  appropriate coordinate system)");
  s.console.prompt("   log file containing path : ");
  std::string name = s.console.answerText(20);
  image::fnoc(name);
  std::vector<float> d = s.console.askReals("   offset  du, dv : ", 2, textio::kCoordinate);
  calib::markpa(s.console, s.state.settings, s.state.ws, name, d[0], d[1]);
}

void dfcCommand(Session& s) {
  remember(s, calib::dfc(tables(s)));
  reportBatchTimes(s);
}

void dfsCommand(Session& s) {
  remember(s, calib::dfs(tables(s), s.state.starList));
  reportBatchTimes(s);
}

void sCommand(Session& s) { remember(s, calib::starsOnly(tables(s), s.state.starList)); }

}  // namespace app
