// Path models of a moving object: two polynomials in time, u(t) and v(t), giving its
// position in the fiducial frame. Model 1 is the working model; model 2 keeps the linear
// model a stack was made with, so that a fit to stacked frames can be combined with it.
// Files: upath.mdl / vpath.mdl (model 1) and upath2.mdl / vpath2.mdl (model 2), each holding
// the order, t0 and the coefficients, one number per line (anything after it is ignored).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "textio/fixed_text.h"

namespace textio {
class Console;
}

namespace motion {

constexpr int kMaxPathOrder = 5;        ///< highest power a path model holds
constexpr int kPathCoefficients = 6;    ///< coefficients per axis

/// One path model. u(t) = sum over k = 1..uOrder + 1 of cu[k] * (t - t0)^(k-1); likewise v.
struct PathModel {
  float t0 = 0.0f;                                  // zero time, hours (midnight-corrected)
  int32_t uOrder = 0;                               // highest power in u(t), 0..5
  int32_t vOrder = 0;                               // highest power in v(t), 0..5
  textio::Table1<float, kPathCoefficients> cu;      // cu[k] multiplies (t - t0)^(k-1), 1-based
  textio::Table1<float, kPathCoefficients> cv;      // likewise for v
};

/// The two models held for the whole run (zero at start).
struct PathModels {
  PathModel model1;  // working model: photometry, star data, stacking along the track
  PathModel model2;  // the linear model a stack was made with
};

/// A model position and the motion since t0 (position minus the constant terms).
struct PathPosition {
  float u = 0.0f;
  float v = 0.0f;
  float du = 0.0f;
  float dv = 0.0f;
};

/// MOVUV (model 1) / MOVUV2 (model 2): the model position at `frameTime` (hours).
PathPosition movuv(const PathModel& model, float frameTime);

/// The 80-character full name and the host path of a model or working file.
struct FileName {
  std::string full;  // working path + name, 80 characters
  std::string host;  // what the operating system opens
};
/// Joins `name` to the working path; false after the console message when too long.
[[nodiscard]] bool fileIn(textio::Console& console, std::string_view workingPath, std::string_view name,
                          FileName& out);

/// RDPTH: reads model 1 from upath.mdl and vpath.mdl. The model is replaced only when both
/// files are read whole with orders 0..5; otherwise a message names the file and model 1 stays.
[[nodiscard]] bool rdpth(textio::Console& console, std::string_view workingPath, PathModels& models);
/// RDPTH2: the same for model 2 from upath2.mdl and vpath2.mdl.
bool rdpth2(textio::Console& console, std::string_view workingPath, PathModels& models);

/// SVPTH: writes model 1 to upath.mdl and vpath.mdl (order, t0, coefficients; 9 significant
/// digits, which read back to the same 4-byte values). False after a message on failure.
[[nodiscard]] bool svpth(textio::Console& console, std::string_view workingPath, const PathModels& models);
/// SVPTH2: the same for model 2 and upath2.mdl, vpath2.mdl.
bool svpth2(textio::Console& console, std::string_view workingPath, const PathModels& models);

/// CPTH12: model 2 := model 1.
void cpth12(textio::Console& console, PathModels& models);

/// ADDPTH: when the two t0 agree within 0.00005 hours, adds model 2's motion terms (powers
/// 1..5) to model 1, whose orders become the higher of the two per axis, then SVPTH.
/// Otherwise a message and nothing changes.
void addpth(textio::Console& console, std::string_view workingPath, PathModels& models);

/// SPMCF: prints model 1.
void spmcf(textio::Console& console, const PathModel& model);

/// Text of a model file: order, t0 and coefficients 1..order + 1, one bare number per line.
std::string pathFileText(int32_t order, float t0, const textio::Table1<float, kPathCoefficients>& c);

}  // namespace motion
