#include "monthly/monthly_means.hpp"

#include "daily/calendar_splitter.hpp"
#include "monthly/dew_point.hpp"
#include "recio/record_input.hpp"
#include "recio/units.hpp"

namespace tiral {

namespace {

// Single-precision running sums in day order, one per quantity.
struct MonthSums {
  float dewpt = 0.0f;
  float tmp_max = 0.0f;
  float tmp_min = 0.0f;
  float hmd = 0.0f;
  std::int32_t days_read = 0;
};

// A record that does not read ends the month: nothing of it is used.
bool read_day(std::int32_t unit, float& tmp_max, float& tmp_min, float& hmd) {
  std::int32_t status = 0;
  recio::read_formatted(unit, work_record_format,
                        {recio::input(tmp_max), recio::input(tmp_min), recio::input(hmd)}, &status);
  return status == recio::read_ok;
}

float mean(float sum, std::int32_t count) {
  return static_cast<float>(static_cast<double>(sum) / static_cast<double>(count));
}

}  // namespace

void analyse_month(std::int32_t days, std::int32_t month, std::int32_t unit, RunState& run) {
  MonthSums sums;
  SaturationPressures pressures;
  for (std::int32_t day = 1; day <= days; ++day) {
    float tmp_max = 0.0f, tmp_min = 0.0f, hmd = 0.0f;
    if (!read_day(unit, tmp_max, tmp_min, hmd)) break;
    sums.dewpt += dew_point_temperature(tmp_max, tmp_min, hmd, pressures);
    sums.tmp_max += tmp_max;
    sums.tmp_min += tmp_min;
    sums.hmd += hmd;
    ++sums.days_read;
  }
  run.monthly_dewpt[month] = mean(sums.dewpt, sums.days_read);
  run.monthly_tmp_max[month] = mean(sums.tmp_max, sums.days_read);
  run.monthly_tmp_min[month] = mean(sums.tmp_min, sums.days_read);
  run.monthly_hmd[month] = mean(sums.hmd, sums.days_read);
  recio::close_unit(unit);
}

}  // namespace tiral
