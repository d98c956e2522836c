#include "recio/messages.hpp"

#include <cstdio>

#include "platform/platform.hpp"

namespace recio {

namespace {

struct CatalogueEntry {
  Message message;
  const char* text;  // %d: unit number, %s: file name
};

constexpr CatalogueEntry catalogue[] = {
    {Message::permission_denied, "permission to access file denied, unit %d, file %s"},
    {Message::rewind_error, "REWIND error, unit %d, file %s"},
    {Message::end_of_file, "end-of-file during read, unit %d, file %s"},
    {Message::close_error, "CLOSE error, unit %d, file %s"},
    {Message::file_not_found, "file not found, unit %d, file %s"},
    {Message::open_failure, "open failure, unit %d, file %s"},
    {Message::write_error, "error during write, unit %d, file %s"},
    {Message::read_error, "error during read, unit %d, file %s"},
    {Message::no_memory, "insufficient virtual memory"},
    {Message::no_such_device, "no such device, unit %d, file %s"},
    {Message::bad_file_name, "file name specification error, unit %d, file %s"},
    {Message::write_read_only, "write to READONLY file, unit %d, file %s"},
    {Message::syntax_error, "list-directed I/O syntax error, unit %d, file %s"},
    {Message::conversion_error, "input conversion error, unit %d, file %s"},
    {Message::already_allocated, "allocatable array is already allocated"},
    {Message::not_allocated, "allocatable array or pointer is not allocated"},
    {Message::interrupted, "program aborting due to %s event"},
};

}  // namespace

std::string message_text(Message message, std::int32_t unit, std::string_view file_name) {
  for (const auto& entry : catalogue) {
    if (entry.message != message) continue;
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

std::string diagnostic_line(std::string_view severity, Message message, std::string_view text) {
  std::string line(diagnostic_prefix);
  line += severity;
  line += " (";
  line += std::to_string(message_number(message));
  line += "): ";
  line += text;
  line += record_end;
  return line;
}

std::size_t severe_line_without_heap(Message message, std::span<char> out) {
  for (const auto& entry : catalogue) {
    if (entry.message != message) continue;
    const int length =
        std::snprintf(out.data(), out.size(), "%.*ssevere (%d): %s%.*s", static_cast<int>(diagnostic_prefix.size()),
                      diagnostic_prefix.data(), message_number(message), entry.text,
                      static_cast<int>(record_end.size()), record_end.data());
    return length > 0 && static_cast<std::size_t>(length) < out.size() ? static_cast<std::size_t>(length) : 0;
  }
  return 0;
}

namespace {
bool lost_warning = false;
}  // namespace

void write_warning(std::string_view line) {
  std::string text(line);
  text += record_end;
  if (platform::write_all(platform::standard_error(), text.data(), text.size()) != 0) lost_warning = true;
}

bool warnings_lost() { return lost_warning; }

}  // namespace recio
