#include "recio/messages.hpp"

#include <array>
#include <atomic>
#include <cstdio>
#include <new>

#include "recio/units.hpp"

namespace recio {

namespace {

struct CatalogueEntry {
  int number;
  const char* text;  // %d: unit number, %s: file name
};

constexpr CatalogueEntry catalogue[] = {
    {msg_permission_denied, "permission to access file denied, unit %d, file %s"},
    {msg_rewind_error, "REWIND error, unit %d, file %s"},
    {msg_end_of_file, "end-of-file during read, unit %d, file %s"},
    {msg_close_error, "CLOSE error, unit %d, file %s"},
    {msg_file_not_found, "file not found, unit %d, file %s"},
    {msg_open_failure, "open failure, unit %d, file %s"},
    {msg_write_error, "error during write, unit %d, file %s"},
    {msg_read_error, "error during read, unit %d, file %s"},
    {msg_no_memory, "insufficient virtual memory"},
    {msg_no_such_device, "no such device, unit %d, file %s"},
    {msg_bad_file_name, "file name specification error, unit %d, file %s"},
    {msg_keyword_value, "keyword value error in OPEN statement, unit %d, file %s"},
    {msg_write_read_only, "write to READONLY file, unit %d, file %s"},
    {msg_syntax_error, "list-directed I/O syntax error, unit %d, file %s"},
    {msg_conversion_error, "input conversion error, unit %d, file %s"},
    {msg_already_allocated, "allocatable array is already allocated"},
    {msg_not_allocated, "allocatable array or pointer is not allocated"},
    {msg_interrupted, "program aborting due to %s event"},
};

constexpr const char* line_end = "\r\n";

void write_to(platform::FileHandle handle, std::string_view text) {
  platform::write_all(handle, text.data(), text.size());
}

}  // namespace

std::string message_text(int number, std::int32_t unit, std::string_view file_name) {
  for (const auto& entry : catalogue) {
    if (entry.number != number) continue;
    std::string text;
    for (const char* at = entry.text; *at != '\0'; ++at) {
      if (at[0] == '%' && at[1] == 'd') {
        text += std::to_string(unit);
        ++at;
      } else if (at[0] == '%' && at[1] == 's') {
        text += file_name;
        ++at;
      } else {
        text += *at;
      }
    }
    return text;
  }
  return {};
}

std::string diagnostic_line(std::string_view severity, int number, std::string_view text) {
  std::string line = "forrtl: ";
  line += severity;
  line += " (";
  line += std::to_string(number);
  line += "): ";
  line += text;
  line += line_end;
  return line;
}

void write_warning(std::string_view line) {
  std::string text(line);
  text += line_end;
  write_to(platform::standard_error(), text);
}

void fatal_diagnostic(int number, std::int32_t unit, std::string_view file_name, platform::ErrorCode os_error) {
  // The message starts on a line of its own even after an unanswered prompt.
  if (console_prompt_pending()) write_to(platform::standard_output(), "\n");
  if (os_error != 0) {
    write_to(platform::standard_error(), "forrtl: " + platform::error_text(os_error) + line_end);
  }
  write_to(platform::standard_error(), diagnostic_line("severe", number, message_text(number, unit, file_name)));
  close_all_units();
  platform::exit_process(fatal_exit_status(number));
}

void fatal_on_unit(int number, std::int32_t unit, platform::ErrorCode os_error) {
  fatal_diagnostic(number, unit, unit_file_name(unit), os_error);
}

namespace {

// Built before any interrupt can arrive: the handler itself only writes.
struct InterruptLines {
  std::array<std::string, 4> lines;  // control-C, control-BREAK, menu-CLOSE, unknown
};
InterruptLines interrupt_lines;

std::size_t event_index(platform::ConsoleEvent event) {
  switch (event) {
    case platform::ConsoleEvent::control_c:
      return 0;
    case platform::ConsoleEvent::control_break:
      return 1;
    case platform::ConsoleEvent::menu_close:
      return 2;
    case platform::ConsoleEvent::other:
      break;
  }
  return 3;
}

void on_interrupt(platform::Interrupt interrupt) {
  if (console_prompt_pending()) write_to(platform::standard_output(), "\n");
  const std::string& line = interrupt_lines.lines[event_index(interrupt.event)];
  platform::write_all(platform::standard_error(), line.data(), line.size());
  close_all_units_in_interrupt();
  platform::exit_process(static_cast<std::uint32_t>(interrupt.exit_status));
}

}  // namespace

namespace {

// Composed without the heap, which is what has run out when it is needed.
std::array<char, 128> memory_line{};
int memory_line_size = 0;

[[noreturn]] void out_of_memory() {
  // An allocation failing inside this path must not come back here.
  static std::atomic<bool> entered{false};
  if (!entered.exchange(true)) {
    if (console_prompt_pending()) write_to(platform::standard_output(), "\n");
    write_to(platform::standard_error(), std::string_view(memory_line.data(), static_cast<std::size_t>(memory_line_size)));
    close_all_units();
  }
  platform::exit_process(fatal_exit_status(msg_no_memory));
}

}  // namespace

void install_memory_diagnostic() {
  for (const auto& entry : catalogue) {
    if (entry.number != msg_no_memory) continue;
    memory_line_size = std::snprintf(memory_line.data(), memory_line.size(), "forrtl: severe (%d): %s%s", entry.number,
                                     entry.text, line_end);
  }
  std::set_new_handler(out_of_memory);
}

void install_interrupt_diagnostic() {
  const char* words[] = {"control-C", "control-BREAK", "menu-CLOSE", "unknown"};
  for (std::size_t i = 0; i < interrupt_lines.lines.size(); ++i) {
    interrupt_lines.lines[i] = diagnostic_line("error", msg_interrupted, message_text(msg_interrupted, 0, words[i]));
  }
  platform::install_interrupt_handler(on_interrupt);
}

}  // namespace recio
