// Items of a read statement.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "recio/status.hpp"

namespace recio {

enum class ItemKind { real, integer, text };

// A variable that a read stores into: a single real, a 32-bit integer or a
// fixed-length text field (blank-padded on the right when the value is shorter).
struct InputItem {
  ItemKind kind;
  void* target;
  std::size_t length;   // of a text field
  bool* cut = nullptr;  // of a text field: set when a value lost more than blanks to it
  bool words = true;    // of a number: a logical value (T..., .F...) reads as -1 or 0, else is a syntax error
};

inline InputItem input(float& value) { return {ItemKind::real, &value, 0}; }
inline InputItem input(std::int32_t& value) { return {ItemKind::integer, &value, 0}; }
// An integer that takes numbers only: a word is text that is no number.
inline InputItem input_number(std::int32_t& value) { return {ItemKind::integer, &value, 0, nullptr, false}; }
inline InputItem input(std::span<char> field) { return {ItemKind::text, field.data(), field.size()}; }
// A text field whose `cut` tells, after each value stored, whether the value
// had characters other than blanks past the field's end.
inline InputItem input(std::span<char> field, bool& cut) { return {ItemKind::text, field.data(), field.size(), &cut}; }

}  // namespace recio
