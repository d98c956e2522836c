// Whether the input file's records carry their dates, decided once from its
// first lines before any record is read.
#pragma once

#include <cstdint>
#include <optional>

#include "state/run_state.hpp"

namespace tiral {

// The year of the line that makes the input file dated, or nothing for a
// file read without dates. Opens the input file on unit 10 as the reader
// does (its refusals and messages are the reader's) and closes it again.
std::optional<std::int32_t> first_dated_year(const RunState& run);

}  // namespace tiral
