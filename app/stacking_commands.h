// Frame averaging and stacking: avfiles, stack, rstack and loadwithof, and the object-path
// file that path photometry of partial stacks writes to.
#pragma once

#include "app/state.h"

namespace app {

/// avfiles: the mean of the frames of the file list, without shifts.
void avfiles(Session& s);
/// stack: the frames shifted by their whole-pixel offsets (plus the moving object's
/// displacement with motion on) and averaged; partial stacks of maxStack frames are measured
/// along the object path.
void stack(Session& s);
/// rstack: as stack with sub-pixel offsets and field rotation (rotated resampling).
void rstack(Session& s);
/// loadwithof: one frame loaded with a typed whole-pixel offset.
void loadwithof(Session& s);
/// openpathfi / closepathf: the object-path file held open between commands.
void openPathFile(Session& s);
void closePathFile(Session& s);
/// astpsfpos: path photometry of the frame in workspace 1.
void astpsfpos(Session& s);

}  // namespace app
