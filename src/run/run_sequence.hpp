// The program's main procedure: the stages once each, in their fixed order.
#pragma once

namespace tiral {

// Runs the dialog, the reader, the calendar split, the twelve monthly
// analyses and the report, releases the daily arrays and closes every unit.
// Returns the exit status of a complete run; failures end the process inside
// the record layer with their own status.
int run_program();

}  // namespace tiral
