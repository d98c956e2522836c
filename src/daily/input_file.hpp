// The input file: its unit, its opening, and which of its values are data;
// what every part of the daily reader shares.
#pragma once

#include <cstdint>

#include "state/per_column.hpp"
#include "state/run_state.hpp"

namespace tiral {

constexpr std::int32_t input_unit = 10;

// Valid ranges; anything else, NaN included, is no-data.
inline bool valid_temperature(float value) { return value < 100.0f && value > -100.0f; }
inline bool valid_humidity(float value) { return value <= 100.0f && value > 0.0f; }
inline bool valid_value(Column column, float value) {
  return column == Column::hmd ? valid_humidity(value) : valid_temperature(value);
}

// Opens the input file on its unit: a missing file is refused (message 29).
void open_input_file(const RunState& run);

}  // namespace tiral
