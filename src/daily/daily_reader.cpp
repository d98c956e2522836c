#include "daily/daily_reader.hpp"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "daily/data_warnings.hpp"
#include "daily/record_checks.hpp"
#include "recio/record_input.hpp"
#include "recio/run_end.hpp"
#include "recio/units.hpp"

namespace tiral {

namespace {

// The three values of one record. Items a record leaves unset (a null value,
// a slash) keep the previous record's values; each pass starts from zero so
// that both passes see the same values.
struct ReadVariables {
  float tmp_max = 0.0f;
  float tmp_min = 0.0f;
  float hmd = 0.0f;
};

struct RecordRead {
  std::int32_t status = recio::read_ok;
  std::size_t items_done = 0;  // an end of file after some items ends inside the record
};

// `trace`, when given, receives what the read took, for the checks.
RecordRead read_record(ReadVariables& values, recio::ReadTrace* trace = nullptr) {
  RecordRead read;
  recio::read_list_directed(input_unit,
                            {recio::input(values.tmp_max), recio::input(values.tmp_min), recio::input(values.hmd)},
                            &read.status, &read.items_done, trace);
  return read;
}

// The first pass says why it stopped unless the file simply ended.
void warn_where_reading_stopped(const RecordRead& last, std::int32_t record_count) {
  if (last.status > 0) {
    // A read the system refused failed on the line after the last one taken.
    const std::int64_t taken = recio::records_taken(input_unit);
    warn_unreadable_line(last.status == recio::read_error ? taken + 1 : taken, record_count);
  } else if (last.items_done > 0) {
    warn_file_ends_inside_record(record_count);
  }
}

struct ColumnTotals {
  float sum = 0.0f;  // single-precision running sum in file order, as required
  std::int32_t nodata = 0;
};

void classify(float value, bool valid, ColumnTotals& totals) {
  if (valid) {
    totals.sum += value;
  } else {
    ++totals.nodata;
  }
}

// The quotient in double from the exact divisor, rounded once; an empty
// column gives 0/0, a quiet NaN.
float file_mean(const ColumnTotals& totals, std::int32_t record_count) {
  const double valid_count = static_cast<double>(record_count) - static_cast<double>(totals.nodata);
  return static_cast<float>(static_cast<double>(totals.sum) / valid_count);
}

// What the first pass read, kept so that the file is read a second time only
// when memory for it ran out: the arrays are then allocated at the count and
// loaded from a second reading, which delivers the same records.
struct KeptRecords {
  recio::RealArray tmp_max, tmp_min, hmd;
  bool complete = true;  // every record counted so far is kept
};

// A station of eleven years fits without growing, on the heap.
constexpr std::int32_t first_kept_capacity = 4096;

void drop(KeptRecords& kept) {
  for (recio::RealArray* column : {&kept.tmp_max, &kept.tmp_min, &kept.hmd}) {
    if (column->allocated) recio::release_array(*column);
  }
  kept.complete = false;
}

bool grow(KeptRecords& kept, std::int32_t kept_limit) {
  if (kept.tmp_max.count >= kept_limit) return false;
  const std::int64_t doubled = std::max<std::int64_t>(first_kept_capacity, 2 * std::int64_t{kept.tmp_max.count});
  const auto capacity = static_cast<std::int32_t>(std::min<std::int64_t>(doubled, kept_limit));
  return recio::resize_array(kept.tmp_max, capacity) && recio::resize_array(kept.tmp_min, capacity) &&
         recio::resize_array(kept.hmd, capacity);
}

void keep(KeptRecords& kept, std::int32_t index, const ReadVariables& values, std::int32_t kept_limit) {
  if (!kept.complete) return;
  if (index > kept.tmp_max.count && !grow(kept, kept_limit)) return drop(kept);
  kept.tmp_max[index] = values.tmp_max;
  kept.tmp_min[index] = values.tmp_min;
  kept.hmd[index] = values.hmd;
}

// The kept values become the arrays, of exactly the records counted.
void take_kept(RunState& run, KeptRecords& kept) {
  for (auto [column, kept_column] : {std::pair{&run.tmp_max, &kept.tmp_max}, std::pair{&run.tmp_min, &kept.tmp_min},
                                     std::pair{&run.hmd, &kept.hmd}}) {
    recio::resize_array(*kept_column, run.record_count);  // a shrink, which cannot fail
    recio::move_array(*column, *kept_column);
  }
}

void read_arrays_again(RunState& run) {
  recio::rewind_unit(input_unit);
  recio::allocate_array(run.tmp_max, run.record_count);
  recio::allocate_array(run.tmp_min, run.record_count);
  recio::allocate_array(run.hmd, run.record_count);
  ReadVariables values;
  std::int32_t index = 1;
  // Never more than the first pass counted: the arrays hold exactly that many.
  while (index <= run.record_count && read_record(values).status == recio::read_ok) {
    run.tmp_max[index] = values.tmp_max;
    run.tmp_min[index] = values.tmp_min;
    run.hmd[index] = values.hmd;
    ++index;
  }
  // A file that shrank since the first pass leaves zeros, not garbage.
  for (; index <= run.record_count; ++index) run.tmp_max[index] = run.tmp_min[index] = run.hmd[index] = 0.0f;
}

void fill_gaps(recio::RealArray& column, bool (*valid)(float), float mean) {
  for (std::int32_t i = 1; i <= column.count; ++i) {
    if (!valid(column[i])) column[i] = mean;
  }
}

}  // namespace

void read_daily_records(RunState& run, std::int32_t record_limit, std::int32_t kept_limit) {
  ColumnTotals max_totals, min_totals, hmd_totals;
  // A missing file is refused rather than created: a mistyped name must not
  // pass for a file without data.
  recio::open_unit(input_unit, as_text(run.input_name), "OLD", "NULL", run.input_answer);

  run.record_count = 0;
  ReadVariables values;
  RecordRead read;
  recio::ReadTrace trace;
  RecordChecks checks;
  KeptRecords kept;
  while ((read = read_record(values, &trace)).status == recio::read_ok) {
    // The count is 32 bits wide: a file with more records cannot be read.
    if (run.record_count == record_limit) recio::fatal_on_unit(recio::Message::read_error, input_unit);
    check_record(checks, trace, values.tmp_max, values.tmp_min, values.hmd);
    classify(values.tmp_max, valid_temperature(values.tmp_max), max_totals);
    classify(values.tmp_min, valid_temperature(values.tmp_min), min_totals);
    classify(values.hmd, valid_humidity(values.hmd), hmd_totals);
    ++run.record_count;
    keep(kept, run.record_count, values, kept_limit);
  }
  warn_where_reading_stopped(read, run.record_count);
  run.nodata_tmp_max = max_totals.nodata;
  run.nodata_tmp_min = min_totals.nodata;
  run.nodata_hmd = hmd_totals.nodata;
  const bool file_without_record =
      run.record_count == 0 && read.status == recio::read_end_of_file && read.items_done == 0;
  warn_record_checks(checks, run, file_without_record);
  const float mean_tmp_max = file_mean(max_totals, run.record_count);
  const float mean_tmp_min = file_mean(min_totals, run.record_count);
  const float mean_hmd = file_mean(hmd_totals, run.record_count);
  run.year_count = run.record_count / 365;

  if (kept.complete) {
    take_kept(run, kept);
  } else {
    read_arrays_again(run);
  }
  recio::close_unit(input_unit);

  fill_gaps(run.tmp_max, valid_temperature, mean_tmp_max);
  fill_gaps(run.tmp_min, valid_temperature, mean_tmp_min);
  fill_gaps(run.hmd, valid_humidity, mean_hmd);
}

}  // namespace tiral
