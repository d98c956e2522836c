// Small helpers shared by the tests.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>

#include "state/run_state.hpp"

namespace test_support {

// Bit-exact comparison, so that a rounding point moved by one unit and the
// sign of zero both show.
inline ::testing::AssertionResult same_float(float expected, float actual) {
  if (std::bit_cast<std::uint32_t>(expected) == std::bit_cast<std::uint32_t>(actual))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << std::hexfloat << "expected " << expected << ", got " << actual;
}

// A file name field as the dialog leaves it: the text, then blanks.
inline tiral::NameField name_field(const std::string& text) {
  tiral::NameField field;
  field.fill(' ');
  text.copy(field.data(), field.size());
  return field;
}

}  // namespace test_support
