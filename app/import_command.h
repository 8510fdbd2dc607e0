// `import`: frames named as capture programs name them, given numbered raw names.
#pragma once

#include "app/state.h"

namespace app {

/// `import`: asks for a pattern of frame files and a raw name, sorts the matching files by
/// frame time (then by name) and gives each a numbered raw name in the working path (a hard
/// link, else a copy); lists them in import.txt. Nothing is made when a new name is taken.
void importCommand(Session& s);

}  // namespace app
