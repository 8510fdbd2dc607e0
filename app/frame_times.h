// The frames of the working path as the result exports find them: by the name a table
// gives, with the file types in use, and the alignment table that names a light curve's
// frames.
#pragma once

#include <vector>

#include "app/state.h"
#include "results/export_builders.h"

namespace app {

/// Finds a frame in the working path by its name as given, else with each configured file
/// type (and .fit, .fts, .fits) appended, and reads its header's stamp.
results::FrameLookup frameLookup(Session& s);

/// align.dat of the working path; empty when it is missing or cannot be read.
std::vector<results::AlignRow> loadAlignment(Session& s);

}  // namespace app
