// Rotation-model and path-model commands of the interpreter.
#include "app/path_commands.h"

#include <cmath>
#include <string>
#include <vector>

#include "align/transforms.h"
#include "motion/path_fit.h"
#include "motion/path_model.h"
#include "motion/rotation_fit.h"
#include "textio/fortran_format.h"
#include "textio/value_ranges.h"

namespace app {

void fitrotCommand(Session& s) {
  (void)align::alload(s.console, s.state.settings.workingPath, s.state.alignment);
  (void)motion::fitrot(s.console, s.state.settings.workingPath, s.state.alignment);
}

void fitpathCommand(Session& s, motion::PathEpoch epoch) {
  // A failed fit leaves model 1 as it is: loading the old files would replace a model
  // estimated but not yet saved.
  if (motion::fitpth(s.console, s.state.settings.workingPath, s.state.paths, epoch)) {
    (void)motion::rdpth(s.console, s.state.settings.workingPath, s.state.paths);
  }
}

void estimatepaCommand(Session& s) {
  textio::Console& c = s.console;
  c.line("    estimate model for object motion based on start, end positions");
  c.line("    (these are positions in observed frames, not necessarily fiducial system)");
  c.line("    (names match those in align.dat, case-sensitive, ignore file type ");
  c.prompt("    image name #1 = ");
  const std::string name1 = c.answerText(20);
  const std::vector<float> p1 = c.askReals("    u1, v1 = ", 2, textio::kCoordinate);
  c.prompt("    image name #2 = ");
  const std::string name2 = c.answerText(20);
  const std::vector<float> p2 = c.askReals("    u2, v2 = ", 2, textio::kCoordinate);
  const align::PixelSizes px{s.state.camera.pixelSizeX, s.state.camera.pixelSizeY};
  motion::estpth(c, s.state.alignment, px, {name1, p1[0], p1[1]}, {name2, p2[0], p2[1]}, s.state.ws.frameTime,
                 s.state.paths);
}

namespace {

// The part testpath and diffpath share: the time asked, model 1 at that time printed.
motion::PathPosition askTimeAndShow(Session& s) {
  s.console.line(" ");
  s.state.ws.frameTime = s.console.askReal("    t = ", textio::kHours);
  const motion::PathPosition p = motion::movuv(s.state.paths.model1, s.state.ws.frameTime);
  s.console.line(textio::Line("    u,v = ")
                     .f(p.u, 7, 2)
                     .x(1)
                     .f(p.v, 7, 2)
                     .a("      (du,dv = ")
                     .f(p.du, 7, 2)
                     .x(1)
                     .f(p.dv, 7, 2)
                     .a(")"));
  return p;
}

}  // namespace

void testpathCommand(Session& s) { (void)askTimeAndShow(s); }

void diffpathCommand(Session& s) {
  (void)askTimeAndShow(s);
  const motion::PathPosition p1 = motion::movuv(s.state.paths.model1, s.state.ws.frameTime);
  const motion::PathPosition p2 = motion::movuv(s.state.paths.model2, s.state.ws.frameTime);
  const float du = p2.u - p1.u;
  const float dv = p2.v - p1.v;
  const float diff = std::sqrt(du * du + dv * dv);
  s.console.line(textio::Line("    u,v = ")
                     .f(p1.u, 7, 2)
                     .x(1)
                     .f(p1.v, 7, 2)
                     .a(" u2,v2 = ")
                     .f(p2.u, 7, 2)
                     .x(1)
                     .f(p2.v, 7, 2)
                     .a("  diff = ")
                     .f(diff, 5, 2));
}

}  // namespace app
