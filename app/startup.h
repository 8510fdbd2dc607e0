// Program start: defaults, camera, working path, banner and settings listing.
#pragma once

#include "app/state.h"

namespace app {

/// Runs the start-up sequence up to (not including) the command loop.
void startup(Session& s);

/// Prints the banner and the listing of the default settings, setting each default just
/// before the line that reports it.
void banner(Session& s);

}  // namespace app
