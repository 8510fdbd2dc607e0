// Dark and flat correction of workspace 1, with workspace 2 as the dark and workspace 3
// as the (already dark-corrected) flat.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/settings.h"
#include "image/camera.h"
#include "image/workspaces.h"

namespace textio {
class Console;
}

namespace calib {

/// Loads the frame `name20` (type stripped; the current type is appended) into workspace 2
/// (replacing it, factor 1, no shift) and subtracts it from workspace 1, clipping at 0.
/// When the frame cannot be loaded workspace 1 is left unchanged (after the load's message
/// and one of its own) and false is returned.
[[nodiscard]] bool dark(textio::Console& console, core::Settings& settings, image::Camera& camera,
                        image::Workspaces& ws, std::string_view name20);

/// The mean of the flat (workspace 3) over the current image size, summed in a 4-byte
/// float in storage order. It depends only on workspace 3 and the size, so a batch that
/// keeps both computes it once.
struct FlatMean {
  float mean = 0.0f;  // average flat pixel
  int32_t nx = 0;     // image size it was taken over
  int32_t ny = 0;
};

/// Averages workspace 3 over nx x ny (0 when the image has no pixel).
FlatMean flatMean(const image::Workspaces& ws);

/// Prints the rule of the correction for the user (three lines).
void printFlatRule(textio::Console& console);

/// Dark and flat correction of workspace 1: prints the average flat pixel; every pixel
/// becomes truncate((d - k) x mean / f + 0.5) where the flat pixel f is above 0.3 x mean and
/// above 0, else 0 (counted as rejected); results >= 65531 become 65530, negatives are kept.
/// Prints and returns the number of rejected pixels. `flat` must have been taken over the
/// current size (it is recomputed when it was not).
int64_t dfsub(textio::Console& console, image::Workspaces& ws, const FlatMean& flat);
/// The same, averaging the flat first.
int64_t dfsub(textio::Console& console, image::Workspaces& ws);

}  // namespace calib
