// The command line: the options, and the three answers of the dialog given
// as operands by a script.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tiral {

// What a run was asked for beyond its questions.
struct CommandLine {
  // None (the dialog asks), or INPUT, REPORT and maybe FIRST_YEAR.
  std::vector<std::string> operands;
  std::optional<std::string> table_name;  // --table FILE
  std::optional<std::string> chart_name;  // --chart FILE
};

// Answers --help (-h) and --version (-V) on standard output, or refuses a
// command line it cannot take with one line on standard error. Returns the
// exit status when the command line ends the run before it starts, or
// nothing with `line` filled for the run.
std::optional<int> read_command_line(std::span<const std::string_view> arguments, CommandLine& line);

// The first year as an operand: an optional sign and decimal digits that a
// 32-bit integer holds; nothing for any other text.
std::optional<std::int32_t> whole_year(std::string_view text);

// Refuses the run: "tiral: <reason>" and CR LF on standard error. Returns
// the exit status of a refused command line.
int refuse_run(std::string_view reason);

}  // namespace tiral
