#include "daily/data_warnings.hpp"

#include <initializer_list>
#include <string>
#include <vector>

#include "daily/dated_line.hpp"
#include "recio/messages.hpp"
#include "recio/texts.hpp"

namespace tiral {

namespace {

using recio::WarningKind;

void warn(std::string_view text, std::initializer_list<recio::TextValue> values) {
  recio::write_warning(std::string(recio::warning_prefix) + recio::fill_text(text, values));
}

// The form for one or for any other count; `where` names the first one.
void warn_times(std::int64_t count, WarningKind kind, std::string_view where_name, const std::string& where,
                std::initializer_list<recio::TextValue> more = {}) {
  if (count == 0) return;
  const recio::WarningText& text = recio::warning_text(kind);
  const std::string number = std::to_string(count);
  std::vector<recio::TextValue> values = {{"count", number}, {where_name, where}};
  values.insert(values.end(), more.begin(), more.end());
  recio::write_warning(std::string(recio::warning_prefix) +
                       recio::fill_text(count == 1 ? text.one : text.several, values));
}

// YYYY-MM-DD, the year in four digits at least.
std::string iso_date(const CalendarDate& date) {
  std::string year = std::to_string(date.year < 0 ? -date.year : date.year);
  if (year.size() < 4) year.insert(0, 4 - year.size(), '0');
  const auto two = [](std::int32_t n) { return std::string(n < 10 ? "0" : "") + std::to_string(n); };
  return (date.year < 0 ? "-" : "") + year + "-" + two(date.month) + "-" + two(date.day);
}

constexpr std::string_view month_names[] = {"January", "February", "March",     "April",   "May",      "June",
                                            "July",    "August",   "September", "October", "November", "December"};

}  // namespace

void warn_line(WarningKind kind, std::initializer_list<recio::TextValue> values) {
  warn(recio::warning_text(kind).several, values);
}

void warn_count(const CheckCount& check, WarningKind kind, std::initializer_list<recio::TextValue> more) {
  warn_times(check.count, kind, "line", std::to_string(check.first_line), more);
}

void warn_dated_notes(const DatedNotes& notes, std::int32_t first_year) {
  warn_count(notes.no_date, WarningKind::no_date);
  const std::string year = std::to_string(first_year);
  warn_count(notes.before_first_year, WarningKind::before_first_year, {{"year", year}});
  warn_count(notes.going_back, WarningKind::going_back);
  warn_count(notes.not_numbers, WarningKind::not_numbers);
  warn_times(notes.days_without_record, WarningKind::days_without_record, "date",
             iso_date(date_of_day(notes.first_day_without)));
}

namespace {

// The line's form follows the count of records read.
void warn_reading_stopped(WarningKind kind, std::int64_t line, std::int32_t records) {
  const recio::WarningText& text = recio::warning_text(kind);
  warn(records == 1 ? text.one : text.several, {{"line", std::to_string(line)}, {"records", std::to_string(records)}});
}

}  // namespace

void warn_unreadable_line(std::int64_t line, std::int32_t records) {
  warn_reading_stopped(WarningKind::unreadable_line, line, records);
}

void warn_file_ends_inside_record(std::int32_t records) {
  warn_reading_stopped(WarningKind::file_ends_inside_record, 0, records);
}

void warn_walk_result(std::int32_t year_count, std::int32_t record_count, std::int64_t unused, std::int64_t missing,
                      std::int64_t last_year) {
  const std::string year = std::to_string(last_year);
  if (year_count == 0 && record_count > 0) {
    warn_line(WarningKind::too_few_records);
  } else if (unused > 0) {
    warn_times(unused, WarningKind::last_records_unused, "year", year);
  } else if (missing > 0) {
    warn_times(missing, WarningKind::records_end_early, "year", year);
  }
}

void warn_failing_months(const FailingMonths& months) {
  if (months.count == 0) return;  // no first month to name
  warn_times(months.count, WarningKind::failing_months, "month", std::string(month_names[months.first_month - 1]),
             {{"year", std::to_string(months.first_year)}});
}

}  // namespace tiral
