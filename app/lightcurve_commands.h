// Commands of the light-curve reduction: dmag, stats, listratios, liststats, ephemeris,
// lighttime, phot2dmag, lcplot.
#pragma once

#include "app/state.h"

namespace app {

/// `dmag`: differential magnitudes of a measurement table (answers from the keyboard).
void dmagCommand(Session& s);
/// `stats`: loads a photometry output file into the statistics table.
void statsCommand(Session& s);
/// `listratios`: the normalised signals of the statistics table (only while logging).
void listratiosCommand(Session& s);
/// `liststats`: the summary of the statistics table (only while logging).
void liststatsCommand(Session& s);
/// `ephemeris`: epoch and period of the phases written by dmag.
void ephemerisCommand(Session& s);
/// `lighttime`: toggles the heliocentric light-time correction of dmag's dates.
void lighttimeCommand(Session& s);
/// `phot2dmag`: a photometry output file turned into a dmag input table.
void phot2dmagCommand(Session& s);
/// `lcplot`: an SVG picture of a dmag output file.
void lcplotCommand(Session& s);

}  // namespace app
