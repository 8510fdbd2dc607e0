// Timing sanity of a batch of frames, from their headers: times that do not increase, a gap
// shorter than the exposure, UT-START/UT-END that disagree with EXPTIME, a DATE-OBS time that
// disagrees with TIME-OBS, and a second crossing of midnight. One console line per anomaly,
// naming the frame; nothing is changed (the observer decides).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "results/frame_stamp.h"

namespace results {

/// Seconds two clock readings may differ by (header times are often rounded to the second).
inline constexpr double kClockTolerance = 1.5;

/// The anomaly lines of frames in the order they were loaded (name as listed, its stamp),
/// each "   timing - <frame>: ...".
std::vector<std::string> timingAnomalies(const std::vector<std::pair<std::string, FrameStamp>>& frames);

}  // namespace results
