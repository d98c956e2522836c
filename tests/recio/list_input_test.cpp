#include "recio/list_input.hpp"

#include <gtest/gtest.h>

#include "recio/memory_feed.hpp"
#include "test_support.hpp"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace recio {
namespace {

constexpr float inf = std::numeric_limits<float>::infinity();

using test_support::same_float;

struct RealsCase {
  std::vector<std::string> records;
  std::int32_t status;
  float a, b, c;
  std::size_t taken;
};

class ThreeReals : public ::testing::TestWithParam<RealsCase> {};

TEST_P(ThreeReals, StoresValuesStatusAndRecordsTaken) {
  const RealsCase& c = GetParam();
  MemoryFeed lines{c.records};
  float a = 7, b = 8, x = 9;
  const InputItem items[] = {input(a), input(b), input(x)};
  EXPECT_EQ(c.status, parse_list_directed(lines.feed(), items));
  EXPECT_TRUE(same_float(c.a, a));
  EXPECT_TRUE(same_float(c.b, b));
  EXPECT_TRUE(same_float(c.c, x));
  EXPECT_EQ(c.taken, lines.taken);
}

INSTANTIATE_TEST_SUITE_P(
    Separators, ThreeReals,
    ::testing::Values(RealsCase{{"12.5, 3.0 80"}, 0, 12.5f, 3, 80, 1},
                      RealsCase{{"12.5 3.0", "80"}, 0, 12.5f, 3, 80, 2},
                      RealsCase{{"12.5 3.0 80 99", "1"}, 0, 12.5f, 3, 80, 1},
                      RealsCase{{"\t12.5\t3\t 80"}, 0, 12.5f, 3, 80, 1}, RealsCase{{"", "   ", "1 2 3"}, 0, 1, 2, 3, 3},
                      RealsCase{{"12,5 3,0 80"}, 0, 12, 5, 3, 1}, RealsCase{{"12.5 , 3 4"}, 0, 12.5f, 3, 4, 1},
                      RealsCase{{"12.5", ",3 4"}, 0, 12.5f, 3, 4, 2}, RealsCase{{"1 2 3)"}, 0, 1, 2, 3, 1}));

INSTANTIATE_TEST_SUITE_P(
    NullsSlashesRepeats, ThreeReals,
    ::testing::Values(RealsCase{{"12.5,,80"}, 0, 12.5f, 8, 80, 1}, RealsCase{{"12.5,", ",80"}, 0, 12.5f, 8, 80, 2},
                      RealsCase{{",5,6"}, 0, 7, 5, 6, 1}, RealsCase{{"  , 5 6"}, 0, 7, 5, 6, 1},
                      RealsCase{{",,6"}, 0, 7, 8, 6, 1}, RealsCase{{"12.5 /", "1 2"}, 0, 12.5f, 8, 9, 1},
                      RealsCase{{"12.5/"}, 0, 12.5f, 8, 9, 1}, RealsCase{{"/ 1 2 3"}, 0, 7, 8, 9, 1},
                      RealsCase{{"3*0"}, 0, 0, 0, 0, 1}, RealsCase{{"2*,5"}, 0, 7, 8, 5, 1},
                      RealsCase{{"2*1.5 7"}, 0, 1.5f, 1.5f, 7, 1}, RealsCase{{"1*2 2*3"}, 0, 2, 3, 3, 1},
                      RealsCase{{"4*1", "5"}, 0, 1, 1, 1, 1}, RealsCase{{"2*", "5"}, 0, 7, 8, 5, 2},
                      RealsCase{{"1 2*"}, 0, 1, 8, 9, 1}, RealsCase{{"0*5"}, 59, 7, 8, 9, 1}));

INSTANTIATE_TEST_SUITE_P(
    NumberForms, ThreeReals,
    ::testing::Values(RealsCase{{"1.0+5 2.5D-1 1q2"}, 0, 1e5f, 0.25f, 100, 1},
                      RealsCase{{"+1 -.5 5."}, 0, 1, -0.5f, 5, 1}, RealsCase{{"1E-2 2d0 -3e+1"}, 0, 0.01f, 2, -30, 1},
                      RealsCase{{"tmax tmin 70"}, 0, -1, -1, 70, 1}, RealsCase{{".true. .F. False"}, 0, -1, 0, 0, 1},
                      RealsCase{{"t/ 5"}, 0, -1, 8, 9, 1}, RealsCase{{"1e40 -1e40 1e-50"}, 0, inf, -inf, 0, 1},
                      RealsCase{{"-1e-50 -0 1e-100000"}, 0, -0.0f, -0.0f, 0, 1}));

INSTANTIATE_TEST_SUITE_P(Failures, ThreeReals,
                         ::testing::Values(RealsCase{{"12.5 abc 80"}, 59, 12.5f, 8, 9, 1},
                                           RealsCase{{"1.2.3"}, 59, 7, 8, 9, 1}, RealsCase{{"1e5e3"}, 59, 7, 8, 9, 1},
                                           RealsCase{{"hmd 1 2"}, 59, 7, 8, 9, 1},
                                           RealsCase{{"1 'x' 3"}, 59, 1, 8, 9, 1}, RealsCase{{"1 ) 3"}, 59, 1, 8, 9, 1},
                                           RealsCase{{"1 2*3*4"}, 59, 1, 8, 9, 1}, RealsCase{{"+"}, 64, 7, 8, 9, 1},
                                           RealsCase{{"-"}, 64, 7, 8, 9, 1}, RealsCase{{"."}, 64, 7, 8, 9, 1},
                                           RealsCase{{"1e"}, 64, 7, 8, 9, 1}, RealsCase{{"1+-2"}, 64, 7, 8, 9, 1},
                                           RealsCase{{"e5"}, 64, 7, 8, 9, 1}, RealsCase{{"1e5."}, 64, 7, 8, 9, 1},
                                           RealsCase{{"5 .e5"}, 64, 5, 8, 9, 1}, RealsCase{{}, -1, 7, 8, 9, 0},
                                           RealsCase{{"12.5 3.0"}, -1, 12.5f, 3, 9, 1},
                                           RealsCase{{"", ""}, -1, 7, 8, 9, 2}));

TEST(ListDirected, FeedFailureGivesItsStatus) {
  MemoryFeed lines{{"1"}, 39};
  float a = 7, b = 8;
  const InputItem items[] = {input(a), input(b)};
  EXPECT_EQ(39, parse_list_directed(lines.feed(), items));
  EXPECT_EQ(1.0f, a);
  EXPECT_EQ(8.0f, b);
}

TEST(ListDirected, ReadWithoutItemsStillTakesOneRecord) {
  MemoryFeed lines{{"1 2", "3"}};
  EXPECT_EQ(0, parse_list_directed(lines.feed(), {}));
  EXPECT_EQ(1u, lines.taken);
  MemoryFeed empty;
  EXPECT_EQ(-1, parse_list_directed(empty.feed(), {}));
}

TEST(ListDirected, NextReadStartsWithNewRecord) {
  MemoryFeed lines{{"1 2 3", "4 5"}};
  float a = 0;
  const InputItem items[] = {input(a)};
  EXPECT_EQ(0, parse_list_directed(lines.feed(), items));
  EXPECT_EQ(1.0f, a);
  EXPECT_EQ(0, parse_list_directed(lines.feed(), items));
  EXPECT_EQ(4.0f, a);
}

// Correct rounding to single precision, including ties to even, decimals
// that double rounding would get wrong, and digits beyond any kept prefix.
struct RoundingCase {
  std::string text;
  float expected;
};

class RealRounding : public ::testing::TestWithParam<RoundingCase> {};

TEST_P(RealRounding, RoundsOnceToNearestFloat) {
  MemoryFeed lines{{GetParam().text}};
  float value = 7;
  const InputItem items[] = {input(value)};
  ASSERT_EQ(0, parse_list_directed(lines.feed(), items));
  EXPECT_TRUE(same_float(GetParam().expected, value));
}

const float one_up = std::nextafter(1.0f, 2.0f);
const std::string halfway_above_one = "1.000000059604644775390625";  // 1 + 2^-24

INSTANTIATE_TEST_SUITE_P(
    Cases, RealRounding,
    ::testing::Values(RoundingCase{"0.1", 0.1f}, RoundingCase{"0.1000000014901161193847656250001", 0.1f},
                      RoundingCase{halfway_above_one, 1.0f}, RoundingCase{"1.000000059604644775390624999", 1.0f},
                      RoundingCase{"1.000000059604644775390625001", one_up},
                      RoundingCase{"1.000000178813934326171875", 1.0000002384185791015625f},
                      RoundingCase{halfway_above_one + std::string(900, '0') + "1", one_up},
                      RoundingCase{halfway_above_one + std::string(900, '0'), 1.0f},
                      RoundingCase{"0." + std::string(900, '0') + "1e900", 0.1f}, RoundingCase{"16777217", 16777216.0f},
                      RoundingCase{"16777219", 16777220.0f},
                      RoundingCase{"3.4028235677973366e38", std::numeric_limits<float>::max()},
                      RoundingCase{"3.4028236e38", inf},
                      RoundingCase{"7.1e-46", std::numeric_limits<float>::denorm_min()}, RoundingCase{"7e-46", 0.0f},
                      RoundingCase{"-1e-46", -0.0f}, RoundingCase{"0000.000", 0.0f}));

struct IntegerCase {
  std::string text;
  std::int32_t status;
  std::int32_t expected;
};

class IntegerItem : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IntegerItem, ConvertsOrLeavesUnchanged) {
  MemoryFeed lines{{GetParam().text}};
  std::int32_t value = 77;
  const InputItem items[] = {input(value)};
  EXPECT_EQ(GetParam().status, parse_list_directed(lines.feed(), items));
  EXPECT_EQ(GetParam().expected, value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IntegerItem,
    ::testing::Values(IntegerCase{"1991", 0, 1991}, IntegerCase{"1991.7", 0, 1991}, IntegerCase{"abc", 59, 77},
                      IntegerCase{"-5", 0, -5}, IntegerCase{"0", 0, 0}, IntegerCase{"-5.9", 0, -5},
                      IntegerCase{"-0.5", 0, 0}, IntegerCase{"1e3", 0, 1000}, IntegerCase{"1+2", 0, 100},
                      IntegerCase{"t", 0, -1}, IntegerCase{".false.", 0, 0}, IntegerCase{"2147483647", 0, 2147483647},
                      IntegerCase{"2147483648", 64, 77}, IntegerCase{"-2147483648", 0, -2147483647 - 1},
                      IntegerCase{"-2147483649", 64, 77}, IntegerCase{"99999999999999999999", 64, 77},
                      IntegerCase{"2147483647.9", 0, 2147483647}, IntegerCase{"2.147483648e9", 64, 77},
                      IntegerCase{"-2147483648.9", 0, -2147483647 - 1}, IntegerCase{"1e100000", 64, 77},
                      IntegerCase{"1.5.", 59, 77}));

struct TextCase {
  std::vector<std::string> records;
  std::int32_t status;
  std::string expected;  // before padding; "?" for a field left unchanged
  std::size_t taken;
};

class TextItem : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextItem, FillsFieldBlankPadded) {
  const TextCase& c = GetParam();
  MemoryFeed lines{c.records};
  std::string field(255, '?');
  const InputItem items[] = {input(std::span<char>(field))};
  EXPECT_EQ(c.status, parse_list_directed(lines.feed(), items));
  const std::string expected =
      c.expected == "?" ? std::string(255, '?') : c.expected + std::string(255 - c.expected.size(), ' ');
  EXPECT_EQ(expected, field);
  EXPECT_EQ(c.taken, lines.taken);
}

