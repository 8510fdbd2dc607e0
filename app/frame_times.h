// The frames of the working path as the result exports find them: by the name a table
// gives, with the file types in use, and the alignment table that names a light curve's
// frames.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "align/alignment_table.h"
#include "app/state.h"
#include "results/export_builders.h"
#include "sky/sky_solution.h"

namespace app {

/// Finds a frame in the working path by its name as given, else with each configured file
/// type (and .fit, .fts, .fits) appended, and reads its header's stamp.
results::FrameLookup frameLookup(Session& s);

/// The timing sanity lines of the frames of filelist.txt (results::timingAnomalies), printed
/// after a batch has loaded them; frames whose header gives no time are passed over, and
/// nothing is printed when there is no anomaly.
void reportBatchTimes(Session& s);
/// The same lines, not printed.
std::vector<std::string> batchTimeAnomalies(Session& s);

/// align.dat of the working path; empty when it is missing or cannot be read.
std::vector<results::AlignRow> loadAlignment(Session& s);

/// The host path of a frame named with or without its type: as typed, else with the
/// configured raw, dark-corrected, corrected and current types, else .fits / .fit / .fts;
/// empty when there is no such file.
std::string frameFile(Session& s, const std::string& name);

/// Fiducial-frame pixels to the pixels of a frame through its alignment entry (the inverse
/// of the frame-to-fiducial transform, which is affine).
struct FiducialToFrame {
  double a11 = 1, a12 = 0, a21 = 0, a22 = 1, b1 = 0, b2 = 0;  // fiducial = A frame + b
  void apply(double U, double V, double& u, double& v) const {
    double det = a11 * a22 - a12 * a21;
    double x = U - b1, y = V - b2;
    u = (a22 * x - a12 * y) / det;
    v = (a11 * y - a21 * x) / det;
  }
};

/// The transform of a frame's alignment entry; the identity when the frame has none.
FiducialToFrame frameTransform(Session& s, const align::FrameLookup& f);

/// A frame of the night whose header holds a sky solution.
struct SolvedFrame {
  std::unique_ptr<sky::SkySolution> solution;  // nullptr when no aligned frame has one
  FiducialToFrame toFrame;
  std::string name;
};

/// The first aligned frame of the alignment table whose header holds a usable sky solution.
SolvedFrame firstSolvedFrame(Session& s);

}  // namespace app
