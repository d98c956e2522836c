// The exact shortcut for decimals of few digits, the common case of data.
#pragma once

#include <cstdint>

namespace recio {

// Significant digits that always fit a float's 24-bit mantissa exactly.
constexpr int short_decimal_digits = 7;

// Sets `value` to digits * 10^exponent correctly rounded to single precision,
// when digits < 2^24 and |exponent| <= 10: both factors are then exact floats
// and one IEEE multiplication or division rounds the exact result once.
// Returns false, leaving `value` alone, when the shortcut does not apply.
inline bool short_decimal_to_float(std::uint32_t digits, long exponent, float& value) {
  constexpr float powers[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
  if (digits >= (std::uint32_t{1} << 24) || exponent < -10 || exponent > 10) return false;
  const auto mantissa = static_cast<float>(digits);
  value = exponent < 0 ? mantissa / powers[-exponent] : mantissa * powers[exponent];
  return true;
}

}  // namespace recio