const std::string long_value(2049, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, TextItem,
    ::testing::Values(TextCase{{"climate.txt"}, 0, "climate.txt", 1}, TextCase{{"'my data.txt'"}, 0, "my data.txt", 1},
                      TextCase{{"my data.txt"}, 0, "my", 1}, TextCase{{"data/climate.txt"}, 0, "data/climate.txt", 1},
                      TextCase{{"/home/me/x.txt"}, 0, "/home/me/x.txt", 1},
                      TextCase{{"C:\\data\\climate.txt"}, 0, "C:\\data\\climate.txt", 1},
                      TextCase{{"'it''s'"}, 0, "it's", 1}, TextCase{{"\"a\"\"b\""}, 0, "a\"b", 1},
                      TextCase{{"'a\"b'"}, 0, "a\"b", 1}, TextCase{{"'   climate.txt'"}, 0, "   climate.txt", 1},
                      TextCase{{"''"}, 0, "", 1}, TextCase{{"/"}, 0, "?", 1}, TextCase{{"/   report.txt"}, 0, "?", 1},
                      TextCase{{"/\treport.txt"}, 0, "?", 1}, TextCase{{"/,report.txt"}, 0, "?", 1},
                      TextCase{{"  x,y"}, 0, "x", 1}, TextCase{{",y"}, 0, "?", 1}, TextCase{{"2*"}, 0, "?", 1},
                      TextCase{{"2*ab"}, 0, "ab", 1}, TextCase{{"   ", "x"}, 0, "x", 2},
                      TextCase{{"'abc", "def'"}, 0, "abcdef", 2}, TextCase{{"'abc", "", "def' x"}, 0, "abcdef", 3},
                      TextCase{{"'abc'", "'def'"}, 0, "abc", 1}, TextCase{{"'abc"}, -1, "?", 1},
                      TextCase{{"'abc''"}, -1, "?", 1}, TextCase{{long_value}, 0, long_value.substr(0, 255), 1},
                      TextCase{{long_value + "y"}, 59, "?", 1},
                      TextCase{{"'" + long_value + "'"}, 0, long_value.substr(0, 255), 1},
                      TextCase{{"'" + long_value + "y'"}, 59, "?", 1},
                      TextCase{{"'" + long_value.substr(1) + "'''"}, 0, long_value.substr(0, 255), 1}));

