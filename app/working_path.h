// The working path: path.dat, joining typed names to the path, and the path command.
#pragma once

#include <string>
#include <string_view>

#include "app/state.h"

namespace app {

/// Reads path.dat (in the start directory) into the working path and the file-type codes.
void getpth(Session& s);
/// Writes the working path and the ten file-type codes to path.dat (replaced atomically).
void savpth(Session& s);
/// Joins a typed name to the working path (the 80-character full name); false, after the
/// console message, when the result would pass 80 characters.
[[nodiscard]] bool fullName(Session& s, std::string_view name, std::string& full);
/// The host path of a typed name joined to the working path; empty when the join fails.
std::string hostName(Session& s, std::string_view name);
/// The `path` command.
void pathCommand(Session& s);

}  // namespace app
