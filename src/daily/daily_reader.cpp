#include "daily/daily_reader.hpp"

#include <cstdint>

#include "daily/data_warnings.hpp"
#include "daily/dated_reader.hpp"
#include "daily/day_columns.hpp"
#include "daily/file_layout.hpp"
#include "daily/gap_filling.hpp"
#include "daily/record_checks.hpp"
#include "recio/record_input.hpp"
#include "recio/run_end.hpp"
#include "recio/units.hpp"

namespace tiral {

namespace {

// How one free-form read of a record ended.
enum class ReadEnd { got, end_of_file, unreadable };

struct RecordRead {
  ReadEnd end = ReadEnd::got;
  std::size_t items_done = 0;  // an end of file after some items ends inside the record
};

// Items a record leaves unset (a null value, a slash) keep the previous
// record's values; each pass starts from zero so that both see the same.
// `trace`, when given, receives what the read took, for the checks.
RecordRead read_record(DayValues& values, recio::ReadTrace* trace = nullptr) {
  recio::Status status = recio::read_ok;
  RecordRead read;
  recio::read_list_directed(
      input_unit, {recio::input(values.tmp_max()), recio::input(values.tmp_min()), recio::input(values.hmd())}, &status,
      &read.items_done, trace);
  // Any status but these two is the number of the message that says why the
  // text did not read.
  if (status == recio::read_end_of_file) {
    read.end = ReadEnd::end_of_file;
  } else if (status != recio::read_ok) {
    read.end = ReadEnd::unreadable;
  }
  return read;
}

// The first pass says why it stopped unless the file simply ended.
void warn_where_reading_stopped(const RecordRead& last, std::int32_t record_count) {
  if (last.end == ReadEnd::unreadable) {
    // A read the system refuses ends the run in the record layer: only the
    // text of a line stops the reading here.
    warn_unreadable_line(recio::records_taken(input_unit), record_count);
  } else if (last.items_done > 0) {
    warn_file_ends_inside_record(record_count);
  }
}

// A file without dates: one free-form record after another, one a day.
void read_undated_days(RunState& run, DayTotals& totals, KeptDays& kept, std::int32_t record_limit,
                       std::int32_t kept_limit) {
  DayValues values;
  RecordRead read;
  recio::ReadTrace trace;
  RecordChecks checks;
  while ((read = read_record(values, &trace)).end == ReadEnd::got) {
    // The count is 32 bits wide: a file with more records cannot be read.
    if (run.record_count == record_limit) recio::fatal_on_unit(recio::Message::read_error, input_unit);
    check_record(checks, trace, values);
    totals.add(values);
    ++run.record_count;
    keep_day(kept, run.record_count, values, kept_limit);
  }
  warn_where_reading_stopped(read, run.record_count);
  run.nodata = totals.nodata();
  const bool file_without_record = run.record_count == 0 && read.end == ReadEnd::end_of_file && read.items_done == 0;
  warn_record_checks(checks, run, file_without_record);
}

// The second reading must give the records of the first: a file that
// changed in between ends the run rather than mix two files.
void read_undated_days_again(RunState& run) {
  recio::rewind_unit(input_unit);
  allocate_day_arrays(run);
  DayValues values;
  std::int64_t index = 1;
  while (index <= run.record_count && read_record(values).end == ReadEnd::got) {
    store_day(run, static_cast<std::int32_t>(index), values);
    ++index;
  }
  if (index <= run.record_count) recio::fatal_on_unit(recio::Message::rewind_error, input_unit);
}

}  // namespace

void read_daily_records(RunState& run, std::int32_t record_limit, std::int32_t kept_limit) {
  open_input_file(run);
  run.record_count = 0;
  DayTotals totals;
  KeptDays kept;
  const platform::FileStamp stamp = recio::unit_file_stamp(input_unit);
  const FileLayout layout = decide_file_layout(input_unit);
  const bool dated = layout.form != DateForm::none;
  if (dated) {
    read_dated_days(run, layout, totals, kept, record_limit, kept_limit);
  } else {
    read_undated_days(run, totals, kept, record_limit, kept_limit);
  }
  const DayValues means = totals.means(run.record_count);
  run.year_count = run.record_count / 365;
  if (kept.complete) {
    take_kept_days(run, kept);
  } else if (recio::unit_file_stamp(input_unit) != stamp) {
    // Written since the first pass: a second reading would mix two files.
    recio::fatal_on_unit(recio::Message::rewind_error, input_unit);
  } else if (dated) {
    read_dated_days_again(run, layout);
  } else {
    read_undated_days_again(run);
  }
  recio::close_unit(input_unit);
  fill_gaps(run, means);
}

}  // namespace tiral
