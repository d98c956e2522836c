// The console dialog: banner, the three questions, and the refusal of an
// output name that would overwrite the input.
#pragma once

#include <string_view>

#include "state/name_answer.hpp"
#include "state/run_state.hpp"

namespace tiral {

// Fills input_name, output_name and first_year. An output name that is the
// input name (the same bytes, or another name of the same existing file) is
// asked for again. End of input or a year that is no number ends the run
// with its diagnostic.
void console_dialog(RunState& run);

// A name given on the command line, taken as the dialog takes a quoted
// answer that holds exactly that text.
void take_name(std::string_view text, NameField& name, tiral::NameAnswer& answer);

// Two names, blanks at their ends dropped, that are one name, have one full
// path, or name one existing file.
bool names_one_file(std::string_view first, std::string_view second);

}  // namespace tiral
