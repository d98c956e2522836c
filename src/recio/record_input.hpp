// Read statements on units: list-directed and formatted, with or without a
// status result. Without one, every non-zero status is fatal.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "recio/format.hpp"
#include "recio/input_items.hpp"
#include "recio/read_trace.hpp"

namespace recio {

// With `status` null, any status but read_ok ends the run with its message:
// Message::end_of_file for read_end_of_file, otherwise the status's own. A
// read that the system refuses ends the run with message 39 (after the
// system's text) in either case: a status only ever tells of the records.
// `items_done`, when given, receives how many items the read got to, so that
// an end of file inside a record can be told from one between records;
// `trace`, when given, what the read took (see ReadTrace).
void read_list_directed(std::int32_t unit, std::initializer_list<InputItem> items, Status* status = nullptr,
                        std::size_t* items_done = nullptr, ReadTrace* trace = nullptr);
void read_formatted(std::int32_t unit, const Format& format, std::initializer_list<InputItem> items,
                    Status* status = nullptr);

}  // namespace recio
