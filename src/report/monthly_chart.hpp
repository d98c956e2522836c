// The monthly means as a picture: a standalone SVG chart.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "state/name_answer.hpp"
#include "state/run_state.hpp"

namespace tiral {

constexpr std::int32_t chart_unit = 402;

// Writes an SVG 1.1 document of the twelve months (lines for the three
// temperatures on a degree axis, bars for the humidity on a percent axis) to
// the file named by `name_field`, replacing any earlier contents, and closes
// it: the opens, writes and diagnostics of the report's file.
void write_monthly_chart(const RunState& run, std::string_view name_field, const tiral::NameAnswer& answer);

// Text for an XML document of ASCII bytes alone: markup characters as
// entities, other characters as references; a name that is not UTF-8 is
// read as code page 1252, the program's own.
std::string xml_text(std::string_view bytes);

}  // namespace tiral
