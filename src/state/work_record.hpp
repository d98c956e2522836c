// The record of the monthly work files, which the calendar splitter writes
// and the monthly analysis reads back.
#pragma once

#include <string_view>

namespace tiral {

// One record per day: maximum, minimum temperature and humidity, two decimals,
// as a record format (the record layer turns it into its Format).
inline constexpr std::string_view work_record_layout = "(3F6.2)";

}  // namespace tiral
