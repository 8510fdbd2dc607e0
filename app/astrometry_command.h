// The astrometry dialogue: sky positions of the measured moving object and its reports.
#pragma once

#include "app/state.h"

namespace app {

/// ASTROMETRY: asks for the frame with the sky solution, the positions file, the object's
/// designation, the catalogue and the output file; prints one line per position (UTC, RA,
/// Dec, residuals against path model 1, or a straight line when none is loaded), the rms and
/// the 3 x rms flags; writes the ADES PSV report and the 80-column observations (.obs).
/// Without site.txt it asks for the site first.
void astrometryCommand(Session& s);

}  // namespace app
