// The command interpreter: reads one keyword, normalises it and runs its handler.
#pragma once

#include <string>
#include <string_view>

#include "app/state.h"

namespace app {

enum class Next { Continue, EndProgram };

/// Normalises a command line: only its first 30 characters count; blanks are skipped,
/// A-Z folded to lower case, and the first ten characters kept, blank-padded to 10.
std::string normalise(std::string_view line);

/// Reads and runs one command; EndProgram after stop, exit or x at the console, or at the
/// end of the keyboard input.
Next comint(Session& s);

/// `script`: opens a script file named at the keyboard.
void scriptCommand(Session& s);
/// `pause`: counts the pause and waits for a line from the keyboard.
void pauseCommand(Session& s);
/// `log`: opens or closes the log file.
void logCommand(Session& s);
/// `comment`: writes a line typed by the user to the log file.
void commentCommand(Session& s);

}  // namespace app
