#include "monthly/monthly_means.hpp"

#include <array>
#include <cmath>

#include "monthly/dew_point.hpp"
#include "recio/record_input.hpp"
#include "recio/units.hpp"
#include "state/per_column.hpp"
#include "recio/work_record_format.hpp"

namespace tiral {

namespace {

// Single-precision running sums in day order, one per quantity.
struct MonthSums {
  float dewpt = 0.0f;
  PerColumn<float> columns;
  std::int32_t days_read = 0;
  std::int32_t dewpt_days = 0;  // days whose dew point is a number
};

enum class DayRead { got, unreadable, end_of_file };

DayRead read_day(std::int32_t unit, float& tmp_max, float& tmp_min, float& hmd) {
  recio::Status status = recio::read_ok;
  recio::read_formatted(unit, recio::work_record_format, {recio::input(tmp_max), recio::input(tmp_min), recio::input(hmd)},
                        &status);
  if (status == recio::read_ok) return DayRead::got;
  return status == recio::read_end_of_file ? DayRead::end_of_file : DayRead::unreadable;
}

// One memory for the run's twelve months: each month would otherwise fault in
// and fill its own.
SaturationPressures pressures;

float mean(float sum, std::int32_t count) {
  return static_cast<float>(static_cast<double>(sum) / static_cast<double>(count));
}

// Days read but not yet summed. The dew points of a block are worked out
// together: the days are independent, so the processor overlaps their long
// divisions and logarithms, which one day at a time would wait for in turn.
// The sums still run in day order.
struct DayBlock {
  static constexpr std::size_t capacity = 64;
  PerColumn<std::array<float, capacity>> columns;
  std::size_t count = 0;
};

void add_block(MonthSums& sums, DayBlock& block) {
  float dewpt[DayBlock::capacity];
  const auto& [tmp_max, tmp_min, hmd] = block.columns.values;
  for (std::size_t i = 0; i < block.count; ++i)
    dewpt[i] = dew_point_temperature(tmp_max[i], tmp_min[i], hmd[i], pressures);
  for (std::size_t i = 0; i < block.count; ++i) {
    // A humidity written as 0.00 has no dew point; that day must not turn the
    // month's mean into NaN.
    if (!std::isnan(dewpt[i])) {
      sums.dewpt += dewpt[i];
      ++sums.dewpt_days;
    }
    for (const Column column : all_columns) sums.columns[column] += block.columns[column][i];
  }
  sums.days_read += static_cast<std::int32_t>(block.count);
  block.count = 0;
}

}  // namespace

void analyse_month(std::int32_t days, const MonthInfo& month, RunState& run) {
  MonthSums sums;
  DayBlock block;
  for (std::int32_t day = 1; day <= days; ++day) {
    const std::size_t at = block.count;
    auto& [tmp_max, tmp_min, hmd] = block.columns.values;
    const DayRead read = read_day(month.unit, tmp_max[at], tmp_min[at], hmd[at]);
    if (read == DayRead::end_of_file) break;
    // A day whose field overflowed its six characters is lost, not the month.
    if (read == DayRead::unreadable) continue;
    if (++block.count == DayBlock::capacity) add_block(sums, block);
  }
  add_block(sums, block);
  run.monthly_dewpt[month.month] = mean(sums.dewpt, sums.dewpt_days);
  run.monthly_tmp_max[month.month] = mean(sums.columns.tmp_max(), sums.days_read);
  run.monthly_tmp_min[month.month] = mean(sums.columns.tmp_min(), sums.days_read);
  run.monthly_hmd[month.month] = mean(sums.columns.hmd(), sums.days_read);
  run.days_read[month.month] = sums.days_read;
  recio::close_unit(month.unit);
}

}  // namespace tiral
