// The exact shortcut for decimals of few digits, the common case of data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

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

// A plain decimal as data files and work files hold it: [sign] digits
// [. digits], with few significant digits.
struct PlainDecimal {
  bool negative = false;
  bool point = false;
  int digits_seen = 0;    // leading zeros included
  bool too_long = false;  // more significant digits than the shortcut takes
  std::uint32_t digits = 0;
  std::int64_t scale = 0;  // the value is digits * 10^scale
};

// Scans a plain decimal from `at`, stopping at the first character that
// cannot continue it; `at` is left there.
inline PlainDecimal scan_plain_decimal(std::string_view text, std::size_t& at) {
  PlainDecimal number;
  const char* next = text.data() + at;
  const char* const end = text.data() + text.size();
  if (next < end && (*next == '-' || *next == '+')) number.negative = *next++ == '-';
  // Leading zeros leave the value 0, so fewer than 10^7 means at most seven
  // significant digits.
  constexpr std::uint32_t too_many = 10'000'000;
  const auto take_digits = [&](bool after_point) {
    while (next < end && static_cast<unsigned char>(*next - '0') < 10) {
      number.digits = number.digits * 10 + static_cast<std::uint32_t>(*next++ - '0');
      ++number.digits_seen;
      number.scale -= after_point ? 1 : 0;
      if (number.digits >= too_many) {
        number.too_long = true;
        return false;
      }
    }
    return true;
  };
  if (take_digits(false) && next < end && *next == '.') {
    number.point = true;
    ++next;
    take_digits(true);
  }
  at = static_cast<std::size_t>(next - text.data());
  return number;
}

// The value of a scanned plain decimal, exactly; false when the shortcut does
// not apply.
inline bool plain_decimal_to_float(const PlainDecimal& number, float& value) {
  if (number.too_long || number.digits_seen == 0) return false;
  float magnitude = 0.0f;
  if (number.digits != 0 && !short_decimal_to_float(number.digits, number.scale, magnitude)) return false;
  value = number.negative ? -magnitude : magnitude;
  return true;
}

}  // namespace recio
