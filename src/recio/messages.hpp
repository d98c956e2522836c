// The lines that carry the numbered messages (their texts are in texts.cpp)
// and the warnings. The fatal end of a run is in run_end.hpp,
// since it closes every unit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "recio/status.hpp"

namespace recio {

// Every record ends with these two bytes, on files and on the console.
inline constexpr std::string_view record_end = "\r\n";
// The start of every diagnostic line.
inline constexpr std::string_view diagnostic_prefix = "forrtl: ";

// The catalogue text of message `number` with the unit and file filled in
// where the text has placeholders; empty for an unknown number.
std::string message_text(Message message, std::int32_t unit, std::string_view file_name);

// "forrtl: severe (N): text" with CR LF; likewise "error" (the interrupt).
std::string diagnostic_line(std::string_view severity, Message message, std::string_view text);

// The "severe" line of a message without placeholders, composed into `out`
// without the heap, which may be what has run out when the line is needed.
// Returns its length; 0 for an unknown number or a line that does not fit.
std::size_t severe_line_without_heap(Message message, std::span<char> out);

// One line of its own on standard error, ending with CR LF, whatever its
// length; the run goes on. For what the user must know about the data used.
void write_warning(std::string_view line);

// A warning line could not be written (standard error closed, full, a pipe
// whose reader is gone): the run must not end as a success.
bool warnings_lost();

}  // namespace recio
