// One object's light curve taken from a dmag output file (".res"), read strictly: the
// period search and the ALCDEF export refuse a file that is not wholly a dmag light curve.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lightcurve {

/// One accepted observation of the object.
struct LightPoint {
  double hjd = 0.0;      // the HJD column, or the JD of the date and UT where it is 0 (days)
  double jdUt = 0.0;     // JD of the date and UT columns, never light-time corrected (days)
  double mag = 0.0;      // magnitude as written (a ratio file's value turned into -2.5 log10)
  double err = 0.0;      // its 1-sigma error in magnitudes, 0 when the file gives none
  bool fromRatio = false;  // the value was a ratio turned into a magnitude
};

/// What a dmag output file gives for one column.
struct LightCurve {
  std::string starName;                 // the column's name from the title line, trimmed
  std::vector<std::string> references;  // normalising star names from the header, trimmed
  bool magnitudes = false;              // the file holds magnitudes (it has a zero-point line)
  int dataLines = 0;                    // observation lines read
  std::vector<LightPoint> points;       // accepted observations, in file order
};

/// Reads column `column` (1..10; its error is column + 10) of a dmag output file given as
/// lines. Every non-blank line after the column titles must be an observation (date, time,
/// twenty values, HJD and phase). An observation without a value (magnitude 99.999, error
/// 99.999, or a ratio not above 0) is left out. False, with a one-line console message in
/// `error` that names the file as `shownName`, when there is no title line, a line cannot
/// be read, there are no observations or the column holds no values.
[[nodiscard]] bool readLightCurve(const std::vector<std::string>& lines, int column,
                                  const std::string& shownName, LightCurve& out, std::string& error);

/// Reads the lines of a file (CR dropped); false when it cannot be opened.
[[nodiscard]] bool readTextLines(const std::string& hostName, std::vector<std::string>& lines);

/// Calendar date and UT (whole seconds, rounded) of a Julian Date.
struct CalendarTime {
  int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
CalendarTime calendarOf(double jd);

}  // namespace lightcurve
