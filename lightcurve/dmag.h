// The `dmag` command: a table of raw measurements reduced to a light curve of normalised
// values or differential magnitudes, with a Julian Date and a phase per observation.
#pragma once

#include <string_view>

#include "lightcurve/dates.h"

namespace textio {
class Console;
}

namespace lightcurve {

/// Runs the reduction dialogue. Every answer is read from the keyboard, also while a script
/// is running. `logFileName` (20 characters) is the default input name; names are joined to
/// `workingPath`. The input is never written: the command refuses an output name equal to
/// the input name, and it writes the output (next to the input, type ".res") at the end.
void ccdpho(textio::Console& console, std::string_view workingPath, std::string_view logFileName,
            const Ephemeris& eph);

}  // namespace lightcurve
