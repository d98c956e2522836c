// Gap filling: every no-data value becomes its column's file mean. On the way
// it counts, month by month of the calendar walk, the days that miss a value.
#pragma once

#include "daily/day_columns.hpp"
#include "state/run_state.hpp"

namespace tiral {

// Replaces each no-data value of the daily arrays by `means`. Over the days
// the calendar walk will take (year_count years from 1 January of
// first_year, while records last), a day misses when one of its values is
// no-data in a column that holds a valid value; fills missing_days,
// failing_years and failing_months: a month fails with 11 or more missing
// days, or 5 or more in a row.
void fill_gaps(RunState& run, const DayValues& means);

}  // namespace tiral
