// Strict readers of pelm's three result layouts that `export` turns into tables other
// programs read: the photometry log, the dmag light curve (.res) and the alignment table
// (align.dat). A file is recognised by its layout, never by its name.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace results {

enum class Layout { PhotometryLog, LightCurve, Alignment, Unknown };

/// Which of the three layouts the lines hold: a photometry log has its "output format" line,
/// "start of data" and the column titles; a light curve has dmag's title line; an alignment
/// table has every non-blank line in the align.dat columns.
Layout detectLayout(const std::vector<std::string>& lines);

/// One frame of a photometry log.
struct PhotRecord {
  std::string frame;               // frame name as logged (trimmed)
  int32_t year = 0, month = 0, day = 0;
  double hours = 0.0;              // UT hours as logged (3 decimals; may pass 24)
  std::array<double, 10> flux{};   // signal above sky, NaN where the field overflowed
  std::array<double, 10> second{}; // sky per pixel or error of the flux
};

struct PhotLog {
  std::array<std::string, 10> labels;  // object labels of the title line, trimmed (blank: unused)
  bool errors = false;                 // the second group holds errors (else sky values)
  std::vector<PhotRecord> records;
};

/// One observation of a dmag light curve.
struct ResRow {
  int32_t year = 0, month = 0, day = 0;  // date of the first observation of the file
  double hours = 0.0;                    // UT hours counted on from that date
  std::array<double, 10> value{};        // magnitude or ratio of each column
  std::array<double, 10> error{};
  double hjd = 0.0;                      // the file's HJD column (a plain JD when light time is off)
};

struct ResTable {
  std::array<std::string, 10> names;  // column titles, trimmed (blank: unused)
  std::vector<std::string> references;  // normalising stars
  bool magnitudes = false;            // magnitudes (a zero-point line), else ratios
  std::vector<ResRow> rows;
};

/// One line of align.dat.
struct AlignRow {
  std::string frame;  // frame name as written (extension kept), trimmed
  double hours = 0.0; // UT hours, 24 added after midnight as the table is loaded
  double du = 0.0, dv = 0.0, rotation = 0.0, sky = 0.0, rms = 0.0;
  int32_t fwhm = 0;
  bool aligned = true;  // false for a frame the aligner could not match (du 9990 or more)
};

/// The readers: false with a one-line console message in `error` (naming the file as `shown`)
/// when a line cannot be read, a value is not finite or out of its range, or there is no
/// record. Blank lines are skipped.
[[nodiscard]] bool readPhotLog(const std::vector<std::string>& lines, const std::string& shown, PhotLog& out,
                               std::string& error);
[[nodiscard]] bool readResTable(const std::vector<std::string>& lines, const std::string& shown,
                                ResTable& out, std::string& error);
[[nodiscard]] bool readAlignTable(const std::vector<std::string>& lines, const std::string& shown,
                                  std::vector<AlignRow>& out, std::string& error);

}  // namespace results
