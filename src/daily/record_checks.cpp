#include "daily/record_checks.hpp"

#include <string>
#include <string_view>

#include "daily/input_file.hpp"
#include "recio/characters.hpp"
#include "recio/texts.hpp"

namespace tiral {

namespace {

// "12,5 3,4 80,1": a comma between digits on a line whose values are
// separated by blanks, the mark of a decimal-comma export.
bool looks_like_decimal_commas(std::string_view line) {
  // The cheaper half first: most lines of a CSV hold no blank.
  if (recio::without_outer_blanks(line).find_first_of(" \t") == std::string_view::npos) return false;
  bool comma_between_digits = false;
  for (std::size_t at = line.find(','); at != std::string_view::npos && !comma_between_digits;
       at = line.find(',', at + 1)) {
    comma_between_digits =
        at > 0 && at + 1 < line.size() && recio::is_digit(line[at - 1]) && recio::is_digit(line[at + 1]);
  }
  return comma_between_digits;
}

bool holds_text(std::string_view rest) { return rest.find_first_not_of(" \t,") != std::string_view::npos; }

bool beyond_observed(float temperature) {
  return valid_temperature(temperature) && (temperature < -90.0f || temperature > 60.0f);
}

void note(CheckCount& check, std::int64_t times, std::int64_t line) {
  if (times == 0) return;
  if (check.count == 0) check.first_line = line;
  check.count += times;
}

void warn_column_without_value(std::string_view label, std::int32_t nodata, std::int32_t record_count) {
  if (record_count > 0 && nodata == record_count) {
    warn_line(recio::WarningKind::column_without_value, {{"column", label}});
  }
}

void check_values(RecordChecks& checks, std::int64_t line, const PerColumn<float>& day) {
  const float tmp_max = day.tmp_max();
  const float tmp_min = day.tmp_min();
  note(checks.temperatures_beyond_observed, int{beyond_observed(tmp_max)} + int{beyond_observed(tmp_min)}, line);
  note(checks.minimum_above_maximum, valid_temperature(tmp_max) && valid_temperature(tmp_min) && tmp_min > tmp_max,
       line);
  checks.humidity_above_one = checks.humidity_above_one || (valid_humidity(day.hmd()) && day.hmd() > 1.0f);
}

}  // namespace

void check_record(RecordChecks& checks, const recio::ReadTrace& trace, const PerColumn<float>& day) {
  const std::int64_t line = checks.lines_before + static_cast<std::int64_t>(trace.first_record) + 1;
  checks.lines_before += static_cast<std::int64_t>(trace.records);
  check_values(checks, line, day);
  // The common line, three values and nothing else, has no more to show.
  if (trace.records == 1 && !trace.may_hold_comma && !trace.empty_value && !trace.word && trace.rest().empty()) return;
  note(checks.decimal_commas, trace.may_hold_comma && looks_like_decimal_commas(trace.first_line()), line);
  note(checks.text_after_values, holds_text(trace.rest()), line);
  note(checks.several_lines, trace.first_record + 1 < trace.records, line);
  note(checks.empty_values, trace.empty_value, line);
  note(checks.words, trace.word, line);
}

void check_dated_record(RecordChecks& checks, std::int64_t line, std::string_view values_text, bool text_after,
                        const PerColumn<float>& day) {
  check_values(checks, line, day);
  note(checks.decimal_commas, !values_text.empty() && looks_like_decimal_commas(values_text), line);
  note(checks.text_after_values, text_after, line);
}

void warn_record_checks(const RecordChecks& checks, const RunState& run, bool file_without_record) {
  using recio::WarningKind;
  if (file_without_record) warn_line(WarningKind::no_record);
  warn_count(checks.decimal_commas, WarningKind::decimal_commas);
  warn_count(checks.text_after_values, WarningKind::text_after_values);
  warn_count(checks.several_lines, WarningKind::several_lines);
  warn_count(checks.empty_values, WarningKind::empty_values);
  warn_count(checks.words, WarningKind::words);
  warn_count(checks.temperatures_beyond_observed, WarningKind::temperatures_beyond_observed);
  warn_count(checks.minimum_above_maximum, WarningKind::minimum_above_maximum);
  if (run.record_count > run.nodata.hmd() && !checks.humidity_above_one) warn_line(WarningKind::humidity_in_fractions);
  for (const Column column : all_columns) {
    warn_column_without_value(column_name(column), run.nodata[column], run.record_count);
  }
}

}  // namespace tiral
