// The dialogues that set the photometry objects and their sky positions, and the reading of
// a PSF list file into the per-frame PSF table.
#pragma once

#include "app/state.h"

namespace app {

/// starlist: the number of objects and their positions (labels kept).
void starlistCommand(Session& s);
/// nstarlist: as starlist, with a new label for each object.
void nstarlistCommand(Session& s);
/// targets: reads a target block (names, codes and four numbers) that nothing else uses.
void targetsCommand(Session& s);
/// dskylist: the sky offsets of one photometry object; an unknown label ends the program.
void dskylistCommand(Session& s);
/// clearsky: every sky offset unset.
void clearskyCommand(Session& s);
/// readpsffil: the per-frame PSF table filled from stars.psf.
void readpsffilCommand(Session& s);

}  // namespace app
