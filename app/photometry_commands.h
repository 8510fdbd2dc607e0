// Photometry over the file list: photometry, psffiles and psffilesal choose the objects and
// reload the alignment table; photfiles measures every frame of the list (log header, frame
// acceptance, loading, the PSF look-up of optimal extraction, the PSF output files).
#pragma once

#include "app/state.h"
#include "phot/phot_frame.h"

namespace app {

/// photometry: the photometry objects (weighting star first), then photfiles.
void photometryCommand(Session& s);
/// psffiles: the PSF star and the others, aperture type "psf ", then photfiles.
void psffilesCommand(Session& s);
/// psffilesal: as psffiles with a full PSF fit of every object ("psfa").
void psffilesalCommand(Session& s);
/// photfiles: measures every frame of the file list with the current aperture type.
void photfilesCommand(Session& s);

/// The tables a frame's photometry works on, and the interpreter settings it is given.
phot::PhotTables photTables(Session& s);
phot::PhotOptions photOptions(const InterpreterSettings& in);

}  // namespace app
