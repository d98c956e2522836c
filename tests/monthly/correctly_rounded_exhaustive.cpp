// The fast paths of the correctly rounded functions against their slow path,
// densely over the dew point's arguments: log10 of every 97th float from
// 0.001 to 1000 (1.7 million), exp of every 997th float from -30 to 30; a
// tenth as many under the sanitizers, where they would take minutes. With
// the other exhaustive checks under the label `slow`.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "monthly/correctly_rounded.hpp"

namespace {

using tiral::correctly_rounded_paths::fast_exp;
using tiral::correctly_rounded_paths::fast_log10;
using tiral::correctly_rounded_paths::second_step_log10;
using tiral::correctly_rounded_paths::slow_exp;
using tiral::correctly_rounded_paths::slow_log10;

#ifdef __SANITIZE_ADDRESS__
constexpr std::uint32_t sparser = 10;
#else
constexpr std::uint32_t sparser = 1;
#endif

bool same(double a, double b) { return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b); }

TEST(CorrectlyRoundedExhaustive, Log10OfEvery97thFloat) {
  std::uint64_t mismatches = 0, undecided = 0, count = 0;
  for (auto bits = std::bit_cast<std::uint32_t>(0.001f); bits <= std::bit_cast<std::uint32_t>(1000.0f); bits += 97 * sparser) {
    const auto x = static_cast<double>(std::bit_cast<float>(bits));
    double fast = 0.0, second = 0.0;
    if (!fast_log10(x, fast) || !second_step_log10(x, second)) {
      ++undecided;
      continue;
    }
    const double slow = slow_log10(x);
    mismatches += !same(slow, fast) || !same(slow, second);
    ++count;
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_EQ(undecided, 0u);
  EXPECT_GT(count, 1'700'000u / sparser);
}

TEST(CorrectlyRoundedExhaustive, ExpOfEvery997thFloat) {
  std::uint64_t mismatches = 0, undecided = 0, count = 0;
  for (const float sign : {1.0f, -1.0f}) {
    for (auto bits = std::bit_cast<std::uint32_t>(0x1p-30f); bits <= std::bit_cast<std::uint32_t>(30.0f); bits += 997 * sparser) {
      const auto x = static_cast<double>(sign * std::bit_cast<float>(bits));
      double fast = 0.0;
      if (!fast_exp(x, fast)) {
        ++undecided;
        continue;
      }
      mismatches += !same(slow_exp(x), fast);
      ++count;
    }
  }
  EXPECT_EQ(mismatches, 0u);
  EXPECT_EQ(undecided, 0u);
  EXPECT_GT(count, 500'000u / sparser);
}

}  // namespace
