#include "recio/field_input.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

#include <cmath>
#include <limits>
#include <string>

namespace recio {
namespace {

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();

struct FieldCase {
  std::string field;
  int decimals;
  BlankMode blanks;
  std::int32_t status;
  float expected;  // checked only for status 0
};

class FField : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FField, ReadsValueOrRejects) {
  const FieldCase& c = GetParam();
  const FieldValue read = read_f_field(c.field, c.decimals, c.blanks);
  ASSERT_EQ(c.status, read.status);
  if (c.status != 0) return;
  if (std::isnan(c.expected)) {
    EXPECT_TRUE(std::isnan(read.value));
  } else {
    // == lets -0.0 pass for 0.0; the bits must otherwise match exactly.
    EXPECT_TRUE(read.value == c.expected) << std::hexfloat << read.value << " vs " << c.expected;
  }
}

constexpr BlankMode null = BlankMode::null;
constexpr BlankMode zero = BlankMode::zero;
const std::string halfway_above_one = "1.000000059604644775390625";  // 1 + 2^-24

INSTANTIATE_TEST_SUITE_P(
    Numbers, FField,
    ::testing::Values(FieldCase{" 12.50", 2, null, 0, 12.5f}, FieldCase{"-99.99", 2, null, 0, -99.99f},
                      FieldCase{"100.00", 2, null, 0, 100}, FieldCase{"  0.00", 2, null, 0, 0},
                      FieldCase{" -0.00", 2, null, 0, 0}, FieldCase{"  -1.5", 2, null, 0, -1.5f},
                      FieldCase{" 21.30", 2, null, 0, 21.3f}, FieldCase{"  1250", 2, null, 0, 12.5f},
                      FieldCase{"    .5", 2, null, 0, 0.5f}, FieldCase{"    5.", 2, null, 0, 5},
                      FieldCase{"   +12", 1, null, 0, 1.2f}, FieldCase{"      ", 2, null, 0, 0},
                      FieldCase{"", 2, null, 0, 0}, FieldCase{"  1.", 2, null, 0, 1},
                      FieldCase{"0.1000000014901161193847656250001", 0, null, 0, 0.1f},
                      FieldCase{halfway_above_one, 0, null, 0, 1.0f},
                      FieldCase{halfway_above_one + std::string(200, '0') + "1", 0, null, 0,
                                1.00000011920928955078125f},
                      FieldCase{"1" + std::string(40, '0'), 0, null, 0, inf},
                      FieldCase{"-1" + std::string(40, '0'), 0, null, 0, -inf}, FieldCase{"1", 50, null, 0, 0}));

INSTANTIATE_TEST_SUITE_P(Blanks, FField,
                         ::testing::Values(FieldCase{"1 2 3 ", 2, null, 0, 1.23f},
                                           FieldCase{"1 2 3 ", 2, zero, 0, 1020.3f},
                                           FieldCase{"    12", 2, zero, 0, 0.12f},
                                           FieldCase{"12    ", 0, zero, 0, 120000}, FieldCase{"12    ", 0, null, 0, 12},
                                           FieldCase{" 1. 5 ", 2, zero, 0, 1.05f}, FieldCase{"- 1 ", 0, null, 0, -1},
                                           FieldCase{"      ", 2, zero, 0, 0}));

INSTANTIATE_TEST_SUITE_P(NonNumbers, FField,
                         ::testing::Values(FieldCase{"   NaN", 2, null, 0, nan}, FieldCase{"nan", 2, null, 0, nan},
                                           FieldCase{"Infinity", 2, null, 0, inf},
                                           FieldCase{" INFINITY ", 2, null, 0, inf},
                                           FieldCase{"-Infinity", 2, null, 0, -inf},
                                           FieldCase{"+infinity", 2, null, 0, inf}, FieldCase{"******", 2, null, 64, 0},
                                           FieldCase{"   Inf", 2, null, 64, 0}, FieldCase{" -NaN ", 2, null, 64, 0},
                                           FieldCase{" 1.0E2", 2, null, 64, 0}, FieldCase{"\t1.00", 2, null, 64, 0},
                                           FieldCase{"1.00\t", 2, null, 64, 0}, FieldCase{" 1.2.3", 2, null, 64, 0},
                                           FieldCase{"   1-2", 2, null, 64, 0}, FieldCase{"   --1", 2, null, 64, 0},
                                           FieldCase{"     -", 2, null, 64, 0}, FieldCase{"     .", 2, null, 64, 0},
                                           FieldCase{"  - . ", 2, zero, 64, 0}, FieldCase{"  12,5", 2, null, 64, 0}));

constexpr Format three_f = parse_format("(3F6.2)");

struct RecordCase {
  std::string record;
  std::int32_t status;
  float a, b, c;
};

class ThreeFields : public ::testing::TestWithParam<RecordCase> {};

TEST_P(ThreeFields, StoresUntilFirstFailure) {
  const RecordCase& c = GetParam();
  float a = 7, b = 8, x = 9;
  const InputItem items[] = {input(a), input(b), input(x)};
  EXPECT_EQ(c.status, parse_formatted(c.record, three_f, items, BlankMode::null));
  EXPECT_EQ(c.a, a);
  EXPECT_EQ(c.b, b);
  EXPECT_EQ(c.c, x);
}

INSTANTIATE_TEST_SUITE_P(Cases, ThreeFields,
                         ::testing::Values(RecordCase{" 21.30 10.20 75.00", 0, 21.3f, 10.2f, 75},
                                           RecordCase{"  1.00  2.", 0, 1, 2, 0}, RecordCase{"", 0, 0, 0, 0},
                                           RecordCase{"  1250  1250  1250 99.99", 0, 12.5f, 12.5f, 12.5f},
                                           RecordCase{" 12.50******  1.00", 64, 12.5f, 8, 9},
                                           RecordCase{"  1.00  abc  1.00", 64, 1, 8, 9}));

TEST(FormattedRead, NaNFieldIsStored) {
  float a = 7, b = 8, c = 9;
  const InputItem items[] = {input(a), input(b), input(c)};
  EXPECT_EQ(0, parse_formatted("   NaN-Infinity  1.5", parse_format("(F6.2,F9.2,F5.1)"), items, BlankMode::null));
  EXPECT_TRUE(std::isnan(a));
  EXPECT_EQ(-inf, b);
  EXPECT_EQ(1.5f, c);
}

TEST(FormattedRead, MoreFieldsThanItemsIgnoresTheRest) {
  float a = 7;
  const InputItem items[] = {input(a)};
  EXPECT_EQ(0, parse_formatted("  1.00******", three_f, items, BlankMode::null));
  EXPECT_EQ(1.0f, a);
}

}  // namespace
}  // namespace recio

