// The run-time message catalogue and the fatal diagnostic that ends a run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "recio/platform.hpp"
#include "recio/status.hpp"

namespace recio {

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
