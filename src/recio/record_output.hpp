// Write statements: list-directed, formatted and non-advancing records.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "recio/format.hpp"

namespace recio {

// One item of a write statement: text, a 32-bit integer or a single real.
struct OutputItem {
  enum class Kind { text, integer, real };
  Kind kind;
  std::string_view text;
  std::int32_t integer = 0;
  float real = 0.0f;

  OutputItem(std::string_view t) : kind(Kind::text), text(t) {}
  OutputItem(const char* t) : kind(Kind::text), text(t) {}
  OutputItem(std::int32_t i) : kind(Kind::integer), integer(i) {}
  OutputItem(float r) : kind(Kind::real), real(r) {}
};

// An item of a list-directed record: the program writes text and integers
// so, never reals.
struct ListItem {
  bool is_text;
  std::string_view text;
  std::int32_t integer = 0;

  ListItem(std::string_view t) : is_text(true), text(t) {}
  ListItem(const char* t) : is_text(true), text(t) {}
  ListItem(std::int32_t i) : is_text(false), integer(i) {}
};

enum class Advance { yes, no };

// One list-directed record: a leading blank, text unchanged, integers in 12
// columns right-justified.
void write_list(std::int32_t unit, std::initializer_list<ListItem> items);

// One formatted record from column 1; a non-advancing record stays open
// without a line end (console prompts).
void write_formatted(std::int32_t unit, const Format& format, std::initializer_list<OutputItem> items,
                     Advance advance = Advance::yes);

// The record text alone, without its line end.
void build_list_record(std::string& record, std::span<const ListItem> items);
void build_formatted_record(std::string& record, const Format& format, std::span<const OutputItem> items);

}  // namespace recio
