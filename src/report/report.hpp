// The summary report: the run's only lasting product.
#pragma once

#include <cstdint>

#include "state/run_state.hpp"

namespace tiral {

constexpr std::int32_t report_unit = 400;

// Writes the 40 records of the report to the file named by output_name,
// replacing any earlier contents, and closes it.
void write_report(const RunState& run);

}  // namespace tiral
