// The Gregorian calendar, as the calendar splitter walks it and dated records
// are placed by it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "state/month_table.hpp"

namespace tiral {

// Gregorian rule, also for year 0 and negative years, and for the years past
// the 32-bit range that a walk from a late first year reaches.
constexpr bool is_leap_year(std::int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// The days of `month` (1 to 12) in `year`.
constexpr std::int32_t days_in_month(std::int64_t year, std::int32_t month) {
  const std::int32_t days = month_table[static_cast<std::size_t>(month - 1)].days_per_year;
  return month == february && is_leap_year(year) ? days + 1 : days;
}

}  // namespace tiral
