// One session of the program: start-up, then the command loop over given streams.
#pragma once

#include <iosfwd>

#include "app/state.h"

namespace app {

/// Runs a session with `in` as the keyboard and `out` as the screen, in the current
/// directory (where device.ccd and path.dat are looked for): the start-up, then commands
/// until stop, exit or x, or the end of the input. Returns the exit status: 0, or 1 after a
/// fatal stop (its message printed) or a failure no command expected ("   error - program
/// stopped: ..."); either way the log file, the open star list and objectpath.txt are
/// closed first.
/// Each session starts from a fresh state and with no stop signal pending. `terminal` tells
/// that `in` is a person at a terminal (long help lists are then paged).
int runSession(std::istream& in, std::ostream& out, bool terminal = false);

/// The same on a given state, which the caller provides freshly made or reset.
int runSession(State& state, std::istream& in, std::ostream& out, bool terminal = false);

}  // namespace app
