#include "daily/dated_line.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "daily/calendar.hpp"
#include "test_support.hpp"

namespace tiral {
namespace {

using test_support::same_float;

std::string cells_of(std::string_view line) {
  CellCursor cursor(line);
  std::string joined;
  std::string_view cell;
  for (bool first = true; cursor.next(cell); first = false) joined += (first ? "" : "|") + std::string(cell);
  return joined;
}

TEST(DatedLine, CellsAreCutAtSemicolonsOrAtCommasAndBlanks) {
  const std::pair<const char*, const char*> cases[] = {
      {"a,b", "a|b"},       {"a , b", "a|b"},       {"a,,b", "a||b"},         {"a, ,b", "a||b"},
      {",a", "|a"},         {"a,", "a|"},           {" a \t b\r", "a|b"},     {"a b,c", "a|b|c"},
      {"a;b ; c", "a|b|c"}, {"a;", "a|"},           {"a; ;b", "a||b"},        {"1,5;2", "1,5|2"},
      {" 1 5 ;2", "1 5|2"}, {"\"a\",\"b\"", "\"a\"|\"b\""}, {"a ,, b", "a||b"},
  };
  for (const auto& [line, cells] : cases) EXPECT_EQ(cells, cells_of(line)) << line;
  EXPECT_EQ("x", unquoted("\"x\""));
  EXPECT_EQ("", unquoted("\"\""));
  EXPECT_EQ("\"", unquoted("\""));
  EXPECT_EQ("\"x", unquoted("\"x"));
}

TEST(DatedLine, TheFirstLineTellsDatesFromNumbersAndHeaders) {
  struct Case {
    const char* line;
    LineKind kind;
    DateForm form;
    CalendarDate date;
  };
  const CalendarDate none{};
  const Case cases[] = {
      {"1991-01-31,1,2,3", LineKind::dated, DateForm::iso, {1991, 1, 31}},
      {"1991-01-31T00:00,1,2,3", LineKind::dated, DateForm::iso, {1991, 1, 31}},
      {"1991-01-31T7:00:00Z 1 2 3", LineKind::dated, DateForm::iso, {1991, 1, 31}},
      {"1991-01-31 00:00:00,1,2,3", LineKind::dated, DateForm::iso, {1991, 1, 31}},
      {"\"2000-02-29\",\"5.1\"", LineKind::dated, DateForm::iso, {2000, 2, 29}},
      {"19910131 1 2 3", LineKind::dated, DateForm::compact, {1991, 1, 31}},
      {"31.01.1991;2,9;-4,9;80,6", LineKind::dated, DateForm::dotted, {1991, 1, 31}},
      {"1.2.1991,1,2,3", LineKind::dated, DateForm::dotted, {1991, 2, 1}},
      {"31.01.1991;07:00;1;2;3", LineKind::dated, DateForm::dotted, {1991, 1, 31}},
      {"1991 1 31 5", LineKind::dated, DateForm::columns, {1991, 1, 31}},
      {"1991,01,31,,", LineKind::dated, DateForm::columns, {1991, 1, 31}},
      {"9999-12-31", LineKind::dated, DateForm::iso, {9999, 12, 31}},
      // The shape of a date that is none: no data to read yet.
      {"1991-02-29,1,2,3", LineKind::header, DateForm::none, none},
      {"1900-02-29,1,2,3", LineKind::header, DateForm::none, none},
      {"19911345 1 2 3", LineKind::header, DateForm::none, none},
      {"1991 13 1 5", LineKind::header, DateForm::none, none},
      {"0999-01-01,1,2,3", LineKind::header, DateForm::none, none},
      {"32.1.1991;1;2;3", LineKind::header, DateForm::none, none},
      // Numbers: a file read as it always was.
      {"1991 1 31", LineKind::numbers, DateForm::none, none},
      {"12.5 3.4 80", LineKind::numbers, DateForm::none, none},
      {"52.52,13.41,38.0", LineKind::numbers, DateForm::none, none},
      {"-3 2 80", LineKind::numbers, DateForm::none, none},
      {".5 1 2", LineKind::numbers, DateForm::none, none},
      {"+1 1 2", LineKind::numbers, DateForm::none, none},
      {"1991-1-31,1,2,3", LineKind::numbers, DateForm::none, none},
      {"31.01.91;1;2;3", LineKind::numbers, DateForm::none, none},
      {"1991-01-31T25,1,2,3", LineKind::numbers, DateForm::none, none},
      // Anything else is a header.
      {"DATE,TMAX,TMIN,RH", LineKind::header, DateForm::none, none},
      {"# station 4711", LineKind::header, DateForm::none, none},
      {"\"Datum\";\"Tmax\"", LineKind::header, DateForm::none, none},
      {"- 3 2", LineKind::header, DateForm::none, none},
      {"+x", LineKind::header, DateForm::none, none},
  };
  for (const Case& c : cases) {
    DatedLine read;
    EXPECT_EQ(c.kind, judge_first_line(c.line, read).kind) << c.line;
    if (c.kind != LineKind::dated) continue;
    EXPECT_EQ(c.form, read.form) << c.line;
    EXPECT_EQ(c.date.year, read.date.year) << c.line;
    EXPECT_EQ(c.date.month, read.date.month) << c.line;
    EXPECT_EQ(c.date.day, read.date.day) << c.line;
  }
}

TEST(DatedLine, ARecordBeginsWithADateOfTheFilesFormOnly) {
  struct Case {
    const char* line;
    DateForm form;
    bool dated;
    const char* first_value;  // the cell the values begin with
  };
  const Case cases[] = {
      {"1991 1 31", DateForm::columns, true, ""},  // only its date: a day of no-data
      {"1991,1,31,7", DateForm::columns, true, "7"},
      {"19910131,1,2,3", DateForm::iso, false, ""},
      {"1991-01-31,1,2,3", DateForm::compact, false, ""},
      {"1991-01-31 12:00 4", DateForm::iso, true, "4"},
      {"1991-01-31T12:00 12:30 4", DateForm::iso, true, "4"},
      {"31.01.1991;07:00;1,5", DateForm::dotted, true, "1,5"},
      {"1991-01-31 1200 4", DateForm::iso, true, "1200"},
      {"1991-04-31,1,2,3", DateForm::iso, false, ""},
      {"date,tmax", DateForm::iso, false, ""},
  };
  for (const Case& c : cases) {
    DatedLine read;
    ASSERT_EQ(c.dated, read_line_date(c.line, c.form, read)) << c.line;
    if (!c.dated) continue;
    std::string_view cell;
    const bool has_value = read.values.next(cell);
    EXPECT_EQ(std::string(c.first_value), has_value ? std::string(cell) : "") << c.line;
  }
}

TEST(DatedLine, ValueCellsAreNumbersNoDataOrNotANumber) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* cell;
    bool comma_is_point;
    ValueKind kind;
    float value;
  };
  const Case cases[] = {
      {"", false, ValueKind::no_data, nan},          {"NA", false, ValueKind::no_data, nan},
      {"na", false, ValueKind::no_data, nan},        {"N/A", false, ValueKind::no_data, nan},
      {"nAn", false, ValueKind::no_data, nan},       {"\"\"", false, ValueKind::no_data, nan},
      {"\" NA \"", false, ValueKind::no_data, nan},  {"12.5", false, ValueKind::number, 12.5f},
      {"\" 5.1 \"", false, ValueKind::number, 5.1f}, {"-0", false, ValueKind::number, -0.0f},
      {"+.5", false, ValueKind::number, 0.5f},       {"5.", false, ValueKind::number, 5.0f},
      {"1e3", false, ValueKind::number, 1000.0f},    {"1E+3", false, ValueKind::number, 1000.0f},
      {"25e-1", false, ValueKind::number, 2.5f},     {"1e99", false, ValueKind::number, inf},
      {"-1e-99", false, ValueKind::number, -0.0f},   {"1e999999999999", false, ValueKind::number, inf},
      {"0.000000000000000000000000000000000000000000000001", false, ValueKind::number, 0.0f},
      {"12,5", true, ValueKind::number, 12.5f},      {"-4,9", true, ValueKind::number, -4.9f},
      {"12.5", true, ValueKind::number, 12.5f},      {"1,2.5", true, ValueKind::not_a_number, nan},
      {"1,2,5", true, ValueKind::not_a_number, nan}, {"12,5", false, ValueKind::not_a_number, nan},
      {"1e", false, ValueKind::not_a_number, nan},   {"1e+", false, ValueKind::not_a_number, nan},
      {"1d3", false, ValueKind::not_a_number, nan},  {"1.2.3", false, ValueKind::not_a_number, nan},
      {"M", false, ValueKind::not_a_number, nan},    {"---", false, ValueKind::not_a_number, nan},
      {"T", false, ValueKind::not_a_number, nan},    {"12.5a", false, ValueKind::not_a_number, nan},
      {"+", false, ValueKind::not_a_number, nan},    {".", false, ValueKind::not_a_number, nan},
      {"1 2", false, ValueKind::not_a_number, nan},  {"NaNa", false, ValueKind::not_a_number, nan},
  };
  for (const Case& c : cases) {
    const CellValue read = read_value_cell(c.cell, c.comma_is_point);
    EXPECT_EQ(c.kind, read.kind) << c.cell;
    if (std::isnan(c.value)) {
      EXPECT_TRUE(std::isnan(read.value)) << c.cell;
    } else {
      EXPECT_TRUE(same_float(c.value, read.value)) << c.cell;
    }
  }
}

