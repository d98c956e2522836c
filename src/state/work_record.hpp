// The record of the monthly work files, which the calendar splitter writes
// and the monthly analysis reads back.
#pragma once

#include "recio/format.hpp"

namespace tiral {

// One record per day: maximum, minimum temperature and humidity, two decimals.
inline constexpr recio::Format work_record_format = recio::parse_format("(3F6.2)");

}  // namespace tiral
