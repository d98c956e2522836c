// The output side of the unit table: records put out through a unit's
// buffer or straight to the console, and what an interrupt does with them.
//
// A console interrupt may send a unit's buffer at any moment, so four fields
// tell it what it may do:
// - `out_size` counts the complete records in `out`; a record and its CR LF
//   count in one store (end_record_in_place), so an interrupt never sends
//   half of one. The buffer never moves while the unit is open.
// - `flushing` is true while the buffer is being sent (send_output): the
//   interrupt then sends nothing, as sending again could duplicate records.
//   `out_size` drops to 0 before `flushing` clears, so an interrupt that sees
//   `flushing` false never sends records that already went.
// - `wrote` says records went to the unit since its open or rewind: only
//   then may the interrupt cut the file, as the cut of a file merely read
//   (the input) would destroy its data.
// - `truncate_pending` says the file must still be cut after the last record
//   written, so that no text of an older, longer file survives behind it. It
//   clears only after the cut (cut_after_first_write), so an interrupt
//   between the write and the cut still makes it.
// A whole-file unit is never cut: an interrupt deletes its new file.
#include <atomic>
#include <cstring>
#include <string>

#include "recio/messages.hpp"
#include "recio/run_end.hpp"
#include "recio/unit_table.hpp"

namespace recio {

namespace {

std::atomic<bool> prompt_pending{false};

// After the first write since the open or rewind the file ends where that
// write ended, so that no text of an older, longer file survives behind it.
// The flag goes only after the cut, so that an interrupt between the write
// and the cut still makes it.
platform::ErrorCode cut_after_first_write(Unit& unit, platform::ErrorCode write_error) {
  if (write_error != 0 || !unit.truncate_pending) return write_error;
  const platform::ErrorCode error = platform::truncate_at_position(unit.handle);
  unit.truncate_pending = false;
  return error;
}

}  // namespace

platform::ErrorCode send_output(Unit& unit) {
  const std::size_t size = unit.out_size.load(std::memory_order_relaxed);
  if (size == 0) return 0;
  unit.flushing.store(true, std::memory_order_relaxed);
  const platform::ErrorCode error = platform::write_all(unit.handle, unit.out.get(), size);
  // The buffer is empty before it stops being sent: an interrupt that sees
  // `flushing` false must not send the same records again.
  unit.out_size.store(0, std::memory_order_relaxed);
  std::atomic_signal_fence(std::memory_order_release);
  unit.flushing.store(false, std::memory_order_release);
  return cut_after_first_write(unit, error);
}

void send_output_or_die(Unit& unit) {
  if (const platform::ErrorCode error = send_output(unit); error != 0) {
    const std::int32_t number = unit.number;
    const std::string name = unit.name;
    // The unit goes first, so that the closing after the message does not
    // meet the same failure again.
    drop_connection(unit);
    remove_unit(unit);
    fatal_diagnostic(Message::write_error, number, name, error);
  }
}

namespace {

void append_output(Unit& unit, std::string_view record, bool advance) {
  if (char* space = record_space(unit, record.size())) {
    std::memcpy(space, record.data(), record.size());
    end_record_in_place(unit, record.size(), advance);
    return;
  }
  // A record larger than the buffer goes out directly, after what is waiting.
  unit.wrote.store(true, std::memory_order_release);
  send_output_or_die(unit);
  std::string bytes(record);
  if (advance) bytes += record_end;
  const platform::ErrorCode error =
      cut_after_first_write(unit, platform::write_all(unit.handle, bytes.data(), bytes.size()));
  if (error != 0) fatal_on_unit(Message::write_error, unit.number, error);
}

void write_console(Unit& unit, std::string_view record, bool advance) {
  // The screen gets each statement at once, so prompts are seen before the
  // keyboard is read.
  std::string bytes(record);
  if (advance) bytes += record_end;
  // Marked before the prompt goes out, so that an interrupt arriving the
  // moment it appears still ends its line.
  prompt_pending.store(!advance, std::memory_order_relaxed);
  if (const auto error = platform::write_all(unit.handle, bytes.data(), bytes.size()); error != 0) {
    fatal_on_unit(Message::write_error, unit.number, error);
  }
}

}  // namespace

void close_in_interrupt(Unit& unit) {
  // A buffer that is being sent right now is left as it is: sending it again
  // could duplicate records.
  if (!unit.console && !unit.scratch && !unit.flushing.load(std::memory_order_relaxed)) {
    const std::size_t size = unit.out_size.load(std::memory_order_acquire);
    if (size > 0) platform::write_all(unit.handle, unit.out.get(), size);
  }
  // As at the normal end the file ends after the last record written, so
  // that no text of an older, longer file survives behind it.
  // Only after a write: the cut of a file merely read (the input) would
  // destroy its data.
  if (!unit.console && !unit.scratch && unit.wrote.load(std::memory_order_acquire) &&
      unit.truncate_pending.load(std::memory_order_acquire)) {
    platform::truncate_at_position(unit.handle);
  }
}

char* record_space(Unit& unit, std::size_t most) {
  if (unit.console) return nullptr;
  if (unit.read_only) fatal_on_unit(Message::write_read_only, unit.number);
  const std::size_t total = most + record_end.size();
  if (total > output_capacity) return nullptr;
  unit.wrote.store(true, std::memory_order_release);
  if (unit.out_size.load(std::memory_order_relaxed) + total > output_capacity) send_output_or_die(unit);
  return unit.out.get() + unit.out_size.load(std::memory_order_relaxed);
}

// The record and its CR LF count in one step, so that an interrupt never
// sends half of it.
void end_record_in_place(Unit& unit, std::size_t length, bool advance) {
  const std::size_t size = unit.out_size.load(std::memory_order_relaxed);
  char* at = unit.out.get() + size + length;
  if (advance) std::memcpy(at, record_end.data(), record_end.size());
  unit.out_size.store(size + length + (advance ? record_end.size() : 0), std::memory_order_release);
}

void put_record(std::int32_t number, std::string_view record, bool advance) {
  Unit* unit = &statement_unit(number);
  if (unit->console) {
    write_console(*unit, record, advance);
    return;
  }
  if (unit->read_only) fatal_on_unit(Message::write_read_only, number);
  append_output(*unit, record, advance);
}

void end_read(std::int32_t number) {
  if (number == keyboard_unit) prompt_pending.store(false, std::memory_order_relaxed);
}

bool console_prompt_pending() { return prompt_pending.load(std::memory_order_relaxed); }

}  // namespace recio
