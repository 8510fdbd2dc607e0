// UTC instants of frames: calendar arithmetic, the mid-exposure time read from a frame's
// header cards to the millisecond, and the ISO 8601 form reports use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/date_order.h"

namespace sky {

/// An instant in UTC: whole days since 1970-01-01 and seconds into that day (0 <= s < 86400).
struct UtcTime {
  int64_t day = 0;
  double seconds = 0.0;
};

/// Days since 1970-01-01 of a Gregorian date.
int64_t civilDays(int64_t year, int month, int day);
/// The Gregorian date of a day count.
void civilDate(int64_t days, int64_t& year, int& month, int& day);

/// `day` and `seconds` brought into range (seconds may be negative or beyond a day).
UtcTime normalised(int64_t day, double seconds);

/// "yyyy-mm-ddThh:mm:ss.sssZ", rounded to the millisecond.
std::string isoTime(const UtcTime& t);

/// Julian date of an instant (UTC).
double julianDate(const UtcTime& t);

/// The value of a header card (quotes removed, blanks trimmed); false when the card is absent.
[[nodiscard]] bool cardValue(std::string_view cards, std::string_view keyword, std::string& value);

/// The middle of the exposure of a frame from its header cards: UT-START and UT-END (their
/// middle), else a start time (DATE-OBS with a time, TIME-OBS or UT) plus half of EXPTIME
/// (else EXPOSURE), else the start time alone. Dates are yyyy-mm-dd, or dd/mm/yy in
/// `dateOrder` DayMonthYear (YearMonthDay: yy/mm/dd); a two-digit year 50..99 is 19yy,
/// 0..49 is 20yy. Seconds may have a fraction. False with `problem` set when the header has
/// no usable date and time.
[[nodiscard]] bool midExposure(std::string_view cards, core::DateOrder dateOrder, UtcTime& out,
                               std::string& problem);

}  // namespace sky
