// Astrometry of a moving object: the measured positions of objectpath.txt (single frames
// and partial stacks) carried to the sky, their UTC times, and residuals against a path.
#pragma once

#include <string>
#include <vector>

#include "sky/sky_solution.h"
#include "sky/utc_time.h"

namespace sky {

/// One line of objectpath.txt.
struct MeasuredPosition {
  double hours = 0.0;   // the line's time, hours UT of the night (24.x after midnight)
  double u = 0.0;       // fiducial-frame position, pixels
  double v = 0.0;
  std::string frame;    // the frame measured; empty for a partial stack (or a bare time, u, v line)
  int line = 0;         // line number in the file
};

/// Reads the positions: lines "time , u , v , code , frame , ..." as `updatemult` writes them,
/// "time, u, v,  sky=, level" as the path photometry of partial stacks appends them, and bare
/// "time u v" lines; blank lines skipped. False with `problem` (naming the line) when a line
/// is not one of these, a value is not finite or out of range, or there is no position.
[[nodiscard]] bool readPositions(const std::string& text, std::vector<MeasuredPosition>& out,
                                 std::string& problem);

/// A path u(t), v(t) in the fiducial frame (hours in, pixels out).
struct PathFunction {
  virtual ~PathFunction() = default;
  virtual void at(double hours, double& u, double& v) const = 0;
};

/// The straight line u = a + b t, v = c + d t fitted by least squares (at least two distinct times).
struct LinearPath : PathFunction {
  double t0 = 0.0, u0 = 0.0, du = 0.0, v0 = 0.0, dv = 0.0;
  void at(double hours, double& u, double& v) const override;
};
/// False when fewer than two distinct times.
[[nodiscard]] bool fitLinearPath(const std::vector<MeasuredPosition>& positions, LinearPath& out);

/// One position reported.
struct AstrometricPosition {
  MeasuredPosition measured;
  UtcTime time;            // mid-exposure, UTC
  SkyPosition sky;         // ICRS degrees
  double resRa = 0.0;      // arcsec, measured minus path, along RA times cos(dec)
  double resDec = 0.0;     // arcsec
  bool flagged = false;    // residual beyond 3 x rms
};

/// The rms of the residuals (arcsec).
struct ResidualRms {
  double ra = 0.0, dec = 0.0, total = 0.0;
};

/// Residuals of every position against `path` (carried to the sky by `solution`), their rms
/// and the 3 x rms flags. False when a path position has no sky position.
[[nodiscard]] bool residuals(const SkySolution& solution, const PathFunction& path,
                             std::vector<AstrometricPosition>& positions, ResidualRms& rms);

}  // namespace sky
