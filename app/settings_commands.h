// Commands that only ask for a value and store it, or switch a setting and confirm it.
#pragma once

#include "app/state.h"

namespace app {

void skysubtrac(Session& s);
void skyboxCommand(Session& s);
void thresholdCommand(Session& s);
void setfindsta(Session& s);
void rejectCommand(Session& s);
void putbox(Session& s);
void secondorde(Session& s);
void skylock(Session& s);
void maxstackCommand(Session& s);
void positionli(Session& s);
void softAperture(Session& s);
void hardAperture(Session& s);
void hardMean(Session& s);
void optimalAperture(Session& s);

/// frametime: whether a frame's time is the middle of its exposure (1) or the start the header
/// gives (2), and which is in force.
void frametimeCommand(Session& s);

}  // namespace app
