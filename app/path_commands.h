// Commands of the rotation model and the path models: fits, estimate, and the checks of a
// model at a typed time.
#pragma once

#include "app/state.h"
#include "motion/path_fit.h"

namespace app {

/// fitrotatio / fitrot: reload align.dat, then fit the rotation model.
void fitrotCommand(Session& s);
/// fitpath / fittrack (t0 from the first position) and fitstacked (t0 from model 2): fit, then
/// load the new files as model 1.
void fitpathCommand(Session& s, motion::PathEpoch epoch);
/// estimatepa / ep: explanation, the two frame names and positions, then the estimate.
void estimatepaCommand(Session& s);
/// testpath: asks a time, sets the frame time to it and prints model 1's position and motion.
void testpathCommand(Session& s);
/// diffpath: as testpath, then both models' positions and their distance.
void diffpathCommand(Session& s);

}  // namespace app
