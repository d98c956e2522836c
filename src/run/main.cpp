#include <string_view>
#include <vector>

#include "recio/run_end.hpp"
#include "run/arguments.hpp"
#include "run/run_sequence.hpp"

int main(int argc, char** argv) {
  // Before anything else: a failed allocation and a console event end the
  // run with their diagnostic from the first moment on.
  recio::install_memory_diagnostic();
  recio::install_interrupt_diagnostic();
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  tiral::CommandLine line;
  if (const auto status = tiral::read_command_line(arguments, line)) return *status;
  return tiral::run_program(line);
}
