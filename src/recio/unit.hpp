// One connection of the unit table, and what the table's files share of it:
// unit_table.cpp (the slots and the closing of every unit), unit_output.cpp
// (the output buffer and its closing at an interrupt), unit_input.cpp
// (records taken in) and units.cpp (the statements). Nothing outside the
// record layer's unit files includes it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/platform.hpp"
#include "recio/line_cutter.hpp"

namespace recio {

// One connection. Its slot in the table never moves while it is in use.
struct Unit {
  std::int32_t number = 0;
  std::string name;  // full path as resolved at open, for diagnostics
  platform::FileHandle handle;
  bool console = false;
  bool scratch = false;
  bool read_only = false;
  bool regular_file = false;
  // Output state, read by an interrupt at any moment: see unit_output.cpp.
  std::atomic<bool> truncate_pending{false};
  std::atomic<bool> wrote{false};
  // A whole-file unit: records go to new_path, which takes final_path's place
  // at the close. Cleared once it has.
  std::atomic<bool> replacing{false};
  std::string final_path;
  std::string new_path;

  // Output: completed records not yet sent (unit_output.cpp).
  std::unique_ptr<char[]> out;
  std::atomic<std::size_t> out_size{0};
  std::atomic<bool> flushing{false};

  // Input: bytes read ahead; records are cut from [in_begin, in_end).
  std::unique_ptr<char[]> in;
  std::size_t in_capacity = 0;
  std::size_t in_begin = 0;
  std::size_t in_end = 0;
  bool at_end_of_data = false;     // the system has no more bytes
  bool end_of_file = false;        // a read met the end; cleared by rewind
  bool start_checked = false;      // a byte-order mark at the file's start is behind us
  bool holding_start = false;      // the bytes from the file's start stay in the buffer
  bool skipping_long_line = false; // the rest of a line cut at longest_record goes before the next record
  std::int64_t records_taken = 0;  // since the open or the last rewind
};

constexpr std::size_t output_capacity = 64 * 1024;

// Puts a fully prepared unit into a free slot of the table; null when every
// slot is taken.
Unit* enter_unit(std::int32_t number, const std::string& name, platform::FileHandle handle);

// The connected unit numbered `number`; null when there is none.
Unit* find_unit(std::int32_t number);

// Takes a unit out of the table and gives back its memory.
void remove_unit(Unit& unit);

// Ends the system's connection of a unit that did not finish: a whole-file
// unit's new file goes, and the old file stays as it was.
void drop_connection(Unit& unit);

// Sends the completed records; reports the system's error, if any.
platform::ErrorCode send_output(Unit& unit);
// After the first write since the open or rewind the file ends where that
// write ended; passes on `write_error`, or the cut's own.
platform::ErrorCode cut_after_first_write(Unit& unit, platform::ErrorCode write_error);

// send_output for the statements (units.cpp, unit_input.cpp): a failure ends
// the run (message 38), the unit dropped first.
void send_output_or_die(Unit& unit);

// A prompt is out without its line end (true) or its line is complete.
void mark_prompt_pending(bool pending);

// What an interrupt does with a unit's output before its file is closed:
// only async-signal-safe work.
void close_in_interrupt(Unit& unit);

}  // namespace recio
