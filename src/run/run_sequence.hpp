// The program's main procedure: the stages once each, in their fixed order.
#pragma once

#include "run/arguments.hpp"

namespace tiral {

// Takes the answers from the dialog or the operands, runs the reader, the
// calendar split, the twelve monthly analyses, the report and the table and
// chart asked for, releases the daily arrays and closes every unit.
// Returns the exit status of a complete run; failures end the process inside
// the record layer with their own status.
int run_program(const CommandLine& line);

}  // namespace tiral
