#include "recio/messages.hpp"

#include <cstdio>

#include "platform/platform.hpp"
#include "recio/texts.hpp"

namespace recio {

std::string message_text(Message message, std::int32_t unit, std::string_view file_name) {
  const char* const catalogued = catalogue_text(message);
  if (catalogued == nullptr) return {};
  std::string text;
  for (const char* at = catalogued; *at != '\0'; ++at) {
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
  const char* const catalogued = catalogue_text(message);
  if (catalogued == nullptr) return 0;
  const int length =
      std::snprintf(out.data(), out.size(), "%.*ssevere (%d): %s%.*s", static_cast<int>(diagnostic_prefix.size()),
                    diagnostic_prefix.data(), message_number(message), catalogued, static_cast<int>(record_end.size()),
                    record_end.data());
  return length > 0 && static_cast<std::size_t>(length) < out.size() ? static_cast<std::size_t>(length) : 0;
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
