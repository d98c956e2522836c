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

#include "recio/unit.hpp"
#include "recio/units.hpp"

namespace recio {

namespace {

std::atomic<bool> prompt_pending{false};

// After the first write since the open or rewind the file ends where that
// write ended, so that no text of an older, longer file survives behind it.
// The flag goes only after the cut, so that an interrupt between the write
// and the cut still makes it.
}  // namespace

platform::ErrorCode cut_after_first_write(Unit& unit, platform::ErrorCode write_error) {
  if (write_error != 0 || !unit.truncate_pending) return write_error;
  const platform::ErrorCode error = platform::truncate_at_position(unit.handle);
  unit.truncate_pending = false;
  return error;
}

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

void end_read(std::int32_t number) {
  if (number == keyboard_unit) prompt_pending.store(false, std::memory_order_relaxed);
}

bool console_prompt_pending() { return prompt_pending.load(std::memory_order_relaxed); }

void mark_prompt_pending(bool pending) { prompt_pending.store(pending, std::memory_order_relaxed); }

}  // namespace recio
