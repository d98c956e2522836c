#include "report/monthly_table.hpp"

#include <charconv>
#include <cmath>
#include <string>

#include "recio/record_output.hpp"
#include "recio/units.hpp"
#include "state/month_table.hpp"

namespace tiral {

namespace {

constexpr recio::Format whole_record = recio::parse_format("(A)");

// The report's record 2 gives the name a field of this width.
constexpr std::size_t reported_name_width = 50;

// RFC 4180: a cell is quoted, its quotation marks doubled, only when it
// holds what a reader would split or trim at. Line ends and tabs count too:
// an operand can hold them.
std::string csv_cell(std::string_view text) {
  if (text.find_first_of(",\" \t\r\n") == std::string_view::npos) return std::string(text);
  std::string cell = "\"";
  for (const char c : text) {
    if (c == '"') cell += '"';
    cell += c;
  }
  return cell + '"';
}

void append_number(std::string& row, std::int64_t value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  row.append(digits, result.ptr);
}

}  // namespace

std::string shortest_text(float value) {
  if (std::isnan(value)) return {};
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string_view reported_input_name(const RunState& run) {
  std::string_view name = as_text(run.input_name).substr(0, reported_name_width);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return name;
}

void write_monthly_table(const RunState& run, std::string_view name_field, const tiral::NameAnswer& answer) {
  // Whole or not at all, and never over the input, as the report.
  recio::open_named(table_unit, name_field, recio::WhenMissing::create, answer,
                    {.whole_file = true, .never_over = as_text(run.input_name)});
  recio::write_formatted(table_unit, whole_record,
                         {"input,first_year,last_year,month,tmp_max,tmp_min,hmd,dewpt,days,missing_days,failing_years"});
  const std::string input = csv_cell(reported_input_name(run));
  const std::int32_t last = year_field(last_year(run.first_year, run.year_count));
  std::string row;
  for (const MonthInfo& month : month_table) {
    const std::int32_t m = month.month;
    row = input;
    for (const std::int64_t value : {std::int64_t{run.first_year}, std::int64_t{last}, std::int64_t{m}}) {
      row += ',';
      append_number(row, value);
    }
    for (const float mean : {run.monthly_tmp_max[m], run.monthly_tmp_min[m], run.monthly_hmd[m], run.monthly_dewpt[m]}) {
      row += ',';
      row += shortest_text(mean);
    }
    for (const std::int64_t count : {run.days_read[m], run.missing_days[m], run.failing_years[m]}) {
      row += ',';
      append_number(row, count);
    }
    recio::write_formatted(table_unit, whole_record, {std::string_view(row)});
  }
  recio::close_unit(table_unit);
}

}  // namespace tiral
