// The `report` command: the night report night-report.md, its pictures of the offsets and the
// star width against time, and its summary on the console.
#pragma once

#include "app/state.h"

namespace app {

/// report: asks for the light curve to include, gathers the night's files (filelist.txt,
/// align.dat, photflags.txt, the frames' headers, astrometry.psv), writes night-report.md,
/// night-offsets.svg and night-fwhm.svg, and prints the summary.
void reportCommand(Session& s);

}  // namespace app
