// Formatted reading of F fields from one record.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "recio/format.hpp"
#include "recio/input_items.hpp"

namespace recio {

struct FieldValue {
  Status status;  // read_ok, or conversion_error when the field is no number
  float value;
};

// Reads one Fw.d field (its w characters, fewer at the end of a record).
FieldValue read_f_field(std::string_view field, int decimals, BlankMode blanks);

// The same without the memory of recent fields: what it must agree with.
FieldValue read_field_text(std::string_view field, int decimals, BlankMode blanks);

// Reads the items of one record with a format of F descriptors; a record
// shorter than the format reads as if padded with blanks. Items are stored
// one by one until the first field that fails. Returns the status.
Status parse_formatted(std::string_view record, const Format& format, std::span<const InputItem> items,
                       BlankMode blanks);

}  // namespace recio
