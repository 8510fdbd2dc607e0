// Commands that finish a light curve: the rotation period search and the ALCDEF export.
#pragma once

#include "app/state.h"

namespace app {

/// `period`: rotation period from one or more dmag light curves (one session each); writes
/// period.txt, periodogram.svg and phased.svg.
void periodCommand(Session& s);
/// `alcdef`: one dmag light curve written as an ALCDEF session for the light-curve archive.
void alcdefCommand(Session& s);

}  // namespace app
