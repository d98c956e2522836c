// Checks of the daily records as the first pass reads them: what the reading
// rules take without a word (decimal commas, text after the values, empty
// values, words, implausible values) is said once, after the pass.
#pragma once

#include <cstdint>
#include <string_view>

#include "daily/data_warnings.hpp"
#include "recio/read_trace.hpp"
#include "state/per_column.hpp"
#include "state/run_state.hpp"

namespace tiral {

struct RecordChecks {
  std::int64_t lines_before = 0;  // lines taken by the records already checked
  CheckCount decimal_commas;
  CheckCount text_after_values;
  CheckCount several_lines;
  CheckCount empty_values;
  CheckCount words;
  CheckCount temperatures_beyond_observed;  // counts values
  CheckCount minimum_above_maximum;
  bool humidity_above_one = false;  // a valid humidity above 1
};

// Notes one counted record: its read's trace and its three values as read.
void check_record(RecordChecks& checks, const recio::ReadTrace& trace, const PerColumn<float>& day);

// Notes one record placed from a dated file, on line `line`: the text of its
// line from its first value on (empty where commas are decimal points),
// whether a cell after its third value holds text, and its three values.
void check_dated_record(RecordChecks& checks, std::int64_t line, std::string_view values_text, bool text_after,
                        const PerColumn<float>& day);

// Writes one warning line per check that found something, in a fixed order.
// `file_without_record`: the first pass met a clean end of file before any
// record. Reads the counts and no-data counts of `run`.
void warn_record_checks(const RecordChecks& checks, const RunState& run, bool file_without_record);

}  // namespace tiral
