// Alignment with field rotation: for every frame of a star position list, a grid of trial
// rotations is searched coarse to fine, the fiducial pattern is matched in physical
// coordinates at each trial, and the trial with the smallest rms wins. In model mode the
// rotation comes from rotate.mdl and only the offsets are found.
#pragma once

#include <cstdint>

#include "align/align_offsets.h"
#include "align/alignment_table.h"
#include "align/rotation_model.h"
#include "align/transforms.h"

namespace textio {
class Console;
}
namespace core {
struct Settings;
}

namespace align {

/// How the trial rotations of one frame are laid out.
struct RotationSearch {
  double centre = 0.0;  // rotation of the middle trial, degrees
  double step = 0.0;    // degrees between trials of the first pass
  int steps = 0;        // trials run from -steps to +steps in the first pass
  int passes = 4;       // each later pass divides the step by 10 and runs 41 trials
};

/// The best trial of a frame.
struct RotationMatch {
  bool matched = false;       // some trial matched in the first pass
  float rotation = 999.999f;  // degrees; 999.999 when no trial matched
  float du = 9999.99f;        // offset in u pixels
  float dv = 9999.99f;        // offset in v pixels (converted back from physical units)
  float rms = 100.0f;         // physical units; 99.99 is reported when nothing matched
};

/// Searches the trial rotations for one frame whose stars are already in `t` (physical
/// coordinates). The fiducial positions (u, v) of `t` are rotated for each trial.
RotationMatch searchRotation(MatchTables& t, const RotationSearch& search, float tolerance, bool rejectDoubles,
                             const PixelSizes& px);

/// ALIGNR: reads stars.fid, asks the double-image, mode and orientation questions, matches
/// every frame of the star list named in the settings and writes align.dat, align.txt (and
/// rotationfit.txt in model mode, comparing with the rotations of `previous`). Inputs are
/// read before any output is replaced, so a missing input leaves the old files untouched.
/// Each frame's first `frameStars` stars are used, as alignOffsets uses them.
AlignRun alignRotation(textio::Console& console, const core::Settings& settings, int32_t cameraNx,
                       int32_t cameraNy, const PixelSizes& px, const AlignmentTable& previous,
                       int frameStars = kMaxFrameStars);

}  // namespace align
