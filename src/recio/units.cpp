// The statements on units: opening, rewinding and closing connections, and
// putting records out; the ones that fail end the run here. Records come in
// in unit_input.cpp; the table itself is unit_table.cpp.
#include "recio/units.hpp"

#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "recio/messages.hpp"
#include "recio/run_end.hpp"
#include "recio/unit.hpp"
#include "recio/unit_table.hpp"

namespace recio {

namespace {

// A name field is taken as text of at most this many characters, and a full
// path this long or longer is not formed: the name is used as typed.
constexpr std::size_t longest_name = 256;

// Puts a fully prepared unit into the table; a full table ends the run.
Unit& enter(std::int32_t number, std::string name, platform::FileHandle handle) {
  Unit* unit = enter_unit(number, name, handle);
  if (unit == nullptr) {
    platform::close_file(handle);
    fatal_diagnostic(Message::open_failure, number, name, 0);
  }
  return *unit;
}

Unit& console_unit(std::int32_t number) {
  if (Unit* unit = find_unit(number)) return *unit;
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

void connect_named(std::int32_t number, std::string_view name_field, WhenMissing when_missing, const tiral::NameAnswer& answer,
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

void open_named(std::int32_t number, std::string_view name_field, WhenMissing when_missing, const tiral::NameAnswer& answer,
                const OpenOptions& options) {
  close_unit(number);
  connect_named(number, name_field, when_missing, answer, options);
}

void open_scratch(std::int32_t number) {
  close_unit(number);
  connect_scratch(number);
}

void rewind_unit(std::int32_t number) {
  Unit* unit = find_unit(number);
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
  const Unit* unit = find_unit(number);
  return unit != nullptr && unit->regular_file;
}

void close_unit(std::int32_t number) {
  Unit* unit = find_unit(number);
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

Unit& statement_unit_not_indexed(std::int32_t number) {
  if (number == keyboard_unit || number == screen_unit) return console_unit(number);
  Unit* unit = find_unit(number);
  if (unit == nullptr) fatal_diagnostic(Message::open_failure, number, "", 0);
  return *unit;
}

bool unit_connected(std::int32_t number) { return find_unit(number) != nullptr; }

std::int64_t records_taken(std::int32_t number) {
  const Unit* unit = find_unit(number);
  return unit != nullptr ? unit->records_taken : 0;
}

platform::FileStamp unit_file_stamp(std::int32_t number) {
  const Unit* unit = find_unit(number);
  return unit != nullptr && !unit->console ? platform::file_stamp(unit->handle) : platform::FileStamp{};
}

std::int32_t unit_number(const Unit& unit) { return unit.number; }

const std::string& unit_name(const Unit& unit) { return unit.name; }

// ---- output statements

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
  mark_prompt_pending(!advance);
  if (const auto error = platform::write_all(unit.handle, bytes.data(), bytes.size()); error != 0) {
    fatal_on_unit(Message::write_error, unit.number, error);
  }
}

}  // namespace

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

}  // namespace recio
