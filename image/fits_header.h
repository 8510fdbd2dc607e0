// Header values of a FITS frame: the keyword cards a load reads, and the size, scaling,
// date and time parsed from them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/date_order.h"

namespace textio {
class Console;
}

namespace image {

using core::DateOrder;

/// The values of a parsed header.
struct FrameHeader {
  int32_t bitpix = 0;
  int32_t naxis = 0;
  int32_t nx = 0;      ///< NAXIS1: pixels along a file row
  int32_t ny = 0;      ///< NAXIS2: rows
  int32_t naxis3 = 1;  ///< NAXIS3, 1 when the header has none
  float bzero = 0.0f;  ///< BZERO, 0.0 when the header has none
  double bscale = 1.0;  ///< BSCALE, 1.0 when the header has none
  bool hasBlank = false;  ///< a BLANK card is present
  int32_t year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  float frameTime = 0.0f;  ///< decimal hours UT (mid-exposure with start and end times)
  bool dated = false;  ///< the header gave a date (and so the frame has a date and time)
};

/// The keyword cards a load reads (the last card of each keyword wins; blank when absent).
struct KeywordCards {
  std::string bitpix, naxis, naxis1, naxis2, dateObs, timeObs, utStart, utEnd, bzero;
  std::string naxis3, bscale, blank, exptime, exposure, ut;
  KeywordCards();
  /// Keeps the card when its first 8 columns are one of the keywords.
  void take(std::string_view card80);
};

/// Parses the keyword cards into `header`. The date and time are read only when `withDate`
/// (a load into workspace 1); DayMonthYear reads the date as day, month, year, YearMonthDay
/// as year, month, day, but a date whose first field has four digits is always year, month,
/// day. The time is the middle of UT-START and UT-END; else a start time (UT-START alone,
/// TIME-OBS, the time in DATE-OBS, or UT) plus half the exposure (EXPTIME, else EXPOSURE)
/// when `midExposure`; else the start time. Fractions of a second are kept. Prints the time
/// lines when separate time cards are used. A header without a date (or without a time) is
/// taken with a one-line warning and no time. False after
/// "    error in convh - are you trying to read a non-existent file?" when a needed size or
/// BZERO cannot be read, or after a one-line message for an impossible date or time or an
/// unusable BSCALE. The filtered value fields are left in `junkLines` (one per value read).
[[nodiscard]] bool convh(textio::Console& console, const KeywordCards& cards, bool withDate,
                         DateOrder dateOrder, FrameHeader& header,
                         std::vector<std::string>* junkLines = nullptr, bool midExposure = true);

}  // namespace image
