// The lines that tell the user which of the data a run used, when that is
// not all of it.
#pragma once

#include <cstdint>

namespace tiral {

// The first pass stopped at a record that does not read: `line` is the line
// of the input file where it failed, `records` the records read before it.
void warn_unreadable_line(std::int64_t line, std::int32_t records);

// The input file ended after a record had begun.
void warn_file_ends_inside_record(std::int32_t records);

// After the calendar walk: at most one line, for records the walk left over
// or for days it lacked. `unused` records fell after the last whole year;
// `missing` days of the walk had no record; `last_year` is the walk's last.
void warn_walk_result(std::int32_t year_count, std::int32_t record_count, std::int64_t unused, std::int64_t missing,
                      std::int64_t last_year);

}  // namespace tiral
