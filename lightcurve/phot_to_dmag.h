// The `phot2dmag` command: a photometry output file of this program turned into an input
// table for `dmag` (star list, format code, column titles and one line per record).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace textio {
class Console;
}

namespace lightcurve {

/// The dmag table made from the lines of a photometry output file.
struct DmagTableText {
  std::string error;    // empty on success; otherwise why no table was made
  std::string text;     // the table, lines ending in '\n'
  std::vector<std::string> stars;  // star labels listed, 5 characters each
  int records = 0;      // data lines written
  int passedOver = 0;   // lines after the titles that were not records
};

/// Converts the lines of a photometry output file: the column titles after the
/// "start of data" line give the stars (up to the last non-blank label), the
/// "output format : " line the format code, and every record (frame name, date, time, ten
/// values, ten sky values or errors) one data line. `source` names the file in the table's
/// first line.
DmagTableText photToDmag(const std::vector<std::string>& lines, std::string_view source);

/// Asks for the photometry output file (default `logFileName`) on the current input and
/// writes the table next to it with the type ".dat", never over the input itself.
void phot2dmag(textio::Console& console, std::string_view workingPath, std::string_view logFileName);

}  // namespace lightcurve
