// What one list-directed read took, for a caller that checks its data or its
// answers. The read's result does not depend on whether it is traced.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace recio {

struct ReadTrace {
  std::size_t records = 0;       // records the read took, blank ones included
  std::size_t first_record = 0;  // of those, the one (from 0) holding the first character other than blank and tab
  // The record the read ended on, and where the text after the values read
  // starts in it: after the token that gave the last item, or after the slash
  // that ended the read. Valid until the unit's next read.
  std::string_view last_line;
  std::size_t rest_at = 0;
  bool value_set = false;      // an item took a value (not a null value)
  bool empty_value = false;    // an item took a null value, or a slash came before the last item
  bool word = false;           // a numeric item took a logical value
  bool repeated = false;       // an item took its value from a repeat form ("3*value")
  bool may_hold_comma = true;  // false only when the first line is known to hold none
  // The first record's text, kept only when the read went on past it (the
  // buffer behind a record may move when the next one is taken).
  std::string first_line_kept;

  // Fresh for the next read; keeps the kept line's memory.
  void start() {
    records = first_record = rest_at = 0;
    last_line = {};
    value_set = empty_value = word = repeated = false;
    may_hold_comma = true;
    first_line_kept.clear();
  }

  std::string_view first_line() const { return first_record + 1 == records ? last_line : first_line_kept; }
  std::string_view rest() const { return last_line.substr(rest_at); }
};

}  // namespace recio
