// Position residuals of a tracked object: the distance between where a frame's measurement
// put it and where it was expected, one entry per frame, with listings, the median, and the
// rejection of frames whose residual is too large.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "align/alignment_table.h"
#include "textio/fixed_text.h"

namespace textio {
class Console;
}

namespace motion {

constexpr int kMaxResiduals = 10000;  ///< residuals recorded per run

/// The residual table (1-based); an entry whose name starts with three blanks is empty.
struct ResidualTable {
  int32_t count = 0;                                    // residuals recorded, 0..10000
  textio::Table1<std::string, kMaxResiduals> names;     // frame names as recorded (20 characters)
  textio::Table1<float, kMaxResiduals> residuals;       // pixels
  bool fullReported = false;                            // the "too many files" message was shown

  ResidualTable() { reset(); }
  /// Clears the table (count 0, residuals 0, names blank).
  void reset();
};

/// Records the residual between a measured and a predicted position (v differences scaled by
/// pixelSizeY / pixelSizeX) and returns it. Once 1000 are recorded, further residuals are
/// computed but not stored, after one message.
float resid(textio::Console& console, ResidualTable& table, float um, float vm, float up, float vp,
            std::string_view name, float pixelSizeX, float pixelSizeY);

/// Lists the residuals, asks (at the keyboard) for a limit and marks every alignment entry of a
/// frame whose residual exceeds it as unusable (du = dv = 9999, rotation 999).
void rejrsd(textio::Console& console, const ResidualTable& table, align::AlignmentTable& alignment);

/// Lists the residuals, then sorted, and their median.
void rsdst(textio::Console& console, const ResidualTable& table);

}  // namespace motion
