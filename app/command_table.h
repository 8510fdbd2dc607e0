// The command vocabulary as data: keywords (blank-separated aliases) and their handlers,
// in the order of comparison.
#pragma once

#include <span>
#include <string_view>

#include "app/state.h"

namespace app {

using Handler = void (*)(Session&);

struct Command {
  std::string_view keywords;  // blank-separated aliases, each 1..10 lower-case characters
  Handler run;                // the command's work
};

/// Every command, in the order keywords are compared.
std::span<const Command> commandTable();

/// The first command with an alias equal to the 10-character keyword (trailing blanks
/// ignored); nullptr when none matches.
const Command* findCommand(std::string_view keyword);

}  // namespace app
