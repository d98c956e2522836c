// Exact Fw.d and Iw fields.
#pragma once

#include <cstdint>

namespace recio {

// Writes exactly `width` characters to `out`: `value` rounded from its exact
// binary value to `decimals` digits after the point, halfway cases away from
// zero, right-justified; no minus sign on a value that rounds to zero; a
// leading 0 before the point when a column is free for it; NaN and Infinity
// as text from the second column; asterisks when the text does not fit.
// Fields of up to 38 columns and 30 decimals; a wider field, or one of more
// decimals, is filled with asterisks, unless NaN or Infinity fills it as text.
void format_fixed(float value, int width, int decimals, char* out);

// The same without the shortcuts (the memory of recent fields, the one-pass
// layout of a small value): what they must agree with, for the fuzz targets.
void format_fixed_in_general(float value, int width, int decimals, char* out);

// Writes exactly `width` characters: the decimal digits right-justified, a
// minus sign before a negative value, asterisks when they do not fit.
void format_integer(std::int32_t value, int width, char* out);

}  // namespace recio
