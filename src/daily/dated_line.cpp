#include "daily/dated_line.hpp"

#include <algorithm>
#include <limits>
#include <string>

#include "daily/calendar.hpp"
#include "recio/characters.hpp"
#include "recio/decimal_digits.hpp"
#include "recio/decimal_scan.hpp"

namespace tiral {

namespace {

std::string_view without_cell_blanks(std::string_view text) {
  while (!text.empty() && is_cell_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_cell_blank(text.back())) text.remove_suffix(1);
  return text;
}

bool all_digits(std::string_view text, std::size_t fewest, std::size_t most) {
  return text.size() >= fewest && text.size() <= most && std::all_of(text.begin(), text.end(), recio::is_digit);
}

std::int32_t number_of(std::string_view digits) {
  std::int32_t value = 0;
  for (const char c : digits) value = value * 10 + (c - '0');
  return value;
}

// Four-digit years only: a date outside them is a typing slip, not a day.
bool exists(const CalendarDate& date) {
  return date.year >= 1000 && date.year <= 9999 && date.month >= 1 && date.month <= 12 && date.day >= 1 &&
         date.day <= days_in_month(date.year, date.month);
}

CalendarDate date_from(std::string_view year, std::string_view month, std::string_view day) {
  return {number_of(year), number_of(month), number_of(day)};
}

// 7:00, 07:00:00, 07:00Z.
bool is_time(std::string_view text) {
  if (!text.empty() && text.back() == 'Z') text.remove_suffix(1);
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos || !all_digits(text.substr(0, colon), 1, 2)) return false;
  text.remove_prefix(colon + 1);
  if (text.size() == 2) return all_digits(text, 2, 2);
  return text.size() == 5 && text[2] == ':' && all_digits(text.substr(0, 2), 2, 2) && all_digits(text.substr(3), 2, 2);
}

// The shape of each form, whether or not the day exists; `date` gets the
// numbers as written.
bool iso_shape(std::string_view cell, CalendarDate& date) {
  if (cell.size() < 10 || cell[4] != '-' || cell[7] != '-') return false;
  if (!all_digits(cell.substr(0, 4), 4, 4) || !all_digits(cell.substr(5, 2), 2, 2) ||
      !all_digits(cell.substr(8, 2), 2, 2)) {
    return false;
  }
  if (cell.size() > 10 && (cell[10] != 'T' || !is_time(cell.substr(11)))) return false;
  date = date_from(cell.substr(0, 4), cell.substr(5, 2), cell.substr(8, 2));
  return true;
}

bool compact_shape(std::string_view cell, CalendarDate& date) {
  if (!all_digits(cell, 8, 8)) return false;
  date = date_from(cell.substr(0, 4), cell.substr(4, 2), cell.substr(6, 2));
  return true;
}

bool dotted_shape(std::string_view cell, CalendarDate& date) {
  const std::size_t first = cell.find('.');
  const std::size_t second = first == std::string_view::npos ? first : cell.find('.', first + 1);
  if (second == std::string_view::npos) return false;
  const std::string_view day = cell.substr(0, first);
  const std::string_view month = cell.substr(first + 1, second - first - 1);
  const std::string_view year = cell.substr(second + 1);
  if (!all_digits(day, 1, 2) || !all_digits(month, 1, 2) || !all_digits(year, 4, 4)) return false;
  date = date_from(year, month, day);
  return true;
}

// The line's cells from its start, as a form sees them: the date, then the
// cursor at the first cell after it. `deciding`: the columns form needs a
// cell after its date, so that three numbers alone make no date.
bool shape_of_form(std::string_view line, DateForm form, bool deciding, DatedLine& read) {
  CellCursor cells(line);
  std::string_view cell;
  if (!cells.next(cell)) return false;
  cell = unquoted(cell);
  bool shaped = false;
  switch (form) {
    case DateForm::iso: shaped = iso_shape(cell, read.date); break;
    case DateForm::compact: shaped = compact_shape(cell, read.date); break;
    case DateForm::dotted: shaped = dotted_shape(cell, read.date); break;
    case DateForm::columns: {
      std::string_view month, day;
      if (!all_digits(cell, 4, 4) || !cells.next(month) || !cells.next(day)) return false;
      month = unquoted(month);
      day = unquoted(day);
      if (!all_digits(month, 1, 2) || !all_digits(day, 1, 2)) return false;
      read.date = date_from(cell, month, day);
      read.form = form;
      read.values = cells;
      std::string_view more;
      return !deciding || cells.next(more);
    }
    case DateForm::none: return false;
  }
  if (!shaped) return false;
  read.form = form;
  read.values = cells;
  // A time of day in a cell of its own is passed over.
  CellCursor after = cells;
  if (after.next(cell) && is_time(unquoted(cell))) read.values = after;
  return true;
}

constexpr DateForm every_form[] = {DateForm::iso, DateForm::compact, DateForm::dotted, DateForm::columns};

// Sign, digits with one decimal mark at most, an exponent; the whole text.
bool read_number(std::string_view text, float& value) {
  std::size_t at = 0;
  recio::ScannedDecimal number = recio::scan_decimal(text, at);
  if (!number.has_digit()) return false;
  if (at < text.size() && (text[at] == 'E' || text[at] == 'e')) {
    ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    if (at == text.size()) return false;
    std::int64_t exponent = 0;
    for (; at < text.size() && recio::is_digit(text[at]); ++at) {
      exponent = std::min<std::int64_t>(exponent * 10 + (text[at] - '0'), recio::DecimalDigits::exponent_limit);
    }
    number.exponent = negative ? -exponent : exponent;
  }
  if (at != text.size()) return false;
  value = recio::decimal_to_float(number);
  return true;
}

// A number of the fast path: sign, digits, one point; what follows must be
// `end_mark` (a comma, or the line's end when it is 0).
bool take_plain_number(std::string_view line, std::size_t& at, char end_mark, float& value) {
  const recio::ScannedDecimal number = recio::scan_decimal(line, at);
  if (!number.has_digit() || number.too_long) return false;
  if (end_mark == 0 ? at != line.size() : (at == line.size() || line[at] != end_mark)) return false;
  value = recio::decimal_to_float(number);
  ++at;
  return true;
}

}  // namespace

