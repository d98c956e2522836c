// The lines of a file whose records carry their dates: cells, the four date
// forms, and the values that follow a date.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tiral {

// A blank of a dated line: a carriage return is one too, so that a file
// saved with CR LF or a stray CR reads the same.
constexpr bool is_cell_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
bool is_blank_line(std::string_view line);

// The cells of one line, one at a time. A line that holds a semicolon is cut
// at every semicolon (a comma is then a decimal point); any other at each
// comma, blanks around it included, and at each run of blanks without one.
// Cells come with the blanks at their ends dropped and their quotation
// marks kept; `unquoted` removes those.
class CellCursor {
 public:
  explicit CellCursor(std::string_view line);
  bool next(std::string_view& cell);
  bool semicolons() const { return semicolons_; }

 private:
  std::string_view line_;
  std::size_t at_ = 0;
  bool semicolons_;
  bool done_ = false;
};

// `"1991-01-31"` stands for 1991-01-31.
std::string_view unquoted(std::string_view cell);

// The order matters: a line is tried against them in this order.
enum class DateForm : std::uint8_t { none, iso, compact, dotted, columns };

struct CalendarDate {
  std::int64_t year = 0;
  std::int32_t month = 0;
  std::int32_t day = 0;
};

// Days from 1 January of year 0 (Gregorian rule throughout); negative before it.
std::int64_t day_of_calendar(const CalendarDate& date);
CalendarDate date_of_day(std::int64_t day);

// A line's date, where its value cells begin and what holds them.
struct DatedLine {
  CalendarDate date;
  DateForm form = DateForm::none;
  CellCursor values{std::string_view{}};  // positioned at the first value cell
};

// What the first line that is not blank says of a file.
enum class LineKind : std::uint8_t {
  dated,       // it begins with a date: `form` is the file's
  numbers,     // it begins with a number: the file reads without dates
  header       // words, or the shape of a date that is none: look further
};
struct LineVerdict {
  LineKind kind = LineKind::header;
};
// `read` gets the date of a dated line.
LineVerdict judge_first_line(std::string_view line, DatedLine& read);

// The line's date in the form `form` (any form when none, where the columns
// form then needs a cell after the date); false when it begins with none.
// A time of day after the date is passed over.
bool read_line_date(std::string_view line, DateForm form, DatedLine& read);

// The common line of a dated export, read in one pass: an ISO or compact
// date, then three plain numbers, each after one comma, and nothing else
// (`1991-01-31,12.5,-3,80.1`). Gives what read_line_date and
// read_value_cell would give for it; false, with nothing read, for any
// other line, which then takes that way.
bool read_plain_dated_line(std::string_view line, DateForm form, CalendarDate& date, float (&values)[3]);

// One value cell.
enum class ValueKind : std::uint8_t { number, no_data, not_a_number };
struct CellValue {
  ValueKind kind = ValueKind::no_data;
  float value = 0.0f;  // a quiet NaN unless a number
};
// `cell` as it stands in the line, quotation marks and all; on a line cut at
// semicolons a comma may be the decimal point.
CellValue read_value_cell(std::string_view cell, bool comma_is_point);

}  // namespace tiral
