// The input side of the unit table: records taken from a unit's buffer, cut
// by the rules of line_cutter.hpp.
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "recio/characters.hpp"
#include "recio/run_end.hpp"
#include "recio/unit.hpp"
#include "recio/units.hpp"

namespace recio {

namespace {

constexpr std::size_t file_input_chunk = 256 * 1024;
constexpr std::size_t console_input_chunk = 4 * 1024;

// Makes room for more input, keeping the unfinished record at the front and
// growing the buffer only when that record fills it.
void prepare_input_space(Unit& unit) {
  const std::size_t chunk = unit.console ? console_input_chunk : file_input_chunk;
  if (!unit.in) {
    unit.in = std::make_unique_for_overwrite<char[]>(chunk);
    unit.in_capacity = chunk;
    unit.in_begin = unit.in_end = 0;
    return;
  }
  // A file that can be read again from its start need not be held in memory.
  if (unit.holding_start && unit.regular_file && unit.in_end == unit.in_capacity) unit.holding_start = false;
  const std::size_t keep_from = unit.holding_start ? 0 : unit.in_begin;
  const std::size_t pending = unit.in_end - keep_from;
  if (keep_from > 0) {
    std::memmove(unit.in.get(), unit.in.get() + keep_from, pending);
    unit.in_begin -= keep_from;
    unit.in_end = pending;
  }
  if (unit.in_end == unit.in_capacity) {
    const std::size_t capacity = unit.in_capacity * 2;
    std::unique_ptr<char[]> larger;
    try {
      larger = std::make_unique_for_overwrite<char[]>(capacity);
    } catch (const std::bad_alloc&) {
      // A line without end (a device that never sends one) outgrew memory.
      fatal_diagnostic(Message::no_memory, unit.number, unit.name, 0);
    }
    std::memcpy(larger.get(), unit.in.get(), pending);
    unit.in = std::move(larger);
    unit.in_capacity = capacity;
  }
}

// Passes over the rest of a line that was cut at longest_record, up to and
// including its line feed; false while more bytes must be read to get there.
bool skip_rest_of_long_line(Unit& unit) {
  if (!unit.skipping_long_line) return true;
  const char* from = unit.in.get() + unit.in_begin;
  const std::size_t available = unit.in_end - unit.in_begin;
  if (const void* line_feed = std::memchr(from, '\n', available)) {
    unit.in_begin += static_cast<std::size_t>(static_cast<const char*>(line_feed) - from) + 1;
    unit.skipping_long_line = false;
    return true;
  }
  unit.in_begin = unit.in_end = 0;  // nothing of it is kept
  unit.holding_start = false;        // so the start is had again by a rewind
  return unit.at_end_of_data;
}

std::string_view cut_record(Unit& unit, std::size_t line_end) {
  const std::string_view line(unit.in.get() + unit.in_begin, line_end - unit.in_begin);
  unit.in_begin = line_end + 1;
  ++unit.records_taken;
  return without_line_end(line);
}

// A file may begin with the byte-order mark: it is skipped, once at the
// start. False while too few bytes are in to tell.
bool settle_file_start(Unit& unit) {
  if (unit.start_checked) return true;
  constexpr std::string_view mark = byte_order_mark;
  const std::string_view start(unit.in.get() + unit.in_begin, unit.in_end - unit.in_begin);
  const bool could_be_mark = mark.starts_with(start.substr(0, mark.size()));
  if (could_be_mark && start.size() < mark.size() && !unit.at_end_of_data) return false;
  if (start.starts_with(mark)) unit.in_begin += mark.size();
  unit.start_checked = true;
  return true;
}

}  // namespace

RecordTake take_record(Unit& unit, std::string_view& record) {
  if (unit.end_of_file) return {false, 0};
  // Records are read far more often than a unit switches from writing.
  if (unit.out_size.load(std::memory_order_relaxed) != 0) send_output_or_die(unit);
  std::size_t searched = 0;  // bytes of the record's start known to hold no line feed
  for (;;) {
    if (unit.in && settle_file_start(unit) && skip_rest_of_long_line(unit)) {
      const char* from = unit.in.get() + unit.in_begin;
      const std::size_t available = unit.in_end - unit.in_begin;
      // Bytes passed over by a skip were never searched.
      if (searched > available) searched = 0;
      if (const void* line_feed = std::memchr(from + searched, '\n', available - searched)) {
        const auto length = static_cast<std::size_t>(static_cast<const char*>(line_feed) - from);
        record = cut_record(unit, unit.in_begin + length);
        return {true, 0};
      }
      if (available >= longest_record) {
        // One record still, of the line's first bytes; the rest is passed
        // over at the next take, so that a line without end ends a reader
        // that stops at it.
        record = cut_record(unit, unit.in_begin + longest_record);
        unit.in_begin -= 1;  // cut_record steps over a line feed that is not there
        unit.skipping_long_line = true;
        return {true, 0};
      }
      searched = available;
    }
    if (unit.at_end_of_data) break;
    prepare_input_space(unit);
    const platform::ReadResult got =
        platform::read_some(unit.handle, unit.in.get() + unit.in_end, unit.in_capacity - unit.in_end);
    if (got.error != 0) return {false, got.error};
    if (got.bytes == 0) unit.at_end_of_data = true;
    unit.in_end += got.bytes;
  }
  // Text after the last line feed is the last record, of a file as of the
  // console: a file saved without a final line end keeps its last line.
  if (unit.in_end > unit.in_begin) {
    record = cut_record(unit, unit.in_end);
    unit.in_begin = unit.in_end;
    return {true, 0};
  }
  unit.end_of_file = true;
  return {false, 0};
}

RecordTake take_record(std::int32_t number, std::string_view& record) {
  return take_record(statement_unit(number), record);
}

}  // namespace recio
