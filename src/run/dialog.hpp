// The console dialog: banner, the three questions, and the refusal of an
// output name that would overwrite the input.
#pragma once

#include "state/run_state.hpp"

namespace tiral {

// Fills input_name, output_name and first_year. An output name that is the
// input name (the same bytes, or another name of the same existing file) is
// asked for again. End of input or a year that is no number ends the run
// with its diagnostic.
void console_dialog(RunState& run);

}  // namespace tiral
