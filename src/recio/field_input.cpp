// Fixed-position F fields: numbers scanned and converted by decimal_scan, so
// each value is rounded exactly once.
#include "recio/field_input.hpp"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

#include "recio/characters.hpp"
#include "recio/decimal_scan.hpp"
#include "recio/recent_memory.hpp"

namespace recio {

namespace {

// The library's search calls a comparison per character: fields are tiny.
std::size_t leading_blanks(std::string_view text) {
  std::size_t count = 0;
  while (count < text.size() && text[count] == ' ') ++count;
  return count;
}

std::string_view trim_blanks(std::string_view text) {
  text.remove_prefix(leading_blanks(text));
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// The texts the F writer puts out for values that are no numbers.
bool read_non_number(std::string_view trimmed, float& value) {
  if (equal_ignoring_case(trimmed, "nan")) {
    value = std::numeric_limits<float>::quiet_NaN();
  } else if (equal_ignoring_case(trimmed, "infinity") || equal_ignoring_case(trimmed, "+infinity")) {
    value = std::numeric_limits<float>::infinity();
  } else if (equal_ignoring_case(trimmed, "-infinity")) {
    value = -std::numeric_limits<float>::infinity();
  } else {
    return false;
  }
  return true;
}

// `text` starts at the first non-blank. Blanks after it are dropped, or read
// as zeros in zero mode; only a real digit makes a number.
FieldValue read_decimal(std::string_view text, int decimals, BlankMode blanks) {
  constexpr FieldValue failed{conversion_error, 0.0f};
  std::string without_blanks;
  if (text.find(' ') != std::string_view::npos) {
    if (std::ranges::none_of(text, is_digit)) return failed;
    for (const char c : text) {
      if (c != ' ') {
        without_blanks += c;
      } else if (blanks == BlankMode::zero) {
        without_blanks += '0';
      }
    }
    text = without_blanks;
  }
  std::size_t at = 0;
  ScannedDecimal number = scan_decimal(text, at);
  if (at != text.size() || !number.has_digit()) return failed;
  // Without a point, the last `decimals` digits are the fraction.
  if (!number.point) number.exponent = -decimals;
  return {read_ok, decimal_to_float(number)};
}

}  // namespace

FieldValue read_field_text(std::string_view field, int decimals, BlankMode blanks) {
  const std::size_t first = leading_blanks(field);
  if (first == field.size()) return {read_ok, 0.0f};
  const FieldValue decimal = read_decimal(field.substr(first), decimals, blanks);
  if (decimal.status == read_ok) return decimal;
  // Rarely: the texts of values that are no numbers.
  float non_number = 0.0f;
  if (read_non_number(trim_blanks(field), non_number)) return {read_ok, non_number};
  return decimal;
}

namespace {

std::uint32_t big_endian(std::uint32_t loaded) {
  if constexpr (std::endian::native == std::endian::little) return __builtin_bswap32(loaded);
  return loaded;
}

// Narrow fields are remembered by their exact characters, decimals and blank mode.
struct FieldKey {
  std::uint64_t text = 0;
  std::uint32_t shape = 0;  // length, decimals and blank mode; 0 for none
  bool operator==(const FieldKey&) const = default;
};
// The program has one thread; nothing reads fields on two at once.
constinit RecentMemory<FieldKey, FieldValue, 4096> remembered;

// Inlined into the record loop: a work record's fields are mostly remembered,
// and a call per field would cost as much as the recall.
inline FieldValue read_field(std::string_view field, int decimals, BlankMode blanks) {
  if (field.empty() || field.size() > 8 || decimals < 0 || decimals > 255) {
    return read_field_text(field, decimals, blanks);
  }
  // The field's bytes as one big-endian number, from two loads that overlap
  // in a field of fewer than eight bytes: no loop over its characters.
  std::uint64_t text = 0;
  if (field.size() >= 4) {
    std::uint32_t first = 0, last = 0;
    std::memcpy(&first, field.data(), sizeof first);
    std::memcpy(&last, field.data() + field.size() - sizeof last, sizeof last);
    text = std::uint64_t{big_endian(first)} << (8 * (field.size() - sizeof first)) | big_endian(last);
  } else {
    for (const char c : field) text = text << 8 | static_cast<unsigned char>(c);
  }
  const std::uint32_t shape = static_cast<std::uint32_t>(field.size()) | static_cast<std::uint32_t>(decimals) << 8 |
                              (blanks == BlankMode::zero ? 1u : 0u) << 16;
  return *remembered.recall({text, shape}, text ^ shape, [&](FieldValue& value) {
    value = read_field_text(field, decimals, blanks);
    return true;
  });
}

}  // namespace

FieldValue read_f_field(std::string_view field, int decimals, BlankMode blanks) {
  return read_field(field, decimals, blanks);
}

Status parse_formatted(std::string_view record, const Format& format, std::span<const InputItem> items,
                       BlankMode blanks) {
  std::size_t position = 0;
  const std::size_t fields = std::min(static_cast<std::size_t>(format.count), items.size());
  for (std::size_t i = 0; i < fields; ++i) {
    const EditDescriptor& descriptor = format.descriptors[i];
    if (descriptor.kind != 'F' || items[i].kind != ItemKind::real) return conversion_error;
    const std::size_t width = static_cast<std::size_t>(descriptor.width);
    const std::string_view field = position < record.size() ? record.substr(position, width) : std::string_view{};
    position += width;
    const FieldValue read = read_field(field, descriptor.decimals, blanks);
    if (read.status != read_ok) return read.status;
    *static_cast<float*>(items[i].target) = read.value;
  }
  return read_ok;
}

}  // namespace recio
