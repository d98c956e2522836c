#include "recio/units.hpp"

#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "recio/characters.hpp"
#include "recio/messages.hpp"
#include "recio/run_end.hpp"

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
  std::atomic<bool> truncate_pending{false};  // the next record written cuts the file after it
  std::atomic<bool> wrote{false};             // records went to it since the open or rewind
  // A whole-file unit: records go to new_path, which takes final_path's place
  // at the close. Cleared once it has.
  std::atomic<bool> replacing{false};
  std::string final_path;
  std::string new_path;

  // Output: completed records not yet sent. The buffer never moves while the
  // unit is open, so an interrupt can send what it holds.
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

std::array<Unit*, unit_index_size> unit_index{};

namespace {

constexpr std::size_t output_capacity = 64 * 1024;
constexpr std::size_t file_input_chunk = 256 * 1024;
constexpr std::size_t console_input_chunk = 4 * 1024;
// A name field is taken as text of at most this many characters, and a full
// path this long or longer is not formed: the name is used as typed.
constexpr std::size_t longest_name = 256;

// The table allows any unit number; its size bounds the connections open at
// once. Slots never move, so the interrupt handler can walk them.
constexpr std::size_t table_size = 64;
// Never destroyed: an interrupt during the exit handlers still finds every
// unit, its buffers and names where they were.
// Built in static storage, not on the heap, which may already be refused.
alignas(std::array<Unit, table_size>) unsigned char table_storage[sizeof(std::array<Unit, table_size>)];
std::array<Unit, table_size>& table = *new (table_storage) std::array<Unit, table_size>;
std::array<std::atomic<bool>, table_size> in_use{};

std::atomic<bool> prompt_pending{false};

bool in_slot(std::size_t slot, std::int32_t number) {
  return in_use[slot].load(std::memory_order_relaxed) && table[slot].number == number;
}

Unit* find(std::int32_t number) {
  if (number >= 0 && number < unit_index_size) {
    Unit* unit = unit_index[static_cast<std::size_t>(number)];
    return unit != nullptr && in_slot(static_cast<std::size_t>(unit - table.data()), number) ? unit : nullptr;
  }
  for (std::size_t i = 0; i < table_size; ++i) {
    if (in_slot(i, number)) return &table[i];
  }
  return nullptr;
}

std::size_t free_slot() {
  for (std::size_t i = 0; i < table_size; ++i) {
    if (!in_use[i].load(std::memory_order_relaxed)) return i;
  }
  return table_size;
}

void reset(Unit& unit) {
  // Their memory goes back too: the table itself is never destroyed.
  for (std::string* text : {&unit.name, &unit.final_path, &unit.new_path}) std::string().swap(*text);
  unit.handle = {};
  unit.console = unit.scratch = unit.read_only = unit.regular_file = unit.truncate_pending = unit.wrote = false;
  unit.replacing = false;
  unit.out.reset();
  unit.out_size = 0;
  unit.flushing = false;
  unit.in.reset();
  unit.in_capacity = unit.in_begin = unit.in_end = 0;
  unit.at_end_of_data = unit.end_of_file = unit.start_checked = unit.holding_start = unit.skipping_long_line = false;
  unit.records_taken = 0;
}

// Puts a fully prepared unit into the table.
Unit& enter(std::int32_t number, std::string name, platform::FileHandle handle) {
  const std::size_t slot = free_slot();
  if (slot == table_size) {
    platform::close_file(handle);
    fatal_diagnostic(Message::open_failure, number, name, 0);
  }
  Unit& unit = table[slot];
  reset(unit);
  unit.number = number;
  unit.name = std::move(name);
  unit.handle = handle;
  unit.out = std::make_unique_for_overwrite<char[]>(output_capacity);
  in_use[slot].store(true, std::memory_order_release);
  if (number >= 0 && number < unit_index_size) unit_index[static_cast<std::size_t>(number)] = &unit;
  return unit;
}

void leave(Unit& unit) {
  const auto slot = static_cast<std::size_t>(&unit - table.data());
  if (unit.number >= 0 && unit.number < unit_index_size) unit_index[static_cast<std::size_t>(unit.number)] = nullptr;
  in_use[slot].store(false, std::memory_order_release);
  reset(unit);
}

Unit& console_unit(std::int32_t number) {
  if (Unit* unit = find(number)) return *unit;
  const bool keyboard = number == keyboard_unit;
  Unit& unit = enter(number, keyboard ? "CONIN$" : "CONOUT$",
                     keyboard ? platform::standard_input() : platform::standard_output());
  unit.console = true;
  unit.start_checked = true;  // typed answers are taken as they come
  return unit;
}

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

// Ends the system's connection of a unit that did not finish: a whole-file
// unit's new file goes, and the old file stays as it was.
void drop_connection(Unit& unit) {
  if (unit.replacing.exchange(false)) {
    platform::discard_replacement(unit.handle, unit.new_path.c_str());
  } else if (!unit.console) {
    platform::close_file(unit.handle);
  }
}

// Sends the completed records; reports the system's error, if any.
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
    leave(unit);
    fatal_diagnostic(Message::write_error, number, name, error);
  }
}

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

