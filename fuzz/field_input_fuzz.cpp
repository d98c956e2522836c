// Fuzz target: the F-field reader on arbitrary records, and the round trip of
// every F6.2 field the writer produces.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <utility>

#include "recio/field_input.hpp"
#include "recio/fixed_point.hpp"

namespace {

constexpr recio::Format work_format = recio::parse_format("(3F6.2)");

// The shortcuts (the memory of recent values, the one-pass layout of a small
// value) give what the general conversions give, field for field.
void check_shortcuts(float value, std::string_view record) {
  for (const auto& [width, decimals] : {std::pair{6, 2}, std::pair{8, 3}, std::pair{12, 5}, std::pair{20, 11}}) {
    char fast[20], general[20];
    recio::format_fixed(value, width, decimals, fast);
    recio::format_fixed_in_general(value, width, decimals, general);
    if (std::memcmp(fast, general, static_cast<std::size_t>(width)) != 0) std::abort();
  }
  for (std::size_t at = 0; at < record.size(); at += 6) {
    const std::string_view field = record.substr(at, 6);
    for (const auto blanks : {recio::BlankMode::null, recio::BlankMode::zero}) {
      const recio::FieldValue fast = recio::read_f_field(field, 2, blanks);
      const recio::FieldValue general = recio::read_field_text(field, 2, blanks);
      if (fast.status != general.status || std::memcmp(&fast.value, &general.value, sizeof fast.value) != 0) {
        std::abort();
      }
    }
  }
}

void check_round_trip(float value) {
  char field[6];
  recio::format_fixed(value, 6, 2, field);
  const recio::FieldValue back = recio::read_f_field(std::string_view(field, 6), 2, recio::BlankMode::null);
  if (field[0] == '*') {
    if (back.status != 64) std::abort();  // overflow text never reads as a number
    return;
  }
  if (back.status != 0) std::abort();
  if (std::isnan(value)) {
    if (!std::isnan(back.value)) std::abort();
    return;
  }
  // The value read back is the two-decimal value printed, so printing it
  // again gives the same field.
  char again[6];
  recio::format_fixed(back.value, 6, 2, again);
  if (std::memcmp(field, again, 6) != 0) std::abort();
  if (std::fabs(static_cast<double>(back.value) - static_cast<double>(value)) > 0.005 + 0.0001)
    std::abort();  // half a hundredth plus float spacing below 1000
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view record(reinterpret_cast<const char*>(data), size);
  float items_storage[3] = {7.0f, 8.0f, 9.0f};
  const recio::InputItem items[] = {recio::input(items_storage[0]), recio::input(items_storage[1]),
                                    recio::input(items_storage[2])};
  for (const auto blanks : {recio::BlankMode::null, recio::BlankMode::zero}) {
    const std::int32_t status = recio::parse_formatted(record, work_format, items, blanks);
    if (status != 0 && status != 64) std::abort();
  }
  if (size >= 4) {
    float value;
    std::memcpy(&value, data, sizeof value);
    check_round_trip(value);
    check_shortcuts(value, record);
  }
  return 0;
}
