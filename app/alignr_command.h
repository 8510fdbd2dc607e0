// The alignr command: alignment with field rotation.
#pragma once

#include "app/state.h"

namespace app {

/// Explains the command, checks the star list name, waits for return, runs the rotating
/// aligner and reloads the alignment table.
void alignrCommand(Session& s);

}  // namespace app
