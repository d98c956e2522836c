#include "daily/input_file.hpp"

#include "recio/units.hpp"

namespace tiral {

void open_input_file(const RunState& run) {
  // A missing file is refused rather than created: a mistyped name must not
  // pass for a file without data.
  recio::open_named(input_unit, as_text(run.input_name), recio::WhenMissing::refuse, run.input_answer);
}

}  // namespace tiral
