// Answers to a command's questions that have a default: a blank answer takes it.
#pragma once

#include <cstdint>
#include <string>

#include "textio/console.h"

namespace app {

/// An integer answer, `fallback` when the answer is blank; an unreadable answer is handled as
/// every numeric prompt handles it (asked again at the keyboard, a script abandoned).
int32_t askIntOr(textio::Console& c, const std::string& prompt, int32_t fallback);

/// The answer without its leading and trailing blanks.
std::string askText(textio::Console& c, const std::string& prompt);

}  // namespace app
