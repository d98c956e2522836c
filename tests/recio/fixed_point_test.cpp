#include "recio/fixed_point.hpp"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string fixed(float value, int width, int decimals) {
  std::string out(static_cast<std::size_t>(width), '?');
  recio::format_fixed(value, width, decimals, out.data());
  return out;
}

TEST(FixedPoint, Placeholder) { EXPECT_EQ(fixed(3.25f, 12, 2), "        3.25"); }

}  // namespace
