#include "run/arguments.hpp"

#include <string>

#include "platform/platform.hpp"
#include "platform/status.hpp"
#include "recio/messages.hpp"

#ifndef TIRAL_VERSION
#error "TIRAL_VERSION comes from project(tiral VERSION ...)"
#endif

namespace tiral {

namespace {

// Every console line of the program ends with CR LF, these too.
constexpr std::string_view usage_lines[] = {
    "Usage: tiral                (then answer its three questions)",
    "       tiral --help | -h    this text",
    "       tiral --version | -V its version",
    "",
    "tiral reads a plain-text file of daily weather records, one day per line",
    "from 1 January (maximum temperature, minimum temperature, mean relative",
    "humidity), and writes a report of the monthly means and the mean daily",
    "dew point temperature of each month.",
    "",
    "It asks three questions on standard input, one answer per line:",
    "  Input Filename      the file of daily records",
    "  Output Filename     the report to write (never the input file)",
    "  First year (yyyy)   the year of the first record",
    "Quote a name that holds blanks: \"my data.txt\".",
    "",
    "A batch answers from a pipe:",
    "  printf 'climate.txt\\nreport.txt\\n1991\\n' | tiral >/dev/null",
    "",
    "Warnings and failures go to standard error; the exit status is 0 when the",
    "report is written. The manual page: man tiral (in the sources,",
    "man -l doc/tiral.1; on Windows, README.txt beside tiral.exe).",
};

std::string with_line_end(std::string_view line) { return std::string(line) + std::string(recio::record_end); }

int say(platform::FileHandle stream, const std::string& text, int status) {
  if (platform::write_all(stream, text.data(), text.size()) != 0) {
    // A reader that is gone must not look like a success.
    platform::exit_process(recio::fatal_exit_status(recio::Message::write_error));
  }
  return status;
}

// A status no other end of a run uses.
constexpr int unknown_argument_status = 3;

}  // namespace

std::optional<int> answer_arguments(std::span<const std::string_view> arguments) {
  if (arguments.empty()) return std::nullopt;
  const auto known = [](std::string_view a) { return a == "--help" || a == "-h" || a == "--version" || a == "-V"; };
  for (const std::string_view argument : arguments) {
    if (!known(argument)) {
      return say(platform::standard_error(),
                 with_line_end("tiral: unknown argument '" + std::string(argument) +
                               "'; tiral asks for its input (see tiral --help)"),
                 unknown_argument_status);
    }
  }
  const std::string_view first = arguments.front();
  if (first == "--help" || first == "-h") {
    std::string text;
    for (const std::string_view line : usage_lines) text += with_line_end(line);
    return say(platform::standard_output(), text, 0);
  }
  return say(platform::standard_output(), with_line_end("tiral " TIRAL_VERSION), 0);
}

}  // namespace tiral
