// Formats of edit descriptors (A, I, F), fixed when the program is built.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "recio/characters.hpp"

namespace recio {

struct EditDescriptor {
  char kind = 'A';   // 'A', 'I' or 'F'
  int width = 0;     // w: 0 for a bare A, which takes the item's length
  int decimals = 0;  // d of Fw.d
};

struct Format {
  std::array<EditDescriptor, 16> descriptors{};
  int count = 0;  // repeat counts already expanded
};

// What blanks in a numeric input field stand for: nothing, or zeros. Chosen
// per unit when it is opened.
enum class BlankMode { null, zero };

namespace format_detail {
constexpr int take_number(std::string_view text, std::size_t& at) {
  int value = 0;
  while (at < text.size() && is_digit(text[at])) value = value * 10 + (text[at++] - '0');
  return value;
}
}  // namespace format_detail

// Parses "(A8,4F12.2)" and the like; a malformed text does not compile when
// used in a constant expression, since the throw is not constant.
constexpr Format parse_format(std::string_view text) {
  using namespace format_detail;
  Format format;
  if (text.size() < 2 || text.front() != '(' || text.back() != ')') throw "format needs parentheses";
  const std::string_view body = text.substr(1, text.size() - 2);
  std::size_t at = 0;
  while (at < body.size()) {
    int repeat = 1;
    if (is_digit(body[at])) repeat = take_number(body, at);
    if (at >= body.size()) throw "descriptor missing";
    EditDescriptor descriptor;
    descriptor.kind = body[at++];
    if (descriptor.kind != 'A' && descriptor.kind != 'I' && descriptor.kind != 'F') throw "unknown descriptor";
    descriptor.width = take_number(body, at);
    if (descriptor.kind == 'F') {
      if (at >= body.size() || body[at] != '.') throw "F needs w.d";
      ++at;
      descriptor.decimals = take_number(body, at);
    }
    if (descriptor.kind != 'A' && descriptor.width == 0) throw "width missing";
    for (int i = 0; i < repeat; ++i) {
      if (format.count == static_cast<int>(format.descriptors.size())) throw "too many descriptors";
      format.descriptors[static_cast<std::size_t>(format.count++)] = descriptor;
    }
    if (at < body.size()) {
      if (body[at] != ',') throw "comma expected";
      ++at;
    }
  }
  return format;
}

}  // namespace recio