// Every day of the four-digit years, each one after the other, both ways.
TEST(DatedLine, CalendarDaysCountEveryDayOfTheGregorianCalendar) {
  EXPECT_EQ(0, day_of_calendar({0, 1, 1}));
  EXPECT_EQ(719528, day_of_calendar({1970, 1, 1}));
  EXPECT_EQ(-365, day_of_calendar({-1, 1, 1}));  // year 0 is the leap year
  std::int64_t day = day_of_calendar({1000, 1, 1});
  for (std::int64_t year = 1000; year <= 9999; ++year) {
    for (std::int32_t month = 1; month <= 12; ++month) {
      static constexpr std::int32_t lengths[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
      const std::int32_t length = lengths[month - 1] + (month == 2 && is_leap_year(year) ? 1 : 0);
      for (std::int32_t d = 1; d <= length; ++d, ++day) {
        const CalendarDate date{year, month, d};
        ASSERT_EQ(day, day_of_calendar(date)) << year << "-" << month << "-" << d;
        const CalendarDate back = date_of_day(day);
        ASSERT_TRUE(back.year == year && back.month == month && back.day == d) << day;
      }
    }
  }
  for (const std::int64_t far : {std::int64_t{-2'147'483'648}, std::int64_t{2'147'483'647}}) {
    const CalendarDate date = date_of_day(day_of_calendar({far, 3, 1}));
    EXPECT_TRUE(date.year == far && date.month == 3 && date.day == 1) << far;
  }
}

// The one-pass reading of a plain line gives what the cell-by-cell reading
// gives, on lines made of the pieces where the two could differ.
TEST(DatedLine, PlainLinesReadAsTheirCellsRead) {
  const std::vector<std::string> dates = {"1991-01-31", "19910131", "1991-02-30", "19910229", "1991-1-31"};
  const std::vector<std::string> values = {"12.5", "-3", "+.5", "7.", "0", "-0", "1e3", "", "NA", "x", "12,5",
                                           "99999999", "1.2.3", " 4", "\"5\"", "-", "1234567.89"};
  const std::vector<std::string> separators = {",", ",", ",", " ", ";", ", "};
  const std::vector<std::string> numbers = {"12.5", "-3", "+.5", "7.", "0", "-0", "99999999", "1234567.89", "-.25"};
  std::mt19937 random(20261209);
  int plain_lines = 0;
  const auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
  for (int n = 0; n < 20'000; ++n) {
    // Half the lines near the plain shape, half anything.
    const bool near_plain = n % 2 == 0;
    std::string line = pick(dates);
    const int cells = near_plain ? 3 : 2 + static_cast<int>(random() % 3);
    for (int i = 0; i < cells; ++i) {
      line += (near_plain ? std::string(",") : pick(separators)) + pick(near_plain ? numbers : values);
    }
    for (const DateForm form : {DateForm::iso, DateForm::compact}) {
      CalendarDate plain_date;
      float plain[3];
      if (!read_plain_dated_line(line, form, plain_date, plain)) continue;
      ++plain_lines;
      DatedLine read;
      ASSERT_TRUE(read_line_date(line, form, read)) << line;
      EXPECT_EQ(day_of_calendar(read.date), day_of_calendar(plain_date)) << line;
      std::string_view cell;
      for (const float value : plain) {
        ASSERT_TRUE(read.values.next(cell)) << line;
        const CellValue general = read_value_cell(cell, read.values.semicolons());
        EXPECT_EQ(ValueKind::number, general.kind) << line;
        EXPECT_TRUE(same_float(general.value, value)) << line;
      }
      EXPECT_FALSE(read.values.next(cell)) << line;
    }
  }
  EXPECT_GT(plain_lines, 100);
}

}  // namespace
}  // namespace tiral
