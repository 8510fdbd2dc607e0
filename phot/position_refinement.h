// Refining the positions of the star data table from a star position list: from the first
// frame as listed, or from every aligned frame carried into the fiducial frame and averaged,
// following one object (optionally along the path model) into objectpath.txt and recording
// its position residuals.
#pragma once

#include <cstdint>

#include "align/alignment_table.h"
#include "align/transforms.h"
#include "motion/path_model.h"
#include "motion/residuals.h"
#include "phot/star_data.h"

namespace textio {
class Console;
}
namespace core {
struct Settings;
}

namespace phot {

constexpr int kMaxRows = 1000;  ///< star rows read per frame block, designed frames

/// Star rows read per frame block for workspaces of `capacity` pixels: 1000 at the designed
/// capacity, in proportion above it (as the star finder lists more stars).
int rowLimit(int64_t capacity);

/// Refined positions from the first frame of the star list: every table entry within the
/// matching tolerance of a listed star takes that star's position (a later star wins).
/// The table changes, and stardata.txt is saved, only when the list was read whole.
/// At most `maxRows` star rows of a frame are read (1000 for frames within the designed
/// capacity; rowLimit gives the number for larger workspaces).
void updatePositions(textio::Console& console, const core::Settings& settings, const align::PixelSizes& px,
                     StarData& sd, int maxRows = kMaxRows);

/// Refined positions averaged over every frame of the star list that has an alignment entry,
/// each detection carried into the fiducial frame; one object is tracked into objectpath.txt
/// with its residuals. Files are opened, and the list read whole, before the table changes.
/// `frameTime` receives the time of each frame looked up. `maxRows` as for updatePositions.
void updateMultiple(textio::Console& console, const core::Settings& settings, const align::PixelSizes& px,
                    StarData& sd, const align::AlignmentTable& alignment, const motion::PathModel& model,
                    motion::ResidualTable& residuals, float& frameTime, int maxRows = kMaxRows);

}  // namespace phot
