// The unit table as a whole: the index that statements find their units
// by, and the closing of every unit when a run ends, normally, by a fatal
// diagnostic or by an interrupt. It never ends the run itself, so the end of
// a run can rely on it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace recio {

constexpr std::int32_t keyboard_unit = 5;  // standard input, "CONIN$"
constexpr std::int32_t screen_unit = 6;    // standard output, "CONOUT$"

struct Unit;

// The units numbered below unit_index_size, found without a search: every
// statement of a large file's records looks its unit up this way.
constexpr std::int32_t unit_index_size = 512;
extern std::array<Unit*, unit_index_size> unit_index;

// Closes every connected unit as at the end of the run; never fails. A
// whole-file unit still open was not finished: its new file is deleted.
void close_all_units();

// The same from inside an interrupt handler: only async-signal-safe work.
// Completed records of disk files reach their files; nothing else is done.
void close_all_units_in_interrupt();

// The name of a unit's file as diagnostics give it; "CONIN$" and "CONOUT$"
// for the console, empty for a unit not connected.
std::string unit_file_name(std::int32_t unit);

// A console prompt is out without its line end and its answer not yet read.
bool console_prompt_pending();

}  // namespace recio
