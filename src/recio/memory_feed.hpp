// Records from memory instead of a unit: what the tests, the fuzz targets and
// the benchmarks of the free-form reader read from.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "recio/line_cutter.hpp"
#include "recio/list_input.hpp"

namespace recio {

struct MemoryFeed {
  std::vector<std::string> records;      // lines without their line ends
  Status after_last = read_end_of_file;  // what a read past the last record gets
  std::size_t taken = 0;                 // records handed out so far

  RecordFeed feed() { return {&next, this}; }

  // The records of `text` as a file unit takes them (line_cutter.hpp).
  static MemoryFeed of_text(std::string_view text) {
    MemoryFeed made;
    for (const std::string_view record : cut_records(text)) made.records.emplace_back(record);
    return made;
  }

 private:
  static Status next(void* context, std::string_view& record) {
    auto& self = *static_cast<MemoryFeed*>(context);
    if (self.taken == self.records.size()) return self.after_last;
    record = self.records[self.taken++];
    return read_ok;
  }
};

}  // namespace recio
