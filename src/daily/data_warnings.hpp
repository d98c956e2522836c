// The lines that tell the user which of the data a run used, when that is
// not all of it.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "recio/texts.hpp"
#include "state/run_state.hpp"

namespace tiral {

// How many records, lines or values have a property, and the line on which
// the first of them begins.
struct CheckCount {
  std::int64_t count = 0;
  std::int64_t first_line = 0;
};

// The warning `kind`, one that has no count, with `values` filled in.
void warn_line(recio::WarningKind kind, std::initializer_list<recio::TextValue> values = {});

// The warning `kind` in its form for one or for more, with the count and
// the line of the first one filled in, and the placeholders of `more`;
// nothing for none.
void warn_count(const CheckCount& check, recio::WarningKind kind, std::initializer_list<recio::TextValue> more = {});

// What the first pass over a dated file left out, or found without a record.
struct DatedNotes {
  CheckCount no_date;
  CheckCount before_first_year;
  CheckCount going_back;
  CheckCount not_numbers;  // value cells of records placed
  std::int64_t days_without_record = 0;
  std::int64_t first_day_without = 0;  // a calendar day (dated_line.hpp)
};
void warn_dated_notes(const DatedNotes& notes, std::int32_t first_year);

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

// After the walk's line: the months that miss too many days for a monthly mean.
void warn_failing_months(const FailingMonths& months);

}  // namespace tiral
