// The exact shortcut for decimals of few digits, the common case of data.
#pragma once

#include <cstddef>
#include <cstdint>

namespace recio {

// Significant digits that always fit a float's 24-bit mantissa exactly.
constexpr int short_decimal_digits = 7;

// Sets `value` to digits * 10^exponent correctly rounded to single precision,
// when digits < 2^24 and |exponent| <= 10: both factors are then exact floats
// and one IEEE multiplication or division rounds the exact result once.
// Returns false, leaving `value` alone, when the shortcut does not apply.
inline bool short_decimal_to_float(std::uint32_t digits, std::int64_t exponent, float& value) {
  static constexpr float powers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
  // Reciprocals as doubles: for fewer than 10^7 digits and one to seven
  // decimals, the double product rounded to single precision equals the
  // correctly rounded quotient (a test proves it for every such pair), and a
  // multiplication does not hold up the next value the way a division does.
  static constexpr double reciprocals[] = {1e0, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7};
  if (digits >= (std::uint32_t{1} << 24) || exponent < -10 || exponent > 10) return false;
  if (exponent < 0 && exponent >= -7 && digits < 10'000'000u) {
    value = static_cast<float>(static_cast<double>(digits) * reciprocals[-exponent]);
    return true;
  }
  const auto mantissa = static_cast<float>(digits);
  value = exponent < 0 ? mantissa / powers[-exponent] : mantissa * powers[exponent];
  return true;
}

}  // namespace recio
