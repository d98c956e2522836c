// The run-time message catalogue and the fatal diagnostic that ends a run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "recio/platform.hpp"

namespace recio {

// Catalogue numbers used by the program.
enum Message : int {
  msg_permission_denied = 9,
  msg_rewind_error = 20,
  msg_end_of_file = 24,
  msg_close_error = 28,
  msg_file_not_found = 29,
  msg_open_failure = 30,
  msg_write_error = 38,
  msg_read_error = 39,
  msg_no_memory = 41,
  msg_no_such_device = 42,
  msg_bad_file_name = 43,
  msg_keyword_value = 45,
  msg_write_read_only = 47,
  msg_syntax_error = 59,
  msg_conversion_error = 64,
  msg_already_allocated = 151,
  msg_not_allocated = 153,
  msg_interrupted = 200,
};

// The catalogue text of message `number` with the unit and file filled in
// where the text has placeholders; empty for an unknown number.
std::string message_text(int number, std::int32_t unit, std::string_view file_name);

// "forrtl: severe (N): text" with CR LF; likewise "error" and "info".
std::string diagnostic_line(std::string_view severity, int number, std::string_view text);

// One line of its own on standard error, ending with CR LF, whatever its
// length; the run goes on. For what the user must know about the data used.
void write_warning(std::string_view line);

// Ends the run: a line feed after a pending console prompt, the system's
// error text when there is one (os_error != 0), the message line on standard
// error, every unit closed, exit status 0xC0000000 + number.
[[noreturn]] void fatal_diagnostic(int number, std::int32_t unit, std::string_view file_name,
                                   platform::ErrorCode os_error = 0);

// The same for a unit in the unit table: its file name is used.
[[noreturn]] void fatal_on_unit(int number, std::int32_t unit, platform::ErrorCode os_error = 0);

// Sets up the console-interrupt diagnostic (message 200) for the whole run.
void install_interrupt_diagnostic();

// Makes every failed allocation of the run end with message 41 through the
// fatal path, which then allocates nothing itself.
void install_memory_diagnostic();

}  // namespace recio
