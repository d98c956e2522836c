// The shortcut for few-digit decimals against the correctly rounded quotient,
// for every digit string below 10^7 with one to seven decimals: 70 million
// values, with the other exhaustive checks under the label `slow`.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "recio/short_decimal.hpp"

namespace {

// The shortcut equals the single correctly rounded division of two exact floats.
TEST(ShortDecimalExhaustive, EveryShortDecimalIsCorrectlyRounded) {
  const float powers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f};
  std::uint64_t mismatches = 0;
  for (int decimals = 1; decimals <= 7; ++decimals) {
    for (std::uint32_t digits = 0; digits < 10'000'000u; ++digits) {
      float value = -1.0f;
      recio::short_decimal_to_float(digits, -decimals, value);
      mismatches += std::bit_cast<std::uint32_t>(value) !=
                    std::bit_cast<std::uint32_t>(static_cast<float>(digits) / powers[decimals]);
    }
  }
  EXPECT_EQ(mismatches, 0u);
}

}  // namespace