namespace {

using test_support::same_float;

// Fields are remembered between calls by their characters, decimals and
// blank mode: the same characters read another way must not get the
// remembered value.
TEST(FieldMemory, SameCharactersReadOtherWays) {
  for (int round = 0; round < 1000; ++round) {
    EXPECT_TRUE(same_float(0.12f, recio::read_f_field(" 1 2", 2, recio::BlankMode::null).value));
    EXPECT_TRUE(same_float(1.02f, recio::read_f_field(" 1 2", 2, recio::BlankMode::zero).value));
    EXPECT_TRUE(same_float(12.5f, recio::read_f_field("  1250", 2, recio::BlankMode::null).value));
    EXPECT_TRUE(same_float(125.0f, recio::read_f_field("  1250", 1, recio::BlankMode::null).value));
    EXPECT_TRUE(same_float(12.5f, recio::read_f_field("  125", 1, recio::BlankMode::null).value));
    EXPECT_EQ(recio::read_f_field("******", 2, recio::BlankMode::null).status, 64);
  }
}

// Every character of a remembered field counts: fields of each length that
// differ in one position only, read in turns, keep their own values.
TEST(FieldMemory, EveryPositionOfTheFieldCounts) {
  for (std::size_t length = 1; length <= 8; ++length) {
    const std::string base(length, '1');
    for (std::size_t position = 0; position < length; ++position) {
      std::string other = base;
      other[position] = '2';
      const float base_value = recio::read_f_field(base, 0, recio::BlankMode::null).value;
      const float other_value = recio::read_f_field(other, 0, recio::BlankMode::null).value;
      EXPECT_TRUE(same_float(std::stof(base), recio::read_f_field(base, 0, recio::BlankMode::null).value)) << base;
      EXPECT_TRUE(same_float(std::stof(other), other_value)) << other;
      EXPECT_TRUE(same_float(std::stof(base), base_value)) << base;
    }
  }
}

}  // namespace
