// The order in which a camera's headers give the three numbers of a date (DATE-OBS). Shared by
// the frame loader and the sky times, which read the same headers.
#pragma once

#include <cstdint>

namespace core {

/// How DATE-OBS gives its three numbers when the first one has fewer than four digits.
enum class DateOrder { DayMonthYear, YearMonthDay };

/// The order a camera file's date-order value selects: 0 day first, any other value year first.
constexpr DateOrder dateOrderOf(int32_t code) {
  return code == 0 ? DateOrder::DayMonthYear : DateOrder::YearMonthDay;
}

}  // namespace core
