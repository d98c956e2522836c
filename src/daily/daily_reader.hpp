// Reads the daily input file, counts and fills its no-data values.
#pragma once

#include <cstdint>
#include <limits>

#include "daily/input_file.hpp"
#include "state/run_state.hpp"

namespace tiral {

// Reads the file named by input_name: counts records (record_count,
// year_count), the no-data values of each column (nodata) and the file means,
// and loads the daily arrays (daily), at exactly record_count elements; then every no-data value becomes its
// column's mean. A missing file ends the run (message 29). A file whose
// lines begin with dates has each record placed on the day of its date
// (dated_reader.hpp); any other is read one free-form record a day, and
// reading stops at the first record that does not read, with a warning on
// standard error that says where, unless the file simply ended between
// records.
// More than `record_limit` records (the largest count there is, unless a
// test lowers it) end the run with message 39 on the input unit.
// The values are kept as they are read, up to `kept_limit` records (what
// memory allows, unless a test lowers it); beyond that the arrays are
// allocated at the count and loaded from a second reading of the file, with
// the same result.
void read_daily_records(RunState& run, std::int32_t record_limit = std::numeric_limits<std::int32_t>::max(),
                        std::int32_t kept_limit = std::numeric_limits<std::int32_t>::max());

}  // namespace tiral
