// The rotation model fit: a polynomial in time through the rotations of the alignment table,
// written to rotate.mdl for the rotating aligner's model mode. It lives beside the polynomial
// fit it uses (this layer sees the alignment table; the alignment layer cannot see the fit).
#pragma once

#include <string_view>

#include "align/alignment_table.h"

namespace textio {
class Console;
}

namespace motion {

/// FITROT: asks the order (0..6; "   not higher than 6, please!" above 6, and a negative
/// order is refused too), writes every named entry with a rotation below 900.0 to xy.dat,
/// fits with t0 = the first such entry's time, and writes rotate.mdl. When the fit has no
/// unique solution rotate.mdl is left as it was and false is returned.
[[nodiscard]] bool fitrot(textio::Console& console, std::string_view workingPath,
                          const align::AlignmentTable& table);

}  // namespace motion
