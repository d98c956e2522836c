#include "run/run_sequence.hpp"

#include "daily/calendar_splitter.hpp"
#include "daily/daily_reader.hpp"
#include "monthly/monthly_means.hpp"
#include "platform/platform.hpp"
#include "recio/messages.hpp"
#include "recio/run_end.hpp"
#include "recio/units.hpp"
#include "report/report.hpp"
#include "run/dialog.hpp"
#include "state/month_table.hpp"

namespace tiral {

namespace {

// The days of a month over all years: February adds the leap days counted.
std::int32_t days_of_month(const MonthInfo& month, const RunState& run) {
  const std::int32_t days = run.year_count * month.days_per_year;
  return month.month == february ? days + run.leap_day_count : days;
}

}  // namespace

int run_program() {
  platform::guard_standard_streams();
  platform::mask_floating_point_exceptions();
  // The memory and interrupt diagnostics are in place: main() installs them first.
  static RunState run;
  console_dialog(run);
  read_daily_records(run);
  split_by_calendar(run);
  for (const MonthInfo& month : month_table) analyse_month(days_of_month(month, run), month.month, month.unit, run);
  write_report(run);
  recio::release_array(run.tmp_max);
  recio::release_array(run.tmp_min);
  recio::release_array(run.hmd);
  recio::close_all_units();
  // The report is written, but a batch that was not told what the warnings
  // say about it must not take the run for a success.
  if (recio::warnings_lost()) {
    platform::exit_process(recio::fatal_exit_status(recio::Message::write_error));
  }
  return 0;
}

}  // namespace tiral
