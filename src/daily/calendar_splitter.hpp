// Deals the days out to twelve monthly work files by the Gregorian calendar.
#pragma once

#include <cstdint>

#include "state/run_state.hpp"

namespace tiral {

// Opens the twelve work files (units 101 to 112), writes each day of
// year_count whole years from 1 January of first_year to its month's file,
// counts the leap years met (leap_day_count) and rewinds the files. The walk
// stops early when the daily records run out. A warning on standard error
// tells of records left after the walk or days it lacked, and another of the
// months that miss too many days (counted by the gap filling).
void split_by_calendar(RunState& run);

}  // namespace tiral
