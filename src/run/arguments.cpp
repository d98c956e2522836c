#include "run/arguments.hpp"

#include <cstdint>
#include <string>

#include "platform/platform.hpp"
#include "recio/messages.hpp"
#include "recio/status.hpp"

#ifndef TIRAL_VERSION
#error "TIRAL_VERSION comes from project(tiral VERSION ...)"
#endif

namespace tiral {

namespace {

// Every console line of the program ends with CR LF, these too.
constexpr std::string_view usage_lines[] = {
    "Usage: tiral [OPTIONS]                           then answer its questions",
    "       tiral [OPTIONS] INPUT REPORT [FIRST_YEAR] the answers as operands",
    "       tiral --help | -h                         this text",
    "       tiral --version | -V                      its version",
    "",
    "tiral reads a plain-text file of daily weather records, one day per line",
    "from 1 January (maximum temperature, minimum temperature, mean relative",
    "humidity), and writes a report of the monthly means and the mean daily",
    "dew point temperature of each month.",
    "",
    "Without operands it asks three questions on standard input, one answer",
    "per line:",
    "  Input Filename      the file of daily records",
    "  Output Filename     the report to write (never the input file)",
    "  First year (yyyy)   the year of the first record",
    "Quote a name that holds blanks: \"my data.txt\". A quotation mark left",
    "open joins the next line to the name; answer a lone \" to close it.",
    "",
    "With operands it asks nothing and prints nothing on standard output:",
    "  INPUT REPORT        the answers, each name taken exactly as given",
    "  FIRST_YEAR          optional for a file with dates (the year of its",
    "                      first dated record), needed for a file without",
    "  --                  ends the options, before a name or a year that",
    "                      begins with -: tiral -- -data.txt out.txt -5",
    "",
    "Options:",
    "  --table FILE        also write the monthly means as CSV to FILE",
    "  --chart FILE.svg    also draw them as an SVG chart in FILE.svg",
    "",
    "A batch runs a station a command:",
    "  tiral climate.txt reports/climate.txt.report 1991",
    "",
    "Warnings and failures go to standard error; the exit status is 0 when the",
    "report is written, 3 for a command line it refuses.",
    "The manual page: man tiral (in the sources, man -l doc/tiral.1; on",
    "Windows, README.txt beside tiral.exe).",
};

constexpr std::string_view usage_reason =
    "usage: tiral [--table FILE] [--chart FILE.svg] INPUT REPORT [FIRST_YEAR], or tiral [OPTIONS] alone to be asked "
    "(see tiral --help)";

std::string with_line_end(std::string_view line) { return std::string(line) + std::string(recio::record_end); }

int say(platform::FileHandle stream, const std::string& text, int status) {
  if (platform::write_all(stream, text.data(), text.size()) != 0) {
    // A reader that is gone must not look like a success.
    platform::exit_process(recio::fatal_exit_status(recio::Message::write_error));
  }
  return status;
}

// A status no other end of a run uses.
constexpr int refused_status = 3;

bool is_help(std::string_view a) { return a == "--help" || a == "-h"; }
bool is_version(std::string_view a) { return a == "--version" || a == "-V"; }

// An option that takes a file name, as `--table FILE` or `--table=FILE`.
// Returns the refusal's reason, empty when the option was taken.
std::string take_file_option(std::span<const std::string_view> arguments, std::size_t& at, std::string_view option,
                             std::optional<std::string>& target) {
  const std::string_view argument = arguments[at];
  std::string_view value;
  if (argument.size() > option.size() && argument[option.size()] == '=') {
    value = argument.substr(option.size() + 1);
  } else if (at + 1 < arguments.size()) {
    value = arguments[++at];
  } else {
    return "option '" + std::string(option) + "' needs a file name (see tiral --help)";
  }
  // Two files asked for under one option: one of them would silently not be written.
  if (target) return "option '" + std::string(option) + "' given twice";
  target = std::string(value);
  return {};
}

bool names_option(std::string_view argument, std::string_view option) {
  return argument == option || (argument.starts_with(option) && argument.size() > option.size() &&
                                argument[option.size()] == '=');
}

}  // namespace

int refuse_run(std::string_view reason) {
  return say(platform::standard_error(), with_line_end("tiral: " + std::string(reason)), refused_status);
}

std::optional<std::int32_t> whole_year(std::string_view text) {
  std::size_t at = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) at = 1;
  if (at == text.size()) return std::nullopt;
  // Magnitudes beyond 32 bits stop the sum before it can overflow.
  std::int64_t magnitude = 0;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c < '0' || c > '9') return std::nullopt;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > std::int64_t{2147483648}) return std::nullopt;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::int64_t{2147483647}) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::optional<int> read_command_line(std::span<const std::string_view> arguments, CommandLine& line) {
  line = {};
  bool help = false;
  bool version = false;
  bool options_ended = false;
  for (std::size_t at = 0; at < arguments.size(); ++at) {
    const std::string_view argument = arguments[at];
    if (options_ended || !argument.starts_with('-')) {
      line.operands.emplace_back(argument);
      continue;
    }
    if (argument == "--") {
      options_ended = true;
    } else if (is_help(argument) || is_version(argument)) {
      // The first of them answers, as ever.
      if (!help && !version) (is_help(argument) ? help : version) = true;
    } else if (names_option(argument, "--table")) {
      if (auto reason = take_file_option(arguments, at, "--table", line.table_name); !reason.empty())
        return refuse_run(reason);
    } else if (names_option(argument, "--chart")) {
      if (auto reason = take_file_option(arguments, at, "--chart", line.chart_name); !reason.empty())
        return refuse_run(reason);
    } else {
      return refuse_run("unknown option '" + std::string(argument) + "' (see tiral --help)");
    }
  }
  if (help) {
    std::string text;
    for (const std::string_view usage_line : usage_lines) text += with_line_end(usage_line);
    return say(platform::standard_output(), text, 0);
  }
  if (version) return say(platform::standard_output(), with_line_end("tiral " TIRAL_VERSION), 0);
  if (line.operands.size() == 1 || line.operands.size() > 3) return refuse_run(usage_reason);
  return std::nullopt;
}

}  // namespace tiral
