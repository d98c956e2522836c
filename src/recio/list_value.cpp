#include "recio/list_value.hpp"

#include <algorithm>
#include <cstring>

#include "recio/characters.hpp"
#include "recio/decimal_scan.hpp"

namespace recio {

namespace {

constexpr bool is_sign(char c) { return c == '+' || c == '-'; }
constexpr bool is_truth_letter(char c) { return c == 'T' || c == 't' || c == 'F' || c == 'f'; }
constexpr bool allowed_in_number(char c) { return is_digit(c) || is_sign(c) || c == '.' || is_exponent_letter(c); }

bool logical_is_true(std::string_view token) {
  const char letter = token[token[0] == '.' ? 1 : 0];
  return letter == 'T' || letter == 't';
}

// Characters only: anything foreign, or a repeated point or exponent letter.
bool has_number_characters(std::string_view token) {
  int points = 0;
  int letters = 0;
  for (const char c : token) {
    if (!allowed_in_number(c)) return false;
    points += c == '.';
    letters += is_exponent_letter(c);
  }
  return !token.empty() && points <= 1 && letters <= 1;
}

// Returns read_ok, syntax_error for foreign characters, or
// conversion_error when the characters are right but form no number.
Status split_number(std::string_view token, ScannedDecimal& number) {
  if (!has_number_characters(token)) return syntax_error;
  std::size_t at = 0;
  number = scan_decimal(token, at);
  if (!number.has_digit()) return conversion_error;
  if (at == token.size()) return read_ok;
  return scan_exponent(token, at, number) && at == token.size() ? read_ok : conversion_error;
}

Status convert_to_real(std::string_view token, float& value) {
  if (is_logical(token)) {
    value = logical_is_true(token) ? -1.0f : 0.0f;
    return read_ok;
  }
  ScannedDecimal number;
  const Status status = split_number(token, number);
  if (status == read_ok) value = decimal_to_float(number);
  return status;
}

bool whole_digits_to_int32(const ScannedDecimal& number, std::int32_t& value) {
  const std::int64_t limit = number.negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
  std::int64_t magnitude = 0;
  for (const char c : number.integer_digits) {
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > limit) return false;
  }
  value = static_cast<std::int32_t>(number.negative ? -magnitude : magnitude);
  return true;
}

bool truncated_to_int32(double real, std::int32_t& value) {
  if (!(real > -2147483649.0 && real < 2147483648.0)) return false;
  value = static_cast<std::int32_t>(real);
  return true;
}

Status convert_to_integer(std::string_view token, std::int32_t& value) {
  if (is_logical(token)) {
    value = logical_is_true(token) ? -1 : 0;
    return read_ok;
  }
  ScannedDecimal number;
  const Status status = split_number(token, number);
  if (status != read_ok) return status;
  const bool in_range = (number.point || number.exponent_given) ? truncated_to_int32(decimal_to_double(number), value)
                                                                : whole_digits_to_int32(number, value);
  return in_range ? read_ok : conversion_error;
}

void store_text(const InputItem& item, std::string_view text) {
  char* field = static_cast<char*>(item.target);
  const std::size_t copied = std::min(text.size(), item.length);
  std::memcpy(field, text.data(), copied);
  std::memset(field + copied, ' ', item.length - copied);
  if (item.cut != nullptr) {
    const std::string_view lost = text.substr(copied);
    *item.cut = lost.find_first_not_of(' ') != std::string_view::npos;
  }
}

}  // namespace

bool is_logical(std::string_view token) {
  const std::size_t first = (!token.empty() && token[0] == '.') ? 1 : 0;
  return first < token.size() && is_truth_letter(token[first]);
}

Status store_value(const InputItem& item, const Value& value) {
  if (value.is_null) return read_ok;
  switch (item.kind) {
    case ItemKind::real:
      if (value.was_delimited) return syntax_error;
      return convert_to_real(value.characters, *static_cast<float*>(item.target));
    case ItemKind::integer:
      if (value.was_delimited || (!item.words && is_logical(value.characters))) return syntax_error;
      return convert_to_integer(value.characters, *static_cast<std::int32_t*>(item.target));
    case ItemKind::text:
      store_text(item, value.characters);
      return read_ok;
  }
  return syntax_error;
}

}  // namespace recio
