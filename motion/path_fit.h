// Making a path model: the least-squares fit to the measured positions in objectpath.txt
// (FITPTH) and the linear estimate from two positions measured in two frames (ESTPTH).
#pragma once

#include <cstdint>
#include <string_view>

#include "align/alignment_table.h"
#include "align/transforms.h"
#include "motion/path_model.h"

namespace textio {
class Console;
}

namespace motion {

/// The u and v orders read from an order answer.
struct PathOrders {
  int32_t u = 0;
  int32_t v = 0;
};

/// Scans an order answer from the left for the digits 1..6: the first is the u order, and
/// from there on every such digit overwrites the v order (so v is the last one, and equals u
/// when there is no other). Other characters are ignored; none found gives 0 and 0.
PathOrders scanOrders(std::string_view answer);

/// Where a fitted path model takes its t0 from.
enum class PathEpoch { FirstPosition, Model2 };

/// FITPTH: asks the orders ("   not higher than 5, please!" and again while one is above 5),
/// reads objectpath.txt (time, u, v per line), fits u(t) and v(t) through tu.dat/tv.dat and
/// their normal-equation and coefficient files, and writes upath.mdl and vpath.mdl with
/// labels, t0 taken as `epoch` says. The model files are
/// written only when both fits succeed; false (nothing written) otherwise. The caller then
/// loads the new files as model 1 (RDPTH).
[[nodiscard]] bool fitpth(textio::Console& console, std::string_view workingPath, const PathModels& models,
                          PathEpoch epoch);

/// A position measured in an observed frame.
struct FramePosition {
  std::string_view name;  // frame name as typed (its file type is ignored)
  float u = 0.0f;
  float v = 0.0f;
};

/// ESTPTH: looks both frames up in the alignment table (each must be found), carries the
/// two positions into the fiducial frame and makes model 1 the straight line through them
/// (t0 = the first frame's time), copied to model 2. Equal times leave model 1 at the first
/// position, order 1, no motion. Sets `frameTime` as the frame look-up does.
void estpth(textio::Console& console, const align::AlignmentTable& table, const align::PixelSizes& px,
            const FramePosition& a, const FramePosition& b, float& frameTime, PathModels& models);

}  // namespace motion
