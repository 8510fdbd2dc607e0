// Path photometry on a stacked frame: the moving object's position is fitted with the average
// PSF of the stack at the place the path model puts it at its zero time, and the time and
// position are appended to the object-path file when it is open.
#pragma once

#include <ostream>

#include "image/workspaces.h"
#include "motion/path_model.h"
#include "phot/psf_model.h"

namespace textio {
class Console;
}
namespace core {
struct Settings;
}

namespace phot {

/// SPA. The PSF size and ellipticity and the time come from the stack averages in the
/// settings (stackPsfRSum, stackPsfESum, stackTimeSum). Nothing is appended, after a message,
/// when there is no PSF model (averages 0) or when the sky box or the 11 x 11 box reaches
/// outside the image. Returns true when a position was measured.
[[nodiscard]] bool spa(textio::Console& console, const core::Settings& settings, const image::Workspaces& ws,
                       const motion::PathModel& model, PsfModel& psfModel, float psfZeroRadius, float gain,
                       std::ostream* objectPath);

}  // namespace phot
