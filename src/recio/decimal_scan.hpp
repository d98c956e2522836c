// The one scanner of decimal numbers, for both readers, and the one converter
// behind it: every value is rounded exactly once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "recio/characters.hpp"
#include "recio/short_decimal.hpp"

namespace recio {

// A decimal number as written: [sign] digits [. digits], and an exponent that
// the caller adds (an explicit one, or a field's implied decimals).
struct ScannedDecimal {
  bool negative = false;
  bool point = false;
  std::string_view integer_digits;
  std::string_view fraction_digits;
  bool exponent_given = false;  // written in the number, not implied
  std::int64_t exponent = 0;    // clamped far outside every floating range
  // All digits as one number while it stays below 10^7, for the exact
  // shortcut; `too_long` once it does not.
  std::uint32_t short_digits = 0;
  bool too_long = false;

  bool has_digit() const { return !integer_digits.empty() || !fraction_digits.empty(); }
};

// Scans [sign] digits [. digits] from `at`, stopping at the first character
// that cannot continue it; `at` is left there. Inline: it reads every value
// of a data file.
inline ScannedDecimal scan_decimal(std::string_view text, std::size_t& at) {
  // Leading zeros leave the value 0, so staying below 10^7 means at most
  // seven significant digits.
  constexpr std::uint32_t too_many = 10'000'000;
  ScannedDecimal number;
  const char* next = text.data() + at;
  const char* const end = text.data() + text.size();
  if (next < end && (*next == '-' || *next == '+')) number.negative = *next++ == '-';
  std::uint32_t value = 0;
  const auto take_digits = [&] {
    const char* const start = next;
    for (; next < end && is_digit(*next); ++next) {
      if (value < too_many) value = value * 10 + static_cast<std::uint32_t>(*next - '0');
    }
    return std::string_view(start, static_cast<std::size_t>(next - start));
  };
  number.integer_digits = take_digits();
  if (next < end && *next == '.') {
    number.point = true;
    ++next;
    number.fraction_digits = take_digits();
  }
  number.short_digits = value;
  number.too_long = value >= too_many;
  at = static_cast<std::size_t>(next - text.data());
  return number;
}

// Scans an exponent from `at`: a letter E, D or Q in either case, an optional
// sign and digits, or a sign and digits. Adds it to `number` and leaves `at`
// after it; false, with `at` where it stopped, when no exponent is there.
bool scan_exponent(std::string_view text, std::size_t& at, ScannedDecimal& number);

// The value of a number of many digits or a large exponent, correctly rounded.
float decimal_to_float_in_general(const ScannedDecimal& number);

// The value of a scanned number with at least one digit, correctly rounded;
// beyond the range a signed infinity, below it the signed zero it rounds to.
inline float decimal_to_float(const ScannedDecimal& number) {
  if (!number.too_long) {
    const std::int64_t scale = number.exponent - static_cast<std::int64_t>(number.fraction_digits.size());
    float magnitude = 0.0f;
    if (number.short_digits == 0 || short_decimal_to_float(number.short_digits, scale, magnitude)) {
      return number.negative ? -magnitude : magnitude;
    }
  }
  return decimal_to_float_in_general(number);
}

double decimal_to_double(const ScannedDecimal& number);

}  // namespace recio
