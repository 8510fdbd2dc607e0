// multisky: the sky-spot test over the file list.
#pragma once

#include "app/state.h"

namespace app {

/// multisky: on every aligned frame of the list, the sky measured where the moving object is
/// at the times of the other frames; the averages per place go to sky-spots.txt.
void multiskyCommand(Session& s);

}  // namespace app
