// Where records end: the one rule for a file unit, the console and records
// held in memory, so that a test or a fuzz target reads what a run reads.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

namespace recio {

// Editors open a file with it; no data line holds it. Skipped once, at the
// start of a file.
inline constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";

// The most of one line that is kept: far more than any record's items need,
// and a bound on the memory that a line without end (a device, a sparse
// hole) can take. The rest of a longer line is passed over unread.
constexpr std::size_t longest_record = 4 * 1024 * 1024;

// The record of a line cut at its line feed, or of the text after the last
// line feed: a carriage return at its end is no part of it (CR LF files, and
// a last line saved with a lone CR). A carriage return elsewhere ends nothing.
constexpr std::string_view without_line_end(std::string_view line) {
  return !line.empty() && line.back() == '\r' ? line.substr(0, line.size() - 1) : line;
}

// The records of a whole text as a file unit takes them: a byte-order mark
// at the start skipped, a line feed ending each record, text after the last
// line feed one more record, each line cut at longest_record.
inline std::vector<std::string_view> cut_records(std::string_view text) {
  if (text.starts_with(byte_order_mark)) text.remove_prefix(byte_order_mark.size());
  std::vector<std::string_view> records;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    records.push_back(without_line_end(line.substr(0, longest_record)));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  return records;
}

}  // namespace recio
