#include "daily/data_warnings.hpp"

#include <string>

#include "daily/dated_line.hpp"
#include "recio/messages.hpp"

namespace tiral {

namespace {

std::string records_read(std::int32_t records) {
  return "after " + std::to_string(records) + (records == 1 ? " record." : " records.");
}

void warn_times(std::int64_t count, std::string_view before, std::string_view plural, std::string_view singular,
                const std::string& where) {
  if (count == 0) return;
  const bool one = count == 1;
  recio::write_warning(" Warning: " + std::string(before) + std::to_string(count) +
                       std::string(one ? singular : plural) + (one ? " (" : " (first: ") + where + ").");
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

void warn_count(const CheckCount& check, std::string_view before, std::string_view plural,
                std::string_view singular) {
  warn_times(check.count, before, plural, singular, "line " + std::to_string(check.first_line));
}

void warn_dated_notes(const DatedNotes& notes, std::int32_t first_year) {
  warn_count(notes.no_date, "", " lines of the input file begin with no date and are not used",
             " line of the input file begins with no date and is not used");
  const std::string year = std::to_string(first_year);
  warn_count(notes.before_first_year, "",
             " records are dated before 1 January " + year + ", the first year, and are not used",
             " record is dated before 1 January " + year + ", the first year, and is not used");
  warn_count(notes.going_back, "",
             " records repeat the date of a record before them or go back to an earlier date, and are not used",
             " record repeats the date of a record before it or goes back to an earlier date, and is not used");
  warn_count(notes.not_numbers, "", " values are not numbers and count as no-data",
             " value is not a number and counts as no-data");
  warn_times(notes.days_without_record, "", " days have no record and count as no-data in all three columns",
             " day has no record and counts as no-data in all three columns",
             iso_date(date_of_day(notes.first_day_without)));
}

void warn_unreadable_line(std::int64_t line, std::int32_t records) {
  recio::write_warning(" Warning: line " + std::to_string(line) +
                       " of the input file cannot be read; reading stops there, " + records_read(records));
}

void warn_file_ends_inside_record(std::int32_t records) {
  recio::write_warning(" Warning: the input file ends inside a record; reading stops there, " + records_read(records));
}

void warn_walk_result(std::int32_t year_count, std::int32_t record_count, std::int64_t unused, std::int64_t missing,
                      std::int64_t last_year) {
  const std::string year = std::to_string(last_year);
  if (year_count == 0 && record_count > 0) {
    recio::write_warning(" Warning: fewer than 365 records make no whole year; no record is used.");
  } else if (unused == 1) {
    recio::write_warning(" Warning: the last record falls after 31 December " + year + " and is not used.");
  } else if (unused > 1) {
    recio::write_warning(" Warning: the last " + std::to_string(unused) + " records fall after 31 December " + year +
                         " and are not used.");
  } else if (missing > 0) {
    recio::write_warning(" Warning: the records end " + std::to_string(missing) + (missing == 1 ? " day" : " days") +
                         " before 31 December " + year + ".");
  }
}

void warn_failing_months(const FailingMonths& months) {
  if (months.count == 0) return;
  warn_times(months.count, "",
             " months of the record miss 11 or more days or 5 in a row, more than the WMO rule allows for a monthly "
             "mean; their missing values are filled with the file means",
             " month of the record misses 11 or more days or 5 in a row, more than the WMO rule allows for a monthly "
             "mean; its missing values are filled with the file means",
             std::string(month_names[months.first_month - 1]) + " " + std::to_string(months.first_year));
}

}  // namespace tiral
