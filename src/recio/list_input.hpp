// Free-form (list-directed) reading of values from text records.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "recio/input_items.hpp"
#include "recio/read_trace.hpp"

namespace recio {

// Where the records of one read come from.
struct RecordFeed {
  // Delivers the next record (line without its line end) and read_ok; or
  // read_end_of_file, or read_error when the system refused the read.
  Status (*next)(void* context, std::string_view& record);
  void* context;
};

// One list-directed read: takes the first record from `feed`, and further
// records while values are still wanted; the rest of the last record is
// discarded. Each item is stored as soon as its value is found; items after
// a failure, a slash or a null value keep their values. Returns the status;
// `items_done`, when given, receives the number of items the read got to
// (stored, or passed by a null value) before it ended; `trace`, when given,
// what the read took (after a read_ok; it starts from a fresh ReadTrace).
Status parse_list_directed(const RecordFeed& feed, std::span<const InputItem> items, std::size_t* items_done = nullptr,
                           ReadTrace* trace = nullptr);

// The same without the shortcut for a record of plain numbers: what it must
// agree with, for the fuzz targets.
Status parse_list_directed_in_general(const RecordFeed& feed, std::span<const InputItem> items,
                                      std::size_t* items_done = nullptr);

}  // namespace recio
