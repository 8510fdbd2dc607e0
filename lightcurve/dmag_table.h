// The pieces of the differential-magnitude reduction that need no console and no files:
// output naming, the header-line tests, the normalisation of one observation, the time
// corrections and the layout of the output lines.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace lightcurve {

/// Input and output names (20 characters each) derived from the name typed for dmag.
struct DmagNames {
  bool ok = false;     // false: no room for a file type in the first 15 characters
  std::string input;   // the typed name, or with ".dat" added where it had no type
  std::string output;  // ".res" over the type, or added where the input got ".dat"
};

/// A typed name with a "." among its first 15 characters keeps it and the output gets
/// ".res" over the four characters from the "."; otherwise ".dat" and ".res" are written
/// where the first four blanks among the first 15 positions begin.
DmagNames dmagNames(std::string_view typed);

/// Header lines (cut or padded to 50 characters) that the reduction recognises.
[[nodiscard]] bool isPhotometryLine(std::string_view line50);  // "  photometry :" in columns 1-20
[[nodiscard]] bool isTargetsLine(std::string_view line50);     // "  targets :" in columns 1-20
[[nodiscard]] bool isFormatLine(std::string_view line50);      // "  output format :" in columns 1-17
[[nodiscard]] bool isTitleLine(std::string_view line50);       // the column titles in columns 1-20
[[nodiscard]] bool endsStarList(std::string_view line50);      // "obj" in columns 3-5

/// The target's position from its header line: hours and minutes of right ascension,
/// degrees and minutes of declination, all in free form. The declination takes the sign
/// of its degrees field, a "-0" included. False (position unchanged) when unreadable.
[[nodiscard]] bool parseTarget(std::string_view numbers, float& raDeg, float& decDeg);

/// Error of the ratio v / n from the error e of v and en of n: 0 when v < 0.000001.
float geter(float v, float e, float n, float en);

/// How the values of one observation are reduced.
struct Reduction {
  std::string format = std::string(20, ' ');  // data format code, 20 characters
  std::array<int, 10> refs{};                 // reference star numbers 1..9, 0 = empty slot
  bool magnitudes = false;                    // output as magnitudes
  float zeroPoint = 0.0f;                     // zero point of the magnitudes
};

/// The twenty output columns of one observation from its twenty input values (index 0 is
/// value 1). Columns that are not computed are 0; a normaliser of 0 gives ratios 0
/// (magnitude 99.999); a magnitude whose ratio does not exceed its error gets the
/// magnitude error 99.999.
std::array<float, 20> reduceObservation(const std::array<float, 20>& v, const Reduction& r);

/// Times of a night counted on past midnight and corrected from summer time.
class TimeCorrector {
 public:
  /// `code`: 'b' summer time throughout, 's' switch to summer time at 2 am, 'a' switch back
  /// to UT at 2 am; anything else: times in UT.
  explicit TimeCorrector(char code) : code_(code) {}
  /// The corrected time of the next observation (hours).
  float next(float time);

 private:
  char code_;
  bool midnight_ = false;
  float previous_ = 0.0f;
};

/// The title line of the output table for the ten star names (5 characters each).
std::string dmagTitle(const std::array<std::string, 10>& names);

/// One output line: date, corrected time, the twenty columns, HJD and phase, and the three
/// fields of the star-avoidance check (written as zeros).
std::string dmagLine(int32_t year, int32_t month, int32_t day, float time,
                     const std::array<float, 20>& cols, double hjd, double phase);

}  // namespace lightcurve