bool read_plain_dated_line(std::string_view line, DateForm form, CalendarDate& date, float (&values)[3]) {
  std::size_t at = 0;
  if (form == DateForm::iso) {
    if (line.size() < 11 || line[10] != ',' || !iso_shape(line.substr(0, 10), date)) return false;
    at = 11;
  } else if (form == DateForm::compact) {
    if (line.size() < 9 || line[8] != ',' || !compact_shape(line.substr(0, 8), date)) return false;
    at = 9;
  } else {
    return false;
  }
  if (!exists(date)) return false;
  return take_plain_number(line, at, ',', values[0]) && take_plain_number(line, at, ',', values[1]) &&
         take_plain_number(line, at, 0, values[2]);
}

bool is_blank_line(std::string_view line) { return std::all_of(line.begin(), line.end(), is_cell_blank); }

CellCursor::CellCursor(std::string_view line)
    : line_(line), semicolons_(line.find(';') != std::string_view::npos) {
  if (!semicolons_) line_ = without_cell_blanks(line);
}

bool CellCursor::next(std::string_view& cell) {
  if (done_) return false;
  if (semicolons_) {
    const std::size_t end = std::min(line_.find(';', at_), line_.size());
    cell = without_cell_blanks(line_.substr(at_, end - at_));
    done_ = end == line_.size();
    at_ = end + 1;
    return true;
  }
  std::size_t end = at_;
  while (end < line_.size() && line_[end] != ',' && !is_cell_blank(line_[end])) ++end;
  cell = line_.substr(at_, end - at_);
  std::size_t next = end;
  while (next < line_.size() && is_cell_blank(line_[next])) ++next;
  if (next < line_.size() && line_[next] == ',') {
    ++next;
    while (next < line_.size() && is_cell_blank(line_[next])) ++next;
  } else if (next == line_.size()) {
    done_ = true;
  }
  at_ = next;
  return true;
}

std::string_view unquoted(std::string_view cell) {
  if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"') return cell.substr(1, cell.size() - 2);
  return cell;
}

std::int64_t day_of_calendar(const CalendarDate& date) {
  const std::int64_t year = date.year - (date.month <= 2 ? 1 : 0);
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t year_of_era = year - era * 400;
  const std::int64_t day_of_year = (153 * (date.month + (date.month > 2 ? -3 : 9)) + 2) / 5 + date.day - 1;
  const std::int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era + 60;
}

CalendarDate date_of_day(std::int64_t day) {
  day -= 60;
  const std::int64_t era = (day >= 0 ? day : day - 146096) / 146097;
  const std::int64_t day_of_era = day - era * 146097;
  const std::int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const std::int64_t shifted_month = (5 * day_of_year + 2) / 153;
  CalendarDate date;
  date.day = static_cast<std::int32_t>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
  date.month = static_cast<std::int32_t>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
  date.year = year_of_era + era * 400 + (date.month <= 2 ? 1 : 0);
  return date;
}

LineVerdict judge_first_line(std::string_view line, DatedLine& read) {
  if (read_line_date(line, DateForm::none, read)) return {LineKind::dated};
  const std::string_view text = without_cell_blanks(line);
  const bool number_first =
      !text.empty() && (recio::is_digit(text[0]) || ((text[0] == '+' || text[0] == '-' || text[0] == '.') &&
                                                      text.size() > 1 && recio::is_digit(text[1])));
  if (!number_first) return {LineKind::header};
  // 1991-02-29 or 19911345: a date mistyped, not a number to read.
  DatedLine shaped;
  for (const DateForm form : every_form) {
    if (shape_of_form(line, form, true, shaped)) return {LineKind::header};
  }
  return {LineKind::numbers};
}

bool read_line_date(std::string_view line, DateForm form, DatedLine& read) {
  if (form != DateForm::none) return shape_of_form(line, form, false, read) && exists(read.date);
  for (const DateForm each : every_form) {
    if (shape_of_form(line, each, true, read) && exists(read.date)) return true;
  }
  return false;
}

CellValue read_value_cell(std::string_view cell, bool comma_is_point) {
  constexpr float no_value = std::numeric_limits<float>::quiet_NaN();
  const std::string_view text = without_cell_blanks(unquoted(cell));
  if (text.empty() || recio::equal_ignoring_case(text, "NA") || recio::equal_ignoring_case(text, "N/A") ||
      recio::equal_ignoring_case(text, "NaN")) {
    return {ValueKind::no_data, no_value};
  }
  float value = 0.0f;
  bool number = false;
  if (comma_is_point && text.find(',') != std::string_view::npos) {
    // One decimal mark at most, of either kind.
    std::string with_point(text);
    std::replace(with_point.begin(), with_point.end(), ',', '.');
    number = std::count(with_point.begin(), with_point.end(), '.') == 1 && read_number(with_point, value);
  } else {
    number = read_number(text, value);
  }
  if (!number) return {ValueKind::not_a_number, no_value};
  return {ValueKind::number, value};
}

}  // namespace tiral
