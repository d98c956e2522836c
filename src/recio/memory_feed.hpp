// Records from memory instead of a unit: what the tests, the fuzz targets and
// the benchmarks of the free-form reader read from.
#pragma once

#include <string>
#include <algorithm>
#include <string_view>
#include <vector>

#include "recio/list_input.hpp"

namespace recio {

struct MemoryFeed {
  std::vector<std::string> records;      // lines without their line ends
  Status after_last = read_end_of_file;  // what a read past the last record gets
  std::size_t taken = 0;                 // records handed out so far

  RecordFeed feed() { return {&next, this}; }

  // Lines of `text` as a file holds them: a carriage return before a line
  // feed is no part of the record, and text after the last line feed is one.
  static MemoryFeed of_text(std::string_view text) {
    MemoryFeed made;
    while (!text.empty()) {
      const std::size_t end = std::min(text.find('\n'), text.size());
      std::string_view line = text.substr(0, end);
      if (end < text.size() && line.ends_with('\r')) line.remove_suffix(1);
      made.records.emplace_back(line);
      text.remove_prefix(std::min(end + 1, text.size()));
    }
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
