// The classes of characters that the readers and the checks of data ask for.
#pragma once

#include <cstddef>
#include <string_view>

namespace recio {

// One unsigned comparison: '0' to '9' and nothing else falls below 10.
constexpr bool is_digit(char c) { return static_cast<unsigned char>(c - '0') < 10; }
constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }
constexpr bool is_exponent_letter(char c) {
  return c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == 'Q' || c == 'q';
}

// The text without the blanks and tabs at either end.
constexpr std::string_view without_outer_blanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

// ASCII letters compared without their case; other bytes as they are.
constexpr char lower_case(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool equal_ignoring_case(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (lower_case(text[i]) != lower_case(word[i])) return false;
  }
  return true;
}

}  // namespace recio
