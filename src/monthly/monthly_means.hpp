// One month's analysis: read back its work file, dew point of each day, the
// four monthly means.
#pragma once

#include <cstdint>

#include "state/month_table.hpp"
#include "state/run_state.hpp"

namespace tiral {

// Reads up to `days` records from the work file of `month` (its unit open
// and rewound), stores the means of maximum and minimum temperature, humidity
// and dew point as the month's entry of the monthly tables, and closes the
// unit, which deletes the file. A record that does not read back (a field of asterisks) is left
// out and the month goes on; only the end of the file ends it. The means are
// taken over the records read, the dew point's over the days whose dew point
// is a number, as single-precision running sums in day order; none gives NaN.
void analyse_month(std::int32_t days, const MonthInfo& month, RunState& run);

}  // namespace tiral
