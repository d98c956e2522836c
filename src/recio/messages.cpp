#include "recio/messages.hpp"

#include <cstdio>

#include "platform/platform.hpp"

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

std::size_t severe_line_without_heap(int number, std::span<char> out) {
  for (const auto& entry : catalogue) {
    if (entry.number != number) continue;
    const int length = std::snprintf(out.data(), out.size(), "forrtl: severe (%d): %s%s", number, entry.text, line_end);
    return length > 0 && static_cast<std::size_t>(length) < out.size() ? static_cast<std::size_t>(length) : 0;
  }
  return 0;
}

void write_warning(std::string_view line) {
  std::string text(line);
  text += line_end;
  platform::write_all(platform::standard_error(), text.data(), text.size());
}

}  // namespace recio
