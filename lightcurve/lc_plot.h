// The `lcplot` command: an SVG picture of one star's light curve from a dmag output file,
// against time or, with an ephemeris set, against phase.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "lightcurve/dates.h"

namespace textio {
class Console;
}

namespace lightcurve {

/// One observation of a dmag output file.
struct ResRow {
  int32_t year = 0, month = 0, day = 0;  // date of the line
  float time = 0.0f;            // corrected time, hours
  std::array<float, 20> cols{}; // values 1..10 and their errors 11..20 (index 0 = column 1)
  double hjd = 0.0;             // Julian Date as written
};

/// What a plot needs from a dmag output file.
struct ResFile {
  std::array<std::string, 10> names{};  // star names from the title line, 5 characters
  std::vector<std::string> references;  // normalising star names
  bool magnitudes = false;              // a zero-point line: the values are magnitudes
  std::vector<ResRow> rows;             // observations in file order
};

/// Reads the lines of a dmag output file; false (with `error` set) when there is no title
/// line. Lines after the titles that are not observations are ignored.
[[nodiscard]] bool readResFile(const std::vector<std::string>& lines, ResFile& out, std::string& error);

/// What was drawn.
struct Plot {
  std::string svg;  // the picture, empty when there is nothing to draw
  int points = 0;   // observations drawn
  int leftOut = 0;  // observations without a value (magnitude 99.999)
};

/// Draws star `star` (1..10): one point per observation with its error bar (a note on the
/// picture when the file gives no errors), axes with ticks at round values, the star and
/// reference names. Against phase when `eph` has a positive period; else against UT hours
/// when the night lies within one day of its date, else against the file's HJD column from
/// the day of the first observation (titled JD when that column holds the plain JD of the
/// date and time). Magnitudes grow downward.
Plot plotStar(const ResFile& res, int star, const Ephemeris& eph, std::string_view fileName);

/// Asks (current input) for the dmag output file and the star, and writes the picture next
/// to the file with the type ".svg".
void lcplot(textio::Console& console, std::string_view workingPath, const Ephemeris& eph);

}  // namespace lightcurve
