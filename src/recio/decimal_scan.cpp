#include "recio/decimal_scan.hpp"

#include <algorithm>

#include "recio/characters.hpp"
#include "recio/decimal_digits.hpp"

namespace recio {

namespace {

// The general way, for numbers of many digits or a large exponent.
DecimalDigits all_digits(const ScannedDecimal& number) {
  DecimalDigits digits(number.negative);
  for (const char c : number.integer_digits) digits.add(c, false);
  for (const char c : number.fraction_digits) digits.add(c, true);
  digits.scale_by(number.exponent);
  return digits;
}

}  // namespace

bool scan_exponent(std::string_view text, std::size_t& at, ScannedDecimal& number) {
  const bool letter = at < text.size() && is_exponent_letter(text[at]);
  if (letter) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
    negative = text[at++] == '-';
  } else if (!letter) {
    return false;
  }
  if (at == text.size() || !is_digit(text[at])) return false;
  std::int64_t value = 0;
  for (; at < text.size() && is_digit(text[at]); ++at) {
    value = std::min<std::int64_t>(value * 10 + (text[at] - '0'), DecimalDigits::exponent_limit);
  }
  number.exponent_given = true;
  number.exponent += negative ? -value : value;
  return true;
}

float decimal_to_float_in_general(const ScannedDecimal& number) { return all_digits(number).to_float(); }

double decimal_to_double(const ScannedDecimal& number) { return all_digits(number).to_double(); }

}  // namespace recio
