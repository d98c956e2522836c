#include "daily/day_columns.hpp"

#include <algorithm>
#include <utility>

#include "daily/daily_reader.hpp"

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
  for (recio::RealArray* column : {&kept.tmp_max, &kept.tmp_min, &kept.hmd}) {
    if (column->allocated) recio::release_array(*column);
  }
  kept.complete = false;
}

bool grow(KeptDays& kept, std::int32_t kept_limit) {
  if (kept.tmp_max.count >= kept_limit) return false;
  const std::int64_t doubled = std::max<std::int64_t>(first_kept_capacity, 2 * std::int64_t{kept.tmp_max.count});
  const auto capacity = static_cast<std::int32_t>(std::min<std::int64_t>(doubled, kept_limit));
  return recio::resize_array(kept.tmp_max, capacity) && recio::resize_array(kept.tmp_min, capacity) &&
         recio::resize_array(kept.hmd, capacity);
}

}  // namespace

void DayTotals::add(const DayValues& day) {
  add_value(tmp_max, day.tmp_max, valid_temperature(day.tmp_max));
  add_value(tmp_min, day.tmp_min, valid_temperature(day.tmp_min));
  add_value(hmd, day.hmd, valid_humidity(day.hmd));
}

void DayTotals::add_empty_days(std::int64_t days) {
  for (ColumnTotals* column : {&tmp_max, &tmp_min, &hmd}) column->nodata += static_cast<std::int32_t>(days);
}

DayValues DayTotals::means(std::int32_t record_count) const {
  return {file_mean(tmp_max, record_count), file_mean(tmp_min, record_count), file_mean(hmd, record_count)};
}

void keep_day(KeptDays& kept, std::int32_t index, const DayValues& day, std::int32_t kept_limit) {
  if (!kept.complete) return;
  if (index > kept.tmp_max.count && !grow(kept, kept_limit)) return drop(kept);
  kept.tmp_max[index] = day.tmp_max;
  kept.tmp_min[index] = day.tmp_min;
  kept.hmd[index] = day.hmd;
}

void take_kept_days(RunState& run, KeptDays& kept) {
  for (auto [column, kept_column] : {std::pair{&run.tmp_max, &kept.tmp_max}, std::pair{&run.tmp_min, &kept.tmp_min},
                                     std::pair{&run.hmd, &kept.hmd}}) {
    recio::resize_array(*kept_column, run.record_count);  // a shrink, which cannot fail
    recio::move_array(*column, *kept_column);
  }
}

void allocate_day_arrays(RunState& run) {
  recio::allocate_array(run.tmp_max, run.record_count);
  recio::allocate_array(run.tmp_min, run.record_count);
  recio::allocate_array(run.hmd, run.record_count);
}

}  // namespace tiral
