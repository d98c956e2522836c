#include "recio/fixed_point.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "fixed_point_reference.hpp"

namespace {

std::string fixed(float value, int width, int decimals) {
  std::string out(static_cast<std::size_t>(width), '?');
  recio::format_fixed(value, width, decimals, out.data());
  return out;
}

std::string integer(std::int32_t value, int width) {
  std::string out(static_cast<std::size_t>(width), '?');
  recio::format_integer(value, width, out.data());
  return out;
}

struct FixedCase {
  float value;
  int width;
  int decimals;
  const char* field;
};

const float nan = std::numeric_limits<float>::quiet_NaN();
const float inf = std::numeric_limits<float>::infinity();

const FixedCase fixed_cases[] = {
    {3.25f, 12, 2, "        3.25"},
    {-4.104f, 12, 2, "       -4.10"},
    {85.3f, 12, 2, "       85.30"},
    {-2.046f, 12, 2, "       -2.05"},
    {12.5f, 6, 2, " 12.50"},
    {-3.25f, 6, 2, " -3.25"},
    {0.5f, 6, 2, "  0.50"},
    {0.5f, 12, 2, "        0.50"},
    {-0.5f, 12, 2, "       -0.50"},
    {-0.004f, 12, 2, "        0.00"},
    {-0.006f, 12, 2, "       -0.01"},
    {-0.0f, 6, 2, "  0.00"},
    {0.0f, 6, 2, "  0.00"},
    {80.125f, 12, 2, "       80.13"},  // exactly halfway: away from zero
    {-80.125f, 12, 2, "      -80.13"},
    {2.625f, 6, 2, "  2.63"},
    {0.125f, 6, 2, "  0.13"},
    {-0.125f, 6, 2, " -0.13"},
    {0.005f, 12, 2, "        0.00"},  // stored just below 0.005
    {0.015f, 6, 2, "  0.01"},         // stored just below 0.015
    {999999936.0f, 12, 2, "999999936.00"},
    {1.0e9f, 12, 2, "************"},
    {-99999992.0f, 12, 2, "-99999992.00"},
    {-1.0e8f, 12, 2, "************"},
    {999999999.995f, 12, 2, "************"},
    {100.0f, 6, 2, "100.00"},
    {-10.0f, 6, 2, "-10.00"},
    {-100.0f, 6, 2, "******"},
    {-99.995f, 6, 2, "******"},  // stored just beyond -99.995: rounds to -100.00
    {999.99f, 6, 2, "999.99"},
    {999.995f, 6, 2, "999.99"},  // stored just below 999.995
    {999.996f, 6, 2, "******"},
    {-0.5f, 4, 2, "-.50"},  // the minus sign takes the only free column
    {0.5f, 4, 2, "0.50"},
    {-0.5f, 5, 2, "-0.50"},
    {0.5f, 3, 2, ".50"},
    {-0.5f, 3, 2, "***"},
    {nan, 12, 2, " NaN        "},
    {nan, 6, 2, " NaN  "},
    {inf, 12, 2, " Infinity   "},
    {-inf, 12, 2, " -Infinity  "},
    {inf, 6, 2, "******"},
    {1.5f, 6, 0, "    2."},
    {2.5f, 6, 0, "    3."},
    {1.0e-45f, 6, 2, "  0.00"},
    {3.4028235e38f, 12, 2, "************"},
};

TEST(FixedPoint, FieldsFollowTheLayoutRules) {
  for (const FixedCase& c : fixed_cases) {
    EXPECT_EQ(fixed(c.value, c.width, c.decimals), c.field)
        << "value " << c.value << " F" << c.width << "." << c.decimals;
  }
}

TEST(FixedPoint, HairBelowHalfwayRoundsToNearer) {
  // The largest float below 80.125 lies below the halfway point: it rounds down.
  EXPECT_EQ(fixed(std::nextafter(80.125f, 0.0f), 12, 2), "       80.12");
  EXPECT_EQ(fixed(std::nextafter(-80.125f, 0.0f), 12, 2), "      -80.12");
  EXPECT_EQ(fixed(std::nextafter(80.125f, 100.0f), 12, 2), "       80.13");
}

// Every float is exact in 150 decimals, so rounding that expansion by hand
// is an independent exact reference.
TEST(FixedPoint, MatchesDecimalExpansionOnRandomFloats) {
  std::mt19937 random(20261207);
  std::uniform_int_distribution<std::uint32_t> bits;
  // Widths above 20 take the general path even for small values.
  const int widths[][2] = {{6, 2}, {12, 2}, {12, 5}, {20, 12}, {8, 0}, {30, 2}, {38, 20}};
  int checked = 0;
  while (checked < 1'000'000) {
    const std::uint32_t pattern = bits(random);
    float value;
    std::memcpy(&value, &pattern, sizeof value);
    if (!std::isfinite(value)) continue;
    // Most random patterns are tiny or huge; bring half of them into print range.
    int exponent = 0;
    if (checked % 2 == 0) value = std::ldexp(std::frexp(value, &exponent), static_cast<int>(pattern % 40) - 10);
    const auto& [width, decimals] = widths[checked % 7];
    ASSERT_EQ(fixed(value, width, decimals), fixed_reference::by_decimal_expansion(value, width, decimals))
        << "value bits " << std::hexfloat << value;
    ++checked;
  }
}

struct IntegerCase {
  std::int32_t value;
  int width;
  const char* field;
};

TEST(FixedPoint, IntegerFields) {
  const IntegerCase cases[] = {
      {1991, 4, "1991"},
      {0, 4, "   0"},
      {-999, 4, "-999"},
      {-1000, 4, "****"},
      {10000, 4, "****"},
      {10, 12, "          10"},
      {-5, 12, "          -5"},
      {2147483647, 12, "  2147483647"},
      {-2147483647 - 1, 12, " -2147483648"},
      {-2147483647 - 1, 11, "-2147483648"},
      {-2147483647 - 1, 10, "**********"},
  };
  for (const IntegerCase& c : cases) EXPECT_EQ(integer(c.value, c.width), c.field) << c.value;
}

}  // namespace

namespace {

// Narrow fields are remembered between calls: the same values again and
// again, in other widths and decimals, must still come out exact.
TEST(FixedPoint, RepeatedNarrowFieldsStayExact) {
  std::mt19937 random(4);
  std::vector<float> pool;
  for (int i = 0; i < 64; ++i) pool.push_back(static_cast<float>(static_cast<int>(random() % 20001) - 10000) / 37.0f);
  for (int i = 0; i < 200000; ++i) {
    const float value = pool[random() % pool.size()];
    const int width = 4 + static_cast<int>(random() % 5);
    const int decimals = static_cast<int>(random() % 4);
    ASSERT_EQ(fixed(value, width, decimals), fixed_reference::by_decimal_expansion(value, width, decimals))
        << value << " F" << width << "." << decimals;
  }
}

}  // namespace