// The message of a refused open.
Message open_failure_message(platform::OpenFailure reason) {
  switch (reason) {
    case platform::OpenFailure::not_found:
      return Message::file_not_found;
    case platform::OpenFailure::denied:
      return Message::permission_denied;
    case platform::OpenFailure::bad_name:
      return Message::bad_file_name;
    case platform::OpenFailure::no_device:
      return Message::no_such_device;
    case platform::OpenFailure::none:
    case platform::OpenFailure::other:
      break;
  }
  return Message::open_failure;
}

void connect_scratch(std::int32_t number) {
  platform::ScratchResult created = platform::create_scratch_file();
  if (created.error != 0) {
    fatal_diagnostic(open_failure_message(created.reason), number, created.path, created.error);
  }
  Unit& unit = enter(number, std::move(created.path), created.handle);
  unit.scratch = true;
  unit.regular_file = true;
}

void connect_named(std::int32_t number, std::string_view name_field, WhenMissing when_missing, const NameAnswer& answer,
                   const OpenOptions& options) {
  const std::string name(trimmed_file_name(name_field));
  // A cut name would read or write a file the user never named, and so would
  // a typed zero byte, which ends a name early for the system; no full path
  // can be formed of such a name.
  const bool zero_byte = name_field.substr(0, longest_name).find('\0') != std::string_view::npos;
  std::string path = zero_byte ? name : platform::full_path(name);
  if (path.empty() || path.size() >= longest_name) path = name;
  if (answer.cut) fatal_diagnostic(Message::bad_file_name, number, path, 0);
  // The text typed, as a cut name is: not the name that would be used.
  if (answer.repeated) fatal_diagnostic(Message::bad_file_name, number, answer.line_with_more_text, 0);
  // The text before a blank is not the name the user typed.
  if (!answer.line_with_more_text.empty())
    fatal_diagnostic(Message::bad_file_name, number, answer.line_with_more_text, 0);
  if (name.empty() || zero_byte) fatal_diagnostic(Message::bad_file_name, number, path, 0);
  const bool refuse_missing = when_missing == WhenMissing::refuse;
  const platform::Access access = options.whole_file ? platform::Access::replace
                                  : refuse_missing   ? platform::Access::read
                                                     : platform::Access::read_write;
  platform::OpenResult opened =
      platform::open_file(name, refuse_missing ? platform::IfMissing::fail : platform::IfMissing::create, access);
  if (opened.error != 0) {
    fatal_diagnostic(open_failure_message(opened.reason), number, path, opened.error);
  }
  const bool replacing = !opened.new_path.empty();
  if (!options.never_over.empty() &&
      platform::same_existing_file(replacing ? opened.final_path : name,
                                   std::string(trimmed_file_name(options.never_over)))) {
    // Checked again here: a link made since the name was typed can lead there.
    if (replacing) {
      platform::discard_replacement(opened.handle, opened.new_path.c_str());
    } else {
      platform::close_file(opened.handle);
    }
    fatal_diagnostic(Message::open_failure, number, path, 0);
  }
  Unit& unit = enter(number, std::move(path), opened.handle);
  unit.read_only = opened.read_only;
  unit.regular_file = opened.regular_file;
  // A new file is empty: nothing to cut.
  unit.truncate_pending = opened.regular_file && !replacing;
  unit.final_path = std::move(opened.final_path);
  unit.new_path = std::move(opened.new_path);
  unit.replacing.store(replacing, std::memory_order_release);
}

}  // namespace

std::string_view trimmed_file_name(std::string_view name_field) {
  if (name_field.size() > longest_name) name_field = name_field.substr(0, longest_name);
  while (!name_field.empty() && (name_field.back() == ' ' || name_field.back() == '\0')) name_field.remove_suffix(1);
  while (!name_field.empty() && name_field.front() == ' ') name_field.remove_prefix(1);
  return name_field;
}

void open_named(std::int32_t number, std::string_view name_field, WhenMissing when_missing, const NameAnswer& answer,
                const OpenOptions& options) {
  close_unit(number);
  connect_named(number, name_field, when_missing, answer, options);
}

