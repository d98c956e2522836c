// The command line: tiral asks for everything it needs, so the only
// arguments are the two that answer a newcomer's first questions.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace tiral {

// Answers --help (-h) and --version (-V) on standard output, or refuses any
// other argument with one line on standard error. Returns the exit status
// when the command line ends the run before the dialog, or nothing when
// there are no arguments and the run goes on as ever.
std::optional<int> answer_arguments(std::span<const std::string_view> arguments);

}  // namespace tiral
