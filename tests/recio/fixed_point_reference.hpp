// Independent references for Fw.d fields, used to prove the output exact.
#pragma once

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <string>

namespace fixed_reference {

// Lays out an already rounded decimal (magnitude digits without a point,
// `decimals` of them after it) as an Fw.d field by the written rules.
inline std::string lay_out(bool negative, std::string digits, int width, int decimals) {
  while (digits.size() < static_cast<std::size_t>(decimals)) digits.insert(digits.begin(), '0');
  std::string integer_part = digits.substr(0, digits.size() - static_cast<std::size_t>(decimals));
  const std::string fraction = digits.substr(digits.size() - static_cast<std::size_t>(decimals));
  while (!integer_part.empty() && integer_part.front() == '0') integer_part.erase(integer_part.begin());
  const bool is_zero = integer_part.empty() && fraction.find_first_not_of('0') == std::string::npos;
  std::string text = (negative && !is_zero ? "-" : "") + integer_part + "." + fraction;
  if (static_cast<int>(text.size()) > width) return std::string(static_cast<std::size_t>(width), '*');
  if (integer_part.empty() && static_cast<int>(text.size()) < width) {
    text.insert(text[0] == '-' ? 1 : 0, "0");
  }
  return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

// From the full decimal expansion of the value (every float is exact in
// 150 decimals), rounded by hand: a first dropped digit of 5 or more rounds
// away from zero, which is nearest with halfway cases away from zero.
inline std::string by_decimal_expansion(float value, int width, int decimals) {
  char buffer[512];
  std::snprintf(buffer, sizeof buffer, "%.150f", static_cast<double>(std::fabs(value)));
  std::string text(buffer);
  const std::size_t point = text.find('.');
  std::string digits = text.substr(0, point) + text.substr(point + 1, static_cast<std::size_t>(decimals));
  const char first_dropped = text[point + 1 + static_cast<std::size_t>(decimals)];
  if (first_dropped >= '5') {
    int at = static_cast<int>(digits.size()) - 1;
    while (at >= 0 && digits[static_cast<std::size_t>(at)] == '9') digits[static_cast<std::size_t>(at--)] = '0';
    if (at < 0) {
      digits.insert(digits.begin(), '1');
    } else {
      ++digits[static_cast<std::size_t>(at)];
    }
  }
  return lay_out(std::signbit(value), digits, width, decimals);
}

// For two decimals: the value times 100 is exact in extended precision
// (24 + 7 bits), so its floor and remainder are exact too.
// Hundredths of the magnitude, rounded with halfway cases away from zero.
inline std::uint64_t hundredths(float value) {
  const long double scaled = std::fabs(static_cast<long double>(value)) * 100.0L;
  long double rounded = std::floor(scaled);
  if (scaled - rounded >= 0.5L) rounded += 1.0L;
  return static_cast<std::uint64_t>(rounded);
}

// The Fw.2 field of a value whose hundredths are known, without allocating:
// fast enough to check every float below 1000.
inline void two_decimal_field(bool negative, std::uint64_t hundredths, int width, char* out) {
  char text[32];
  int length = 0;
  if (negative && hundredths != 0) text[length++] = '-';
  const std::uint64_t whole = hundredths / 100;
  if (whole != 0) {
    char reversed[24];
    int count = 0;
    for (std::uint64_t rest = whole; rest != 0; rest /= 10) reversed[count++] = static_cast<char>('0' + rest % 10);
    while (count > 0) text[length++] = reversed[--count];
  }
  text[length++] = '.';
  text[length++] = static_cast<char>('0' + hundredths / 10 % 10);
  text[length++] = static_cast<char>('0' + hundredths % 10);
  if (length > width) {
    for (int i = 0; i < width; ++i) out[i] = '*';
    return;
  }
  const bool room_for_zero = whole == 0 && length < width;
  const int total = length + (room_for_zero ? 1 : 0);
  int at = 0;
  for (; at < width - total; ++at) out[at] = ' ';
  int from = 0;
  if (text[0] == '-') out[at++] = text[from++];
  if (room_for_zero) out[at++] = '0';
  while (from < length) out[at++] = text[from++];
}

}  // namespace fixed_reference