void open_scratch(std::int32_t number) {
  close_unit(number);
  connect_scratch(number);
}

void rewind_unit(std::int32_t number) {
  Unit* unit = find(number);
  if (unit == nullptr) return;
  send_output_or_die(*unit);
  if (!unit->console) {
    if (const auto error = platform::seek_to_start(unit->handle); error != 0) {
      fatal_on_unit(Message::rewind_error, number, error);
    }
    unit->truncate_pending = unit->regular_file;
    unit->wrote = false;
  }
  unit->in_begin = unit->in_end = 0;
  unit->at_end_of_data = unit->end_of_file = unit->start_checked = unit->skipping_long_line = false;
  unit->records_taken = 0;
}

void hold_input_start(std::int32_t number) {
  Unit& unit = statement_unit(number);
  unit.holding_start = unit.records_taken == 0 && unit.in_begin == 0;
}

void return_to_input_start(std::int32_t number) {
  Unit& unit = statement_unit(number);
  if (!unit.holding_start) return rewind_unit(number);
  unit.holding_start = false;
  unit.in_begin = 0;
  unit.end_of_file = unit.start_checked = unit.skipping_long_line = false;
  unit.records_taken = 0;
}

bool unit_rewindable(std::int32_t number) {
  const Unit* unit = find(number);
  return unit != nullptr && unit->regular_file;
}

void close_unit(std::int32_t number) {
  Unit* unit = find(number);
  if (unit == nullptr) return;
  send_output_or_die(*unit);
  // Scratch files left the directory when they were made: closing deletes them.
  // A whole-file unit's new file takes the old one's place now, complete.
  platform::ErrorCode error = 0;
  if (unit->replacing) {
    error = platform::commit_replacement(unit->handle, unit->new_path, unit->final_path);
    unit->replacing = false;
  } else if (!unit->console) {
    error = platform::close_file(unit->handle);
  }
  const std::string name = unit->name;
  leave(*unit);
  if (error != 0) fatal_diagnostic(Message::close_error, number, name, error);
}

void close_all_units() {
  for (std::size_t i = 0; i < table_size; ++i) {
    if (!in_use[i].load(std::memory_order_relaxed)) continue;
    Unit& unit = table[i];
    // The run is ending anyway: a failure here has nobody left to tell. A
    // whole-file unit still open is unfinished, and its new file goes.
    if (!unit.replacing) send_output(unit);
    drop_connection(unit);
    leave(unit);
  }
}

void close_all_units_in_interrupt() {
  for (std::size_t i = 0; i < table_size; ++i) {
    if (!in_use[i].load(std::memory_order_acquire)) continue;
    Unit& unit = table[i];
    // An unfinished whole file goes; the old one stays as it was.
    if (unit.replacing.exchange(false)) {
      platform::discard_replacement(unit.handle, unit.new_path.c_str());
      in_use[i].store(false, std::memory_order_release);
      continue;
    }
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
    if (!unit.console) platform::close_file(unit.handle);
    // Out of the table, so that nothing closes it twice; its buffers are left
    // to the process's end, as freeing is no work for an interrupt.
    in_use[i].store(false, std::memory_order_release);
  }
}

Unit& statement_unit_not_indexed(std::int32_t number) {
  if (number == keyboard_unit || number == screen_unit) return console_unit(number);
  Unit* unit = find(number);
  if (unit == nullptr) fatal_diagnostic(Message::open_failure, number, "", 0);
  return *unit;
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

void end_read(std::int32_t number) {
  if (number == keyboard_unit) prompt_pending.store(false, std::memory_order_relaxed);
}

bool unit_connected(std::int32_t number) { return find(number) != nullptr; }

std::int64_t records_taken(std::int32_t number) {
  const Unit* unit = find(number);
  return unit != nullptr ? unit->records_taken : 0;
}

std::string unit_file_name(std::int32_t number) {
  if (number == keyboard_unit) return "CONIN$";
  if (number == screen_unit) return "CONOUT$";
  const Unit* unit = find(number);
  return unit != nullptr ? unit->name : std::string();
}

platform::FileStamp unit_file_stamp(std::int32_t number) {
  const Unit* unit = find(number);
  return unit != nullptr && !unit->console ? platform::file_stamp(unit->handle) : platform::FileStamp{};
}

std::int32_t unit_number(const Unit& unit) { return unit.number; }

const std::string& unit_name(const Unit& unit) { return unit.name; }

bool console_prompt_pending() { return prompt_pending.load(std::memory_order_relaxed); }

}  // namespace recio
