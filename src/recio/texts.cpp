#include "recio/texts.hpp"

namespace recio {

namespace {

constexpr WarningText warnings[] = {
    {WarningKind::no_date, "{count} lines of the input file begin with no date and are not used (first: line {line}).",
     "1 line of the input file begins with no date and is not used (line {line})."},
    {WarningKind::before_first_year,
     "{count} records are dated before 1 January {year}, the first year, and are not used (first: line {line}).",
     "1 record is dated before 1 January {year}, the first year, and is not used (line {line})."},
    {WarningKind::going_back,
     "{count} records repeat the date of a record before them or go back to an earlier date, and are not used "
     "(first: line {line}).",
     "1 record repeats the date of a record before it or goes back to an earlier date, and is not used (line "
     "{line})."},
    {WarningKind::not_numbers, "{count} values are not numbers and count as no-data (first: line {line}).",
     "1 value is not a number and counts as no-data (line {line})."},
    {WarningKind::days_without_record,
     "{count} days have no record and count as no-data in all three columns (first: {date}).",
     "1 day has no record and counts as no-data in all three columns ({date})."},
    {WarningKind::unreadable_line,
     "line {line} of the input file cannot be read; reading stops there, after {records} records.",
     "line {line} of the input file cannot be read; reading stops there, after 1 record."},
    {WarningKind::file_ends_inside_record,
     "the input file ends inside a record; reading stops there, after {records} records.",
     "the input file ends inside a record; reading stops there, after 1 record."},
    {WarningKind::no_record, "the input file holds no record.", ""},
    {WarningKind::decimal_commas,
     "{count} records seem to use decimal commas, which here separate values (first: line {line}).",
     "1 record seems to use decimal commas, which here separate values (line {line})."},
    {WarningKind::text_after_values,
     "{count} records have text after the values read, which is not used (first: line {line}).",
     "1 record has text after the values read, which is not used (line {line})."},
    {WarningKind::several_lines, "{count} records go on over more than one line (first: line {line}).",
     "1 record goes on over more than one line (line {line})."},
    {WarningKind::empty_values,
     "{count} records leave a value empty, which keeps the last value read in its column (first: line {line}).",
     "1 record leaves a value empty, which keeps the last value read in its column (line {line})."},
    {WarningKind::words, "{count} records hold a word, read as the number -1 or 0 (first: line {line}).",
     "1 record holds a word, read as the number -1 or 0 (line {line})."},
    {WarningKind::temperatures_beyond_observed,
     "{count} temperatures lie below -90 or above 60 degrees Celsius, beyond any ever observed, and are used as "
     "they are (first: line {line}).",
     "1 temperature lies below -90 or above 60 degrees Celsius, beyond any ever observed, and is used as it is "
     "(line {line})."},
    {WarningKind::minimum_above_maximum,
     "on {count} days the minimum temperature is above the maximum (first: line {line}).",
     "on 1 day the minimum temperature is above the maximum (line {line})."},
    {WarningKind::humidity_in_fractions, "every humidity is 1 or less; humidity is read in percent.", ""},
    {WarningKind::column_without_value, "every {column} value is no-data, so its means are NaN.", ""},
    {WarningKind::too_few_records, "fewer than 365 records make no whole year; no record is used.", ""},
    {WarningKind::last_records_unused, "the last {count} records fall after 31 December {year} and are not used.",
     "the last record falls after 31 December {year} and is not used."},
    {WarningKind::records_end_early, "the records end {count} days before 31 December {year}.",
     "the records end 1 day before 31 December {year}."},
    {WarningKind::failing_months,
     "{count} months of the record miss 11 or more days or 5 in a row, more than the WMO rule allows for a monthly "
     "mean; their missing values are filled with the file means (first: {month} {year}).",
     "1 month of the record misses 11 or more days or 5 in a row, more than the WMO rule allows for a monthly "
     "mean; its missing values are filled with the file means ({month} {year})."},
};

constexpr MessageText catalogue[] = {
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

// A fatal message's status: its text up to the unit says what went wrong.
constexpr ExitStatusText fatal(Message message) {
  std::string_view text;
  for (const auto& entry : catalogue) {
    if (entry.message == message) text = entry.text;
  }
  return {message_number(message), fatal_exit_status(message), text.substr(0, text.find(", unit"))};
}

// The interrupt statuses are the platform's (platform_posix.cpp, platform_win32.cpp).
constexpr ExitStatusText exit_statuses[] = {
    {0, 0, "the report is written"},
    {3, 3, "a command line refused"},
    fatal(Message::permission_denied),
    fatal(Message::rewind_error),
    fatal(Message::end_of_file),
    fatal(Message::close_error),
    fatal(Message::file_not_found),
    fatal(Message::open_failure),
    fatal(Message::write_error),
    fatal(Message::read_error),
    fatal(Message::no_memory),
    fatal(Message::no_such_device),
    fatal(Message::bad_file_name),
    fatal(Message::write_read_only),
    fatal(Message::syntax_error),
    fatal(Message::conversion_error),
    {130, 0xC000013A, interrupt_words[0]},
    {1, 1, interrupt_words[1]},
    {2, 2, interrupt_words[2]},
    {143, -1, interrupt_words[3]},
};

}  // namespace

std::span<const WarningText> warning_texts() { return warnings; }

const WarningText& warning_text(WarningKind kind) {
  for (const auto& entry : warnings) {
    if (entry.kind == kind) return entry;
  }
  return warnings[0];  // every kind is in the table (texts_test.cpp)
}

std::string fill_text(std::string_view text, std::span<const TextValue> values) {
  std::string line;
  line.reserve(text.size() + 32);
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find('{', at);
    const std::size_t close = open == std::string_view::npos ? open : text.find('}', open);
    if (close == std::string_view::npos) break;
    line += text.substr(at, open - at);
    const std::string_view name = text.substr(open + 1, close - open - 1);
    const TextValue* found = nullptr;
    for (const auto& value : values) {
      if (value.name == name) found = &value;
    }
    line += found != nullptr ? found->value : text.substr(open, close - open + 1);
    at = close + 1;
  }
  if (at < text.size()) line += text.substr(at);
  return line;
}

std::span<const MessageText> message_texts() { return catalogue; }

const char* catalogue_text(Message message) {
  for (const auto& entry : catalogue) {
    if (entry.message == message) return entry.text;
  }
  return nullptr;
}

std::span<const ExitStatusText> exit_status_texts() { return exit_statuses; }

}  // namespace recio
