// Whether the input file's records carry their dates, decided once from its
// first lines before any record is read.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "daily/dated_line.hpp"
#include "state/run_state.hpp"

namespace tiral {

struct FileLayout {
  DateForm form = DateForm::none;  // none: the file is read without dates
  // The line that made the file dated, its first record: its number in the
  // file from 1, and its text, valid until the unit's next record is taken.
  std::int64_t first_line = 0;
  std::string_view line;
  CalendarDate first_date;
};

// The next line of the file on `unit`, or false at its end; a read the
// system refuses ends the run (message 39): the days after it would be lost
// unseen.
bool next_input_line(std::int32_t unit, std::string_view& line);

// Looks at the first lines of the file open on `unit`. A dated file is left
// after the line that made it dated; any other is given back from its start,
// to be read as it always was.
FileLayout decide_file_layout(std::int32_t unit);

// The year of the line that makes the input file dated, or nothing for a
// file read without dates. Opens the input file on unit 10 as the reader
// does (its refusals and messages are the reader's) and closes it again.
std::optional<std::int32_t> first_dated_year(const RunState& run);

}  // namespace tiral
