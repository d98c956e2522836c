#include "run/run_sequence.hpp"

#include <optional>
#include <string>

#include "daily/calendar_splitter.hpp"
#include "daily/daily_reader.hpp"
#include "daily/file_layout.hpp"
#include "monthly/monthly_means.hpp"
#include "platform/platform.hpp"
#include "recio/array_storage.hpp"
#include "recio/messages.hpp"
#include "recio/run_end.hpp"
#include "recio/units.hpp"
#include "report/monthly_chart.hpp"
#include "report/monthly_table.hpp"
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

// A file asked for by an option: its name as the run opens it.
struct ExtraFile {
  bool wanted = false;
  NameField name{};
  tiral::NameAnswer answer;
};

ExtraFile extra_file(const std::optional<std::string>& text) {
  ExtraFile file;
  if (!text) return file;
  file.wanted = true;
  take_name(*text, file.name, file.answer);
  return file;
}

// A table or a chart over the input, the report or each other would destroy
// what the run reads or writes. Returns the refusal's reason, empty when none.
std::string clash_of_extras(const CommandLine& line, std::string_view input, std::string_view report) {
  struct Extra {
    const std::optional<std::string>& name;
    std::string_view what;
  };
  const Extra extras[] = {{line.table_name, "table"}, {line.chart_name, "chart"}};
  for (const Extra& extra : extras) {
    if (!extra.name) continue;
    if (names_one_file(*extra.name, input))
      return "the " + std::string(extra.what) + " would replace the input file '" + std::string(input) + "'";
    if (names_one_file(*extra.name, report))
      return "the " + std::string(extra.what) + " would replace the report '" + std::string(report) + "'";
  }
  if (line.table_name && line.chart_name && names_one_file(*line.table_name, *line.chart_name))
    return "the chart would replace the table '" + *line.table_name + "'";
  return {};
}

std::string trimmed(const NameField& field) { return std::string(recio::trimmed_file_name(as_text(field))); }

// The three answers from the operands; a refusal's status when the run must
// not start, nothing when it goes on.
std::optional<int> answers_from_operands(const CommandLine& line, RunState& run) {
  const std::string& input = line.operands[0];
  const std::string& report = line.operands[1];
  std::optional<std::int32_t> year;
  if (line.operands.size() == 3) {
    year = whole_year(line.operands[2]);
    if (!year) return refuse_run("the first year must be a whole number, not '" + line.operands[2] + "'");
  }
  if (names_one_file(report, input)) return refuse_run("the report would replace the input file '" + input + "'");
  if (const std::string reason = clash_of_extras(line, input, report); !reason.empty()) return refuse_run(reason);
  take_name(input, run.input_name, run.input_answer);
  take_name(report, run.output_name, run.output_answer);
  if (!year) {
    // A missing input would be made, empty and so without dates, by the
    // look at its lines; a name that cannot be opened is left to the open's
    // own message.
    const std::string name = trimmed(run.input_name);
    const bool openable = !run.input_answer.cut && !name.empty();
    if (!openable || platform::same_existing_file(name, name)) year = first_dated_year(run);
    if (!year) return refuse_run(input + " has no dates; give the first year after the report name");
  }
  run.first_year = *year;
  return std::nullopt;
}

}  // namespace

int run_program(const CommandLine& line) {
  // Without a placeholder for a closed standard stream a data file could
  // become that stream: stop before anything is opened.
  if (!platform::guard_standard_streams()) {
    platform::exit_process(recio::fatal_exit_status(recio::Message::open_failure));
  }
  platform::mask_floating_point_exceptions();
  // The memory and interrupt diagnostics are in place: main() installs them first.
  static RunState run;
  if (line.operands.empty()) {
    console_dialog(run);
    const std::string reason = clash_of_extras(line, trimmed(run.input_name), trimmed(run.output_name));
    if (!reason.empty()) {
      recio::close_all_units();
      return refuse_run(reason);
    }
  } else if (const auto refused = answers_from_operands(line, run)) {
    recio::close_all_units();
    return *refused;
  }
  const ExtraFile table = extra_file(line.table_name);
  const ExtraFile chart = extra_file(line.chart_name);
  read_daily_records(run);
  split_by_calendar(run);
  for (const MonthInfo& month : month_table) analyse_month(days_of_month(month, run), month, run);
  write_report(run);
  if (table.wanted) write_monthly_table(run, as_text(table.name), table.answer);
  if (chart.wanted) write_monthly_chart(run, as_text(chart.name), chart.answer);
  for (RealArray& column : run.daily) recio::release_array(column);
  recio::close_all_units();
  // The report is written, but a batch that was not told what the warnings
  // say about it must not take the run for a success.
  if (recio::warnings_lost()) {
    platform::exit_process(recio::fatal_exit_status(recio::Message::write_error));
  }
  return 0;
}

}  // namespace tiral
