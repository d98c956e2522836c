// Fuzz target: the lines of a dated file. Every line is judged as a first
// line and read in each date form; the one-pass reading of a plain line must
// give what the cell-by-cell reading gives, or the input is a finding.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "daily/dated_line.hpp"

namespace {

void compare_plain_with_cells(std::string_view line, tiral::DateForm form) {
  tiral::CalendarDate plain_date;
  float plain[3];
  if (!tiral::read_plain_dated_line(line, form, plain_date, plain)) return;
  tiral::DatedLine read;
  if (!tiral::read_line_date(line, form, read)) std::abort();
  if (tiral::day_of_calendar(read.date) != tiral::day_of_calendar(plain_date)) std::abort();
  std::string_view cell;
  for (const float value : plain) {
    if (!read.values.next(cell)) std::abort();
    const tiral::CellValue general = tiral::read_value_cell(cell, read.values.semicolons());
    if (general.kind != tiral::ValueKind::number) std::abort();
    if (std::bit_cast<std::uint32_t>(general.value) != std::bit_cast<std::uint32_t>(value)) std::abort();
  }
  if (read.values.next(cell)) std::abort();
}

void read_line(std::string_view line) {
  tiral::DatedLine first;
  tiral::judge_first_line(line, first);
  for (const tiral::DateForm form :
       {tiral::DateForm::iso, tiral::DateForm::compact, tiral::DateForm::dotted, tiral::DateForm::columns}) {
    tiral::DatedLine read;
    if (tiral::read_line_date(line, form, read)) {
      // A date read is one that exists, and the calendar gives it back.
      const tiral::CalendarDate back = tiral::date_of_day(tiral::day_of_calendar(read.date));
      if (back.year != read.date.year || back.month != read.date.month || back.day != read.date.day) std::abort();
      std::string_view cell;
      while (read.values.next(cell)) tiral::read_value_cell(cell, read.values.semicolons());
    }
    compare_plain_with_cells(line, form);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    read_line(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return 0;
}
