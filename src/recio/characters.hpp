// The classes of characters that the readers and the checks of data ask for.
#pragma once

namespace recio {

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace recio
