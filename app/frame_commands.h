// Commands that bring frames in and out: clearing and listing the workspaces, the file
// types dialogue, the file list, the batch-rename file, and loading and saving a frame.
#pragma once

#include "app/state.h"

namespace app {

/// `init`: clears workspaces 1, 2 and 3.
void initCommand(Session& s);
/// `list`, `llist`, `list2`, `list3`: asks for the centre and lists 11 x 11 pixels of a workspace
/// (which = 1, 2, 3; 0 lists workspace 1 one pixel per line).
void listCommand(Session& s, int which);
/// `q`, `w`, `e`: lists workspace 1, 2 or 3 around pixel (100, 100).
void quickList(Session& s, int which);
/// `filetypes`: asks for the raw, dark and flat types, the overwrite characters and the
/// numbering convention, then writes path.dat.
void filetypesCommand(Session& s);
/// `load`: asks for a raw frame, clears workspace 1 and loads the frame into it.
void loadCommand(Session& s);
/// `save`: asks for a name and saves workspace 1 under it with the raw type (or the type typed).
void saveCommand(Session& s);

}  // namespace app