TEST(ListDirected, ShortFieldKeepsFirstCharacters) {
  MemoryFeed lines{{"climate 12"}};
  char field[4];
  std::int32_t year = 0;
  const InputItem items[] = {input(std::span<char>(field)), input(year)};
  EXPECT_EQ(0, parse_list_directed(lines.feed(), items));
  EXPECT_EQ("clim", std::string_view(field, 4));
  EXPECT_EQ(12, year);
}

TEST(ListDirected, MixedItemsAndRepeatOverKinds) {
  MemoryFeed lines{{"3*5"}};
  float real = 0;
  std::int32_t integer = 0;
  char field[3];
  const InputItem items[] = {input(real), input(integer), input(std::span<char>(field))};
  EXPECT_EQ(0, parse_list_directed(lines.feed(), items));
  EXPECT_EQ(5.0f, real);
  EXPECT_EQ(5, integer);
  EXPECT_EQ("5  ", std::string_view(field, 3));
}

// How far a read got before it ended: an end of file after some items ends
// inside a record, one before any item ends between records.
TEST(ListDirected, ItemsDoneTellsHowFarTheReadGot) {
  struct Case {
    std::vector<std::string> records;
    std::int32_t status;
    std::size_t items_done;
  };
  const Case cases[] = {
      {{}, -1, 0},      {{"", "  "}, -1, 0},     {{"1 2 3"}, 0, 3}, {{"1 2 3 4"}, 0, 3},
      {{"1 2"}, -1, 2}, {{"1", "", "2"}, -1, 2}, {{","}, -1, 1},    {{"1,,"}, -1, 2},
      {{"2*"}, -1, 2},  {{"1 x 3"}, 59, 1},      {{"/"}, 0, 0},     {{"1 /"}, 0, 1},
      {{"3*7"}, 0, 3},
  };
  for (const Case& c : cases) {
    MemoryFeed lines{c.records};
    float a = 0, b = 0, x = 0;
    const InputItem items[] = {input(a), input(b), input(x)};
    std::size_t items_done = 99;
    EXPECT_EQ(c.status, parse_list_directed(lines.feed(), items, &items_done)) << ::testing::PrintToString(c.records);
    EXPECT_EQ(c.items_done, items_done) << ::testing::PrintToString(c.records);
  }
}

