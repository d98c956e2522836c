#include "daily/day_columns.hpp"

#include <algorithm>

#include "daily/input_file.hpp"

namespace tiral {

namespace {

void add_value(ColumnTotals& totals, float value, bool valid) {
  if (valid) {
    totals.sum += value;
  } else {
    ++totals.nodata;
  }
}

float file_mean(const ColumnTotals& totals, std::int32_t record_count) {
  const double valid_count = static_cast<double>(record_count) - static_cast<double>(totals.nodata);
  return static_cast<float>(static_cast<double>(totals.sum) / valid_count);
}

// A station of eleven years fits without growing, on the heap.
constexpr std::int32_t first_kept_capacity = 4096;

void drop(KeptDays& kept) {
  for (RealArray& column : kept.columns) {
    if (column.allocated) recio::release_array(column);
  }
  kept.complete = false;
}

bool grow(KeptDays& kept, std::int32_t kept_limit) {
  const std::int32_t count = kept.columns.tmp_max().count;
  if (count >= kept_limit) return false;
  const std::int64_t doubled = std::max<std::int64_t>(first_kept_capacity, 2 * std::int64_t{count});
  const auto capacity = static_cast<std::int32_t>(std::min<std::int64_t>(doubled, kept_limit));
  for (RealArray& column : kept.columns) {
    if (!recio::resize_array(column, capacity)) return false;
  }
  return true;
}

}  // namespace

void DayTotals::add(const DayValues& day) {
  for (const Column column : all_columns) add_value(columns[column], day[column], valid_value(column, day[column]));
}

void DayTotals::add_empty_days(std::int64_t days) {
  for (ColumnTotals& column : columns) column.nodata += static_cast<std::int32_t>(days);
}

DayValues DayTotals::means(std::int32_t record_count) const {
  DayValues means;
  for (const Column column : all_columns) means[column] = file_mean(columns[column], record_count);
  return means;
}

PerColumn<std::int32_t> DayTotals::nodata() const {
  PerColumn<std::int32_t> counts;
  for (const Column column : all_columns) counts[column] = columns[column].nodata;
  return counts;
}

void keep_day(KeptDays& kept, std::int32_t index, const DayValues& day, std::int32_t kept_limit) {
  if (!kept.complete) return;
  if (index > kept.columns.tmp_max().count && !grow(kept, kept_limit)) return drop(kept);
  for (const Column column : all_columns) kept.columns[column][index] = day[column];
}

void take_kept_days(RunState& run, KeptDays& kept) {
  for (const Column column : all_columns) {
    recio::resize_array(kept.columns[column], run.record_count);  // a shrink, which cannot fail
    recio::move_array(run.daily[column], kept.columns[column]);
  }
}

void allocate_day_arrays(RunState& run) {
  for (RealArray& column : run.daily) recio::allocate_array(column, run.record_count);
}

}  // namespace tiral
