#include "daily/dated_reader.hpp"

#include <limits>

#include "daily/input_file.hpp"
#include "daily/data_warnings.hpp"
#include "daily/record_checks.hpp"
#include "recio/run_end.hpp"
#include "recio/units.hpp"

namespace tiral {

namespace {

constexpr float no_value = std::numeric_limits<float>::quiet_NaN();
constexpr DayValues empty_day{{no_value, no_value, no_value}};

// Places records by their dates; the first pass also notes what it leaves
// out and checks what it places.
struct Placement {
  DateForm form;
  std::int64_t january_first;  // calendar day of 1 January of the first year
  std::int64_t day_limit;
  std::int64_t last_day = 0;  // of the last record placed
  bool beyond_limit = false;
  DatedNotes* notes = nullptr;
  RecordChecks* checks = nullptr;
};

void note_line(CheckCount& check, std::int64_t times, std::int64_t line) {
  if (times == 0) return;
  if (check.count == 0) check.first_line = line;
  check.count += times;
}

// The three values after the date; cells it lacks are no-data.
DayValues read_values(const Placement& placement, DatedLine& read, std::string_view line, std::int64_t line_number) {
  DayValues day = empty_day;
  const bool comma_is_point = read.values.semicolons();
  std::string_view cell;
  std::size_t first_value_at = line.size();
  std::int64_t not_numbers = 0;
  for (auto column = day.begin(); column != day.end() && read.values.next(cell); ++column) {
    if (column == day.begin()) first_value_at = static_cast<std::size_t>(cell.data() - line.data());
    const CellValue value = read_value_cell(cell, comma_is_point);
    *column = value.value;
    not_numbers += value.kind == ValueKind::not_a_number ? 1 : 0;
  }
  if (placement.notes == nullptr) return day;
  note_line(placement.notes->not_numbers, not_numbers, line_number);
  bool text_after = false;
  while (!text_after && read.values.next(cell)) text_after = !unquoted(cell).empty();
  const std::string_view values_text = comma_is_point ? std::string_view{} : line.substr(first_value_at);
  check_dated_record(*placement.checks, line_number, values_text, text_after, day);
  return day;
}

// The values of a plain line: numbers all, nothing after them, no blank.
DayValues plain_values(const Placement& placement, const float (&plain)[3], std::int64_t line_number) {
  const DayValues day{{plain[0], plain[1], plain[2]}};
  if (placement.checks != nullptr) check_dated_record(*placement.checks, line_number, {}, false, day);
  return day;
}

// One line of the file: `days(first, count, values)` is called for the days
// its record settles, the days without a record before it first.
template <typename Days>
void place_line(Placement& placement, std::string_view line, std::int64_t line_number, Days&& days) {
  DatedNotes* notes = placement.notes;
  DatedLine read;
  float plain[3];
  const bool plain_line = read_plain_dated_line(line, placement.form, read.date, plain);
  if (!plain_line && is_blank_line(line)) return;
  if (!plain_line && !read_line_date(line, placement.form, read)) {
    if (notes != nullptr) note_line(notes->no_date, 1, line_number);
    return;
  }
  const std::int64_t number = day_of_calendar(read.date) - placement.january_first + 1;
  if (number < 1) {
    if (notes != nullptr) note_line(notes->before_first_year, 1, line_number);
    return;
  }
  if (number <= placement.last_day) {
    if (notes != nullptr) note_line(notes->going_back, 1, line_number);
    return;
  }
  if (number > placement.day_limit) {
    placement.beyond_limit = true;
    return;
  }
  const DayValues values =
      plain_line ? plain_values(placement, plain, line_number) : read_values(placement, read, line, line_number);
  if (notes != nullptr && number > placement.last_day + 1) {
    if (notes->days_without_record == 0) notes->first_day_without = placement.january_first + placement.last_day;
    notes->days_without_record += number - placement.last_day - 1;
  }
  if (number > placement.last_day + 1) days(placement.last_day + 1, number - placement.last_day - 1, empty_day);
  days(number, 1, values);
  placement.last_day = number;
}

Placement placement_for(const RunState& run, const FileLayout& layout, std::int64_t day_limit) {
  return {layout.form, day_of_calendar({run.first_year, 1, 1}), day_limit};
}

}  // namespace

void read_dated_days(RunState& run, const FileLayout& layout, DayTotals& totals, KeptDays& kept, std::int32_t day_limit,
                     std::int32_t kept_limit) {
  DatedNotes notes;
  RecordChecks checks;
  Placement placement = placement_for(run, layout, day_limit);
  placement.notes = &notes;
  placement.checks = &checks;
  const auto take_days = [&](std::int64_t first, std::int64_t count, const DayValues& values) {
    if (count == 1) {
      totals.add(values);
    } else {
      totals.add_empty_days(count);
    }
    for (std::int64_t day = first; day < first + count && kept.complete; ++day) {
      keep_day(kept, static_cast<std::int32_t>(day), values, kept_limit);
    }
  };
  std::string_view line = layout.line;
  for (std::int64_t line_number = layout.first_line;; ++line_number) {
    place_line(placement, line, line_number, take_days);
    if (placement.beyond_limit || !next_input_line(input_unit, line)) break;
  }
  run.record_count = static_cast<std::int32_t>(placement.last_day);
  run.nodata = totals.nodata();
  warn_dated_notes(notes, run.first_year);
  warn_record_checks(checks, run, false);
  if (placement.beyond_limit) recio::fatal_diagnostic(recio::Message::no_memory, 0, "");
}

void read_dated_days_again(RunState& run, const FileLayout& layout) {
  recio::rewind_unit(input_unit);
  allocate_day_arrays(run);
  Placement placement = placement_for(run, layout, run.record_count);
  std::string_view line;
  for (std::int64_t skipped = 1; skipped < layout.first_line; ++skipped) next_input_line(input_unit, line);
  const auto store = [&](std::int64_t first, std::int64_t count, const DayValues& values) {
    for (std::int64_t day = first; day < first + count; ++day) store_day(run, static_cast<std::int32_t>(day), values);
  };
  while (!placement.beyond_limit && next_input_line(input_unit, line)) place_line(placement, line, 0, store);
  if (placement.beyond_limit || placement.last_day != run.record_count) {
    recio::fatal_on_unit(recio::Message::rewind_error, input_unit);
  }
}

}  // namespace tiral