// A name must not silently lose characters to its field: only blanks may go.
TEST(ListDirected, TextFieldTellsWhetherTheValueWasCut) {
  struct Case {
    std::string record;
    std::string field;
    bool cut;
  };
  const Case cases[] = {
      {"abcde", "abcde", false},      {"abc", "abc  ", false},       {"abcdef", "abcde", true},
      {"'abcde   '", "abcde", false}, {"'abcde  x'", "abcde", true}, {"'abcde\t'", "abcde", true},
      {"1*abcdefg", "abcde", true},   {"2*abcde", "abcde", false},   {"'ab cd efg'", "ab cd", true},
  };
  for (const Case& c : cases) {
    MemoryFeed lines{{c.record}};
    char field[5];
    bool cut = !c.cut;
    const InputItem items[] = {input(std::span<char>(field), cut)};
    ASSERT_EQ(0, parse_list_directed(lines.feed(), items)) << c.record;
    EXPECT_EQ(c.field, std::string(field, sizeof field)) << c.record;
    EXPECT_EQ(c.cut, cut) << c.record;
  }
  // A value that leaves the field as it was leaves the flag as it was too.
  for (const bool before : {false, true}) {
    MemoryFeed lines{{"/"}};
    char field[5] = {'k', 'e', 'e', 'p', 's'};
    bool cut = before;
    const InputItem items[] = {input(std::span<char>(field), cut)};
    ASSERT_EQ(0, parse_list_directed(lines.feed(), items));
    EXPECT_EQ(before, cut);
  }
}

}  // namespace
}  // namespace recio
