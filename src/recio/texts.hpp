// The texts the documents repeat, held once: the warning lines, the message
// catalogue and what each exit status means. The program composes its lines
// from here; tests/docs holds README.md, the manual page and the Windows
// README to the same words.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "recio/status.hpp"
#include "state/per_column.hpp"

namespace recio {

// ---- Warnings ----

// The start of every warning line (write_warning adds the line end).
inline constexpr std::string_view warning_prefix = " Warning: ";

enum class WarningKind {
  no_date,
  before_first_year,
  going_back,
  not_numbers,
  days_without_record,
  unreadable_line,
  file_ends_inside_record,
  no_record,
  decimal_commas,
  text_after_values,
  several_lines,
  empty_values,
  words,
  temperatures_beyond_observed,
  minimum_above_maximum,
  humidity_in_fractions,
  column_without_value,
  too_few_records,
  last_records_unused,
  records_end_early,
  failing_months,
};

// A warning's line after the prefix. Placeholders are `{name}`: {count},
// {line}, {records}, {year}, {date}, {month} stand for numbers, dates and
// month names, {column} for one of `column_labels`.
struct WarningText {
  WarningKind kind;
  std::string_view several;  // the line for a count other than one
  std::string_view one;      // the line for a count of one, its 1 written out; empty: no such form
};

// Every warning, in the order of the kinds.
std::span<const WarningText> warning_texts();
const WarningText& warning_text(WarningKind kind);

// The daily columns as warnings name them.
inline constexpr std::array<std::string_view, 3> column_labels = {
    tiral::column_name(tiral::Column::tmp_max), tiral::column_name(tiral::Column::tmp_min),
    tiral::column_name(tiral::Column::hmd)};

// One placeholder's value.
struct TextValue {
  std::string_view name;  // without the braces
  std::string_view value;
};

// `text` with each {name} of `values` replaced by its value; any other
// brace stays as it is.
std::string fill_text(std::string_view text, std::span<const TextValue> values);
inline std::string fill_text(std::string_view text, std::initializer_list<TextValue> values) {
  return fill_text(text, std::span<const TextValue>(values.begin(), values.size()));
}

// ---- Diagnostics ----

// A numbered message of the catalogue: %d is the unit number, %s the file
// name (the event's word for message 200).
struct MessageText {
  Message message;
  const char* text;
};
std::span<const MessageText> message_texts();

// The catalogue text of `message`; null for a number not in it.
const char* catalogue_text(Message message);

// The words of the interrupt line "program aborting due to WORD event", in
// the order control-C, control-BREAK, menu-CLOSE, any other event.
inline constexpr std::array<std::string_view, 4> interrupt_words = {"control-C", "control-BREAK", "menu-CLOSE",
                                                                    "unknown"};

// ---- Exit statuses ----

// One status a user can meet.
struct ExitStatusText {
  std::int32_t status;        // what a POSIX parent sees
  std::int64_t windows_code;  // the Windows exit code; -1: the console event's own number
  std::string_view meaning;   // a message's text before its unit, an event's word, or what the run did
};

// Every exit status a run can end with.
std::span<const ExitStatusText> exit_status_texts();

// The Windows code as cmd.exe's %ERRORLEVEL% shows it: a signed 32-bit number.
constexpr std::int64_t errorlevel_of(std::int64_t windows_code) {
  return windows_code >= 0x80000000 ? windows_code - 0x100000000 : windows_code;
}

}  // namespace recio
