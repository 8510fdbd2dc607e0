// Quick statistics of a photometry output file: every star's signal divided by the summed
// signal of chosen normalising stars, with the mean and scatter of each star's ratio.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "textio/fixed_text.h"

namespace textio {
class Console;
}

namespace lightcurve {

constexpr int kStatsLines = 10000;  ///< data lines the table holds

/// One data line of the statistics table (stars 1..10 at index 0..9).
struct StatsLine {
  float time = 0.0f;                // hours
  std::array<float, 10> value{};    // measured signal
  std::array<float, 10> error{};    // its error (or the sky, as the file holds it)
  float sum = 0.0f;                 // summed signal of the normalising stars
  float sumError = 0.0f;            // square root of their summed squared errors
  std::array<float, 10> ratio{};    // value / sum (0 when sum is 0)
  std::array<float, 10> ratioError{};  // error / sum (0 when sum is 0)
};

/// The statistics table, held for the whole run and cleared by each load.
struct StatsTable {
  int32_t n = 0;                                  // data lines loaded, 0..10000
  std::string fileName = std::string(20, ' ');    // the name typed to stats, 20 characters
  std::array<std::string, 10> codes{};            // star codes from the title line, 5 characters
  textio::Table1<StatsLine, kStatsLines> lines;   // data lines 1..n
  std::array<int32_t, 10> selected{};             // 1 for a normalising star
  std::array<float, 10> mean{};                   // mean ratio over the lines with a sum
  std::array<float, 10> sd{};                     // its sample standard deviation
  std::array<float, 10> relativeSd{};             // sd / mean

  /// Codes blank, numbers 0.
  void clear();
};

/// The items of a title line in free form: separated by blanks or commas; a double-quoted
/// item keeps its blanks and commas.
std::vector<std::string> titleItems(std::string_view line);

/// Reads one data record: an optional leading item that is not a number (a frame name), then
/// year, month, day, time, ten values and ten errors (further items ignored). False for a
/// line that is not such a record.
[[nodiscard]] bool readStatsRecord(std::string_view line, StatsLine& out);

/// Ratios of every line to the sum of the selected stars; a line whose sum is 0 keeps ratios 0.
void computeRatios(StatsTable& t);

/// Mean, sample standard deviation and relative standard deviation of every star's ratio,
/// over the lines whose normalising sum is not 0 (no lines: mean 0; one line: sd 0).
/// Prints each mean.
void computeStatistics(textio::Console& console, StatsTable& t);

/// `stats`: loads the file `fullName` (80 characters) into the table, asks for the normalising
/// stars on the current input and computes ratios and statistics. `typedName` is kept for
/// the summary line.
void stload(textio::Console& console, std::string_view fullName, std::string_view typedName, StatsTable& t);

/// `listratios`: one line per data line, to the console and the log file.
void lstrat(textio::Console& console, const StatsTable& t);

/// `liststats`: the twenty summary numbers, to the console and (the last line) the log file.
void lststs(textio::Console& console, const StatsTable& t);

}  // namespace lightcurve
