// The unit table: connections by number, their opening and closing. Records
// go out in unit_output.cpp and come in in unit_input.cpp.
#include "recio/units.hpp"

#include <array>
#include <atomic>
#include <memory>
#include <new>
#include <utility>

#include "recio/messages.hpp"
#include "recio/run_end.hpp"
#include "recio/unit_table.hpp"

namespace recio {

std::array<Unit*, unit_index_size> unit_index{};

namespace {

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

Unit& console_unit(std::int32_t number) {
  if (Unit* unit = find(number)) return *unit;
  const bool keyboard = number == keyboard_unit;
  Unit& unit = enter(number, keyboard ? "CONIN$" : "CONOUT$",
                     keyboard ? platform::standard_input() : platform::standard_output());
  unit.console = true;
  unit.start_checked = true;  // typed answers are taken as they come
  return unit;
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

void remove_unit(Unit& unit) {
  const auto slot = static_cast<std::size_t>(&unit - table.data());
  if (unit.number >= 0 && unit.number < unit_index_size) unit_index[static_cast<std::size_t>(unit.number)] = nullptr;
  in_use[slot].store(false, std::memory_order_release);
  reset(unit);
}

void drop_connection(Unit& unit) {
  if (unit.replacing.exchange(false)) {
    platform::discard_replacement(unit.handle, unit.new_path.c_str());
  } else if (!unit.console) {
    platform::close_file(unit.handle);
  }
}

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
  remove_unit(*unit);
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
    remove_unit(unit);
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
    close_in_interrupt(unit);
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

}  // namespace recio
