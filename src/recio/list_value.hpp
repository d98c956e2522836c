// One value of a free-form read as an item takes it: a number converted
// and rounded once, a logical, or text into a blank-padded field.
#pragma once

#include <string_view>

#include "recio/input_items.hpp"
#include "recio/status.hpp"

namespace recio {

// A value found by the scanner: nothing (a null value), or the characters of
// a token or of a text value (delimiters removed, doubled ones undone).
struct Value {
  bool is_null = true;
  bool was_delimited = false;
  std::string_view characters;
};

// A token that a numeric item reads as a logical: T or F, with or without a
// period before it.
bool is_logical(std::string_view token);

// Stores `value` in `item`: read_ok, or the status of a value that does not
// convert (a syntax or conversion error). A null value leaves the item as it
// was.
Status store_value(const InputItem& item, const Value& value);

}  // namespace recio
