// The end of a run other than its normal end: the fatal diagnostic, a
// console interrupt and memory that cannot be had. Each closes every unit
// before the process ends, so no work file survives.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/platform.hpp"
#include "recio/status.hpp"

namespace recio {

// Ends the run: a line feed after a pending console prompt, the system's
// error text when there is one (os_error != 0), the message line on standard
// error, every unit closed, exit status fatal_exit_status(message).
[[noreturn]] void fatal_diagnostic(Message message, std::int32_t unit, std::string_view file_name,
                                   platform::ErrorCode os_error = 0);

// The same for a unit in the unit table: its file name is used.
[[noreturn]] void fatal_on_unit(Message message, std::int32_t unit, platform::ErrorCode os_error = 0);

// Sets up the console-interrupt diagnostic (message 200) for the whole run.
void install_interrupt_diagnostic();

// Makes every failed allocation of the run end with message 41 through the
// fatal path, which then allocates nothing itself.
void install_memory_diagnostic();

}  // namespace recio
