// The records of a dated file, each placed on the day of its date counted
// from 1 January of the first year; days without a record are no-data.
#pragma once

#include <cstdint>

#include "daily/day_columns.hpp"
#include "daily/file_layout.hpp"
#include "state/run_state.hpp"

namespace tiral {

// The first pass, from the line that made the file dated to its end: sets
// record_count (the day of the last record placed) and the no-data counts,
// adds every day to `totals` and keeps it in `kept`, then writes what it
// left out and the checks of the records placed. A day beyond `day_limit`
// cannot be held: the run ends there with the memory message, after those
// lines.
void read_dated_days(RunState& run, const FileLayout& layout, DayTotals& totals, KeptDays& kept,
                     std::int32_t day_limit, std::int32_t kept_limit);

// The second reading, into arrays allocated at record_count, by the same
// rules; a file that no longer gives the same days ends the run (message 20).
void read_dated_days_again(RunState& run, const FileLayout& layout);

}  // namespace tiral
