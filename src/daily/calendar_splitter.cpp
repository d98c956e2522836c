#include "daily/calendar_splitter.hpp"

#include "daily/calendar.hpp"
#include "daily/data_warnings.hpp"
#include "recio/record_output.hpp"
#include "recio/units.hpp"
#include "state/month_table.hpp"
#include "recio/work_record_format.hpp"

namespace tiral {

namespace {

struct Walk {
  const RunState& run;
  std::int64_t day_index = 1;

  bool records_left() const { return day_index <= run.daily.tmp_max().count; }

  // Writes up to `days` records to `unit`; false when the records ran out.
  bool deal(std::int32_t unit, std::int32_t days) {
    for (std::int32_t day = 0; day < days; ++day) {
      if (!records_left()) return false;
      const auto index = static_cast<std::int32_t>(day_index);
      recio::write_formatted(unit, recio::work_record_format,
                             {run.daily.tmp_max()[index], run.daily.tmp_min()[index], run.daily.hmd()[index]});
      ++day_index;
    }
    return true;
  }
};

// The days of `year_count` whole years from 1 January of `first_year`.
std::int64_t days_of_walk(std::int32_t first_year, std::int32_t year_count) {
  std::int64_t days = 0;
  for (std::int32_t offset = 0; offset < year_count; ++offset) {
    days += is_leap_year(std::int64_t{first_year} + offset) ? 366 : 365;
  }
  return days;
}

// A first year given wrongly, a missing day or a footer shifts or cuts the
// calendar: the user is told which records were left out or lacking.
void warn_unless_whole_years(const RunState& run, std::int64_t records_used) {
  const std::int64_t unused = std::int64_t{run.record_count} - records_used;
  const std::int64_t missing = days_of_walk(run.first_year, run.year_count) - records_used;
  warn_walk_result(run.year_count, run.record_count, unused, missing, last_year(run.first_year, run.year_count));
}

}  // namespace

void split_by_calendar(RunState& run) {
  for (const MonthInfo& month : month_table) recio::open_scratch(month.unit);
  run.leap_day_count = 0;
  Walk walk{run};
  bool records_left = true;
  for (std::int32_t offset = 0; offset < run.year_count && records_left; ++offset) {
    const bool leap = is_leap_year(std::int64_t{run.first_year} + offset);
    for (const MonthInfo& month : month_table) {
      std::int32_t days = month.days_per_year;
      if (month.month == february && leap) {
        ++run.leap_day_count;
        ++days;
      }
      records_left = walk.deal(month.unit, days);
      if (!records_left) break;
    }
  }
  for (const MonthInfo& month : month_table) recio::rewind_unit(month.unit);
  warn_unless_whole_years(run, walk.day_index - 1);
  warn_failing_months(run.failing_months);
}

}  // namespace tiral
