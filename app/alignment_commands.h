// Commands of the star data table and the alignment: align with its explanation and pause,
// the star data modes with their confirmations, putstar, and the unfinished mosaic and
// rotatefram commands.
#pragma once

#include "app/state.h"

namespace app {

/// `align`: explanation, check of the star list name, pause, alignment, reload of align.dat.
/// The check both aligners make first: a star position list must be named; it is shown, the
/// user presses return and a list still open from dfs or s is closed. False (after the
/// message) when no list is named.
[[nodiscard]] bool starListReady(Session& s);

void alignCommand(Session& s);
/// `clearposit`, `startposit`, `copypositi`, `resetposit`, `positions`: star data modes
/// 0, 19, 9, 10 and 1 with their confirmation lines.
void starDataMode(Session& s, int mode);
/// `putstar`: asks for u, v, height, r, e and adds an artificial star to workspace 1.
void putstarCommand(Session& s);
/// `mosaic`: clears workspace 1 and says the command needs fixing.
void mosaicCommand(Session& s);
/// `rotatefram`: asks for a frame, says the command is unfinished, loads the frame into
/// workspace 1 and looks it up in the alignment table (which sets the frame time).
void rotateframCommand(Session& s);

}  // namespace app
