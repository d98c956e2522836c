#include "recio/fixed_point.hpp"

#include <cmath>
#include <cstring>

namespace recio {

namespace {

using Wide = unsigned __int128;

void fill(char* out, int width, char c) { std::memset(out, c, static_cast<std::size_t>(width)); }

// Places `text` of `length` characters from the field's second column, as the
// non-number texts are written.
void write_from_second_column(char* out, int width, const char* text, int length) {
  if (length + 1 > width) {
    fill(out, width, '*');
    return;
  }
  fill(out, width, ' ');
  std::memcpy(out + 1, text, static_cast<std::size_t>(length));
}

// A finite magnitude as mantissa * 2^exponent, read from its bits.
struct BinaryValue {
  std::uint32_t mantissa;  // at most 24 significant bits
  int exponent;
};

BinaryValue binary_value(float magnitude) {
  std::uint32_t bits;
  std::memcpy(&bits, &magnitude, sizeof bits);
  const std::uint32_t biased = (bits >> 23) & 0xFF;
  const std::uint32_t fraction = bits & 0x7FFFFF;
  if (biased == 0) return {fraction, -149};  // subnormal
  return {fraction | 0x800000, static_cast<int>(biased) - 150};
}

constexpr std::uint64_t powers_of_ten[] = {1,         10,         100,         1000,         10000,       100000,
                                           1000000,   10000000,   100000000,   1000000000,   10000000000, 100000000000};
constexpr int max_narrow_decimals = 11;  // 2^24 * 10^11 < 2^61

// Magnitude times 10^decimals, rounded to an integer from the exact binary
// value; a value exactly halfway goes away from zero. Rounding is to the
// nearer neighbour throughout: a value a hair below a halfway point rounds
// down, with no nudge towards the halfway point.
Wide scaled_rounded(float magnitude, int decimals) {
  const BinaryValue value = binary_value(magnitude);
  if (value.exponent < 0 && decimals <= max_narrow_decimals) {
    // Values below 2^24 with few decimals, the fields the program prints: 64 bits suffice.
    const std::uint64_t scaled = value.mantissa * powers_of_ten[decimals];
    const int shift = -value.exponent;
    if (shift >= 64) return 0;  // scaled < 2^61 is below half of 2^shift
    const std::uint64_t quotient = scaled >> shift;
    const std::uint64_t remainder = scaled - (quotient << shift);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    return remainder >= half ? quotient + 1 : quotient;
  }
  Wide scaled = value.mantissa;
  for (int i = 0; i < decimals; ++i) scaled *= 10;
  if (value.exponent >= 0) return scaled << value.exponent;
  const int shift = -value.exponent;
  if (shift >= 127) return 0;  // far below one unit of the last digit
  const Wide quotient = scaled >> shift;
  const Wide remainder = scaled - (quotient << shift);
  const Wide half = static_cast<Wide>(1) << (shift - 1);
  return remainder >= half ? quotient + 1 : quotient;
}

template <typename Unsigned>
int digits_of(Unsigned value, char* digits) {
  char reversed[48];
  int count = 0;
  do {
    reversed[count++] = static_cast<char>('0' + static_cast<int>(value % 10));
    value /= 10;
  } while (value != 0);
  for (int i = 0; i < count; ++i) digits[i] = reversed[count - 1 - i];
  return count;
}

// 128-bit division is a library call: most values fit 64 bits.
int decimal_digits(Wide value, char* digits) {
  if (value <= UINT64_MAX) return digits_of(static_cast<std::uint64_t>(value), digits);
  return digits_of(value, digits);
}

// Every scaled value of a field up to 38 columns fits in 128 bits.
constexpr int max_width = 38;
constexpr int max_decimals = 30;

// The integer part alone needs more columns than the field leaves for it.
bool integer_part_too_wide(float magnitude, int width, int decimals) {
  const int integer_columns = width - decimals - 1;
  if (integer_columns > 38) return false;
  double limit = 1.0;
  for (int i = 0; i < integer_columns; ++i) limit *= 10.0;  // exact up to 10^22; beyond, far above any bound that matters
  return static_cast<double>(magnitude) >= limit;
}

}  // namespace

void format_fixed(float value, int width, int decimals, char* out) {
  if (std::isnan(value)) {
    write_from_second_column(out, width, "NaN", 3);
    return;
  }
  if (std::isinf(value)) {
    if (value < 0) {
      write_from_second_column(out, width, "-Infinity", 9);
    } else {
      write_from_second_column(out, width, "Infinity", 8);
    }
    return;
  }
  if (width > max_width || decimals < 0 || decimals > max_decimals || decimals + 1 > width ||
      integer_part_too_wide(std::fabs(value), width, decimals)) {
    fill(out, width, '*');
    return;
  }
  const Wide scaled = scaled_rounded(std::fabs(value), decimals);
  char digits[48];
  const int digit_count = decimal_digits(scaled, digits);
  const bool negative = std::signbit(value) && scaled != 0;
  const int integer_digits = digit_count > decimals ? digit_count - decimals : 0;
  const int text_length = (negative ? 1 : 0) + integer_digits + 1 + decimals;
  if (text_length > width) {
    fill(out, width, '*');
    return;
  }
  // A free column before the point of a value below one takes a 0.
  const bool leading_zero = integer_digits == 0 && text_length < width;
  const int used = text_length + (leading_zero ? 1 : 0);
  fill(out, width - used, ' ');
  char* at = out + (width - used);
  if (negative) *at++ = '-';
  if (leading_zero) *at++ = '0';
  std::memcpy(at, digits, static_cast<std::size_t>(integer_digits));
  at += integer_digits;
  *at++ = '.';
  // Fraction digits, with zeros in front where the scaled value is short.
  const int fraction_digits_present = digit_count - integer_digits;
  fill(at, decimals - fraction_digits_present, '0');
  at += decimals - fraction_digits_present;
  std::memcpy(at, digits + integer_digits, static_cast<std::size_t>(fraction_digits_present));
}

void format_integer(std::int32_t value, int width, char* out) {
  const bool negative = value < 0;
  // Widened before negating: the most negative value has no positive twin.
  auto magnitude = static_cast<std::uint32_t>(negative ? -static_cast<std::int64_t>(value) : value);
  char digits[12];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  const int length = count + (negative ? 1 : 0);
  if (length > width) {
    fill(out, width, '*');
    return;
  }
  fill(out, width - length, ' ');
  char* at = out + (width - length);
  if (negative) *at++ = '-';
  for (int i = count - 1; i >= 0; --i) *at++ = digits[i];
}

}  // namespace recio
