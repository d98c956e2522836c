#include "recio/record_output.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace {

using recio::OutputItem;

std::string list_record(std::vector<recio::ListItem> items) {
  std::string record;
  recio::build_list_record(record, items);
  return record;
}

std::string formatted_record(const recio::Format& format, std::vector<OutputItem> items) {
  std::string record;
  recio::build_formatted_record(record, format, items);
  return record;
}

TEST(ListRecord, LeadingBlankTextUnchangedIntegersInTwelveColumns) {
  struct Case {
    std::vector<recio::ListItem> items;
    std::string record;
  };
  const std::vector<Case> cases = {
      {{""}, " "},
      {{"Number of Years   = ", 10}, " Number of Years   =           10"},
      {{"hmd     = ", 30}, " hmd     =           30"},
      {{"value = ", -5}, " value =           -5"},
      {{7}, "           7"},  // an integer alone gets no extra blank
      {{-2147483647 - 1}, " -2147483648"},
      {{"trailing   "}, " trailing   "},
      {{"'quoted' \"text\""}, " 'quoted' \"text\""},
      {{"deg \260C"}, " deg \260C"},
  };
  for (const Case& c : cases) EXPECT_EQ(list_record(c.items), c.record);
}

TEST(FormattedRecord, EditDescriptorsFromColumnOne) {
  constexpr auto row = recio::parse_format("(A8,4F12.2)");
  constexpr auto header = recio::parse_format("(A8,4A12)");
  constexpr auto period = recio::parse_format("(A48,A1,I4,A3,I4,A1)");
  constexpr auto name_line = recio::parse_format("(A21,A50)");
  constexpr auto work = recio::parse_format("(3F6.2)");
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::string long_name = std::string(50, 'n') + "tail" + std::string(201, ' ');

  EXPECT_EQ(formatted_record(row, {"Jan", 3.25f, -4.104f, 85.3f, -2.046f}),
            "     Jan        3.25       -4.10       85.30       -2.05");
  EXPECT_EQ(formatted_record(row, {"Feb", nan, nan, nan, nan}),
            "     Feb NaN         NaN         NaN         NaN        ");
  EXPECT_EQ(formatted_record(header, {"Month", "tmp_max", "tmp_min", "hmd", "dewpt"}),
            "   Month     tmp_max     tmp_min         hmd       dewpt");
  EXPECT_EQ(formatted_record(period, {"Average Daily Dew Point Temperature for Period ", "(", 1991, " - ", 2000, ")"}),
            " Average Daily Dew Point Temperature for Period (1991 - 2000)");
  EXPECT_EQ(formatted_record(period, {"x", "(", 12000, " - ", -1000, ")"}), std::string(47, ' ') + "x(**** - ****)");
  EXPECT_EQ(formatted_record(name_line, {" Input Filename    = ", std::string_view(long_name)}),
            " Input Filename    = " + std::string(50, 'n'));
  EXPECT_EQ(formatted_record(name_line, {" Input Filename    = ", "climate.txt"}),
            " Input Filename    = " + std::string(39, ' ') + "climate.txt");
  EXPECT_EQ(formatted_record(work, {12.5f, -3.25f, 0.5f}), " 12.50 -3.25  0.50");
  EXPECT_EQ(formatted_record(work, {12.3f, -5.25f, 85.0f}), " 12.30 -5.25 85.00");
  EXPECT_EQ(formatted_record(recio::parse_format("(A1)"), {"("}), "(");
}

// Only static_asserts: the compiler does the checking, so a wrong parse fails
// the build, not the run.
TEST(FormattedRecord, FormatTextsParseAtCompileTime) {
  constexpr auto format = recio::parse_format("(A8,4F12.2)");
  static_assert(format.count == 5);
  static_assert(format.descriptors[4].kind == 'F' && format.descriptors[4].width == 12 &&
                format.descriptors[4].decimals == 2);
  constexpr auto period = recio::parse_format("(A48,A1,I4,A3,I4,A1)");
  static_assert(period.count == 6 && period.descriptors[2].kind == 'I' && period.descriptors[2].width == 4);
}

}  // namespace
