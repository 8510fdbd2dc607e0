// The export command: a photometry log, a light curve or the alignment table as a table that
// other programs read (ECSV, CSV, or for a light curve the AAVSO Extended format).
#pragma once

#include "app/state.h"

namespace app {

/// `export`: asks the file, the format and the output name, recognises the file's layout,
/// and writes the table atomically (nothing is written when any check fails).
void exportCommand(Session& s);

}  // namespace app
