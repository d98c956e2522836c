// The monthly means as a CSV table, for programs that read them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "state/name_answer.hpp"
#include "state/run_state.hpp"

namespace tiral {

constexpr std::int32_t table_unit = 401;

// Writes the header line and twelve month rows to the file named by
// `name_field`, replacing any earlier contents, and closes it: the opens,
// writes and diagnostics of the report's file.
void write_monthly_table(const RunState& run, std::string_view name_field, const tiral::NameAnswer& answer);

// A mean in the shortest text that reads back to the same single-precision
// value; empty for not-a-number.
std::string shortest_text(float value);

// The input name as the report's second record shows it, trailing blanks
// dropped.
std::string_view reported_input_name(const RunState& run);

}  // namespace tiral
