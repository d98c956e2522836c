#include <string_view>
#include <vector>

#include "run/arguments.hpp"
#include "run/run_sequence.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  tiral::CommandLine line;
  if (const auto status = tiral::read_command_line(arguments, line)) return *status;
  return tiral::run_program(line);
}
