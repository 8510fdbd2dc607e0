// The `phot2dmag` command: a photometry output file of this program turned into an input
// table for `dmag` (star list, format code, column titles and one line per record).
#pragma once

#include <set>
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
  int leftOut = 0;      // records left out as flagged
};

/// The frames a photometry run flagged (photflags.txt), by name without file type.
struct FrameFlags {
  std::set<std::string> listed;        // every frame with a flag line
  std::set<std::string> contaminated;  // frames with a measurement flagged as contaminated
};

/// A record's frame name without its file type ("fmg001.fts" -> "fmg001"); empty for a line
/// that is not a record or names no frame.
std::string recordFrame(std::string_view line);

/// Converts the lines of a photometry output file: the column titles after the
/// "start of data" line give the stars (up to the last non-blank label), the
/// "output format : " line the format code, and every record (frame name, date, time, ten
/// values, ten sky values or errors) one data line. `source` names the file in the table's
/// first line. Records of the frames in `leaveOut` are left out (counted in leftOut).
DmagTableText photToDmag(const std::vector<std::string>& lines, std::string_view source,
                         const std::set<std::string>& leaveOut = {});

/// Asks for the photometry output file (default `logFileName`) on the current input and
/// writes the table next to it with the type ".dat", never over the input itself. When `flags`
/// lists frames of the input's records, the number of records with a contaminated
/// measurement is printed and "  leave out measurements flagged as contaminated? [y] : " is
/// asked (blank or y leaves their records out).
void phot2dmag(textio::Console& console, std::string_view workingPath, std::string_view logFileName,
               const FrameFlags& flags = {});

}  // namespace lightcurve
