#include "state/per_column.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tiral {
namespace {

// Each column reaches the same value by its name, by its enumerator and in a
// loop, and the loop takes the columns in file order.
TEST(PerColumn, NamesIndexAndLoopReachTheSameValueInFileOrder) {
  PerColumn<int> values{{1, 2, 3}};
  EXPECT_EQ(&values.tmp_max(), &values[Column::tmp_max]);
  EXPECT_EQ(&values.tmp_min(), &values[Column::tmp_min]);
  EXPECT_EQ(&values.hmd(), &values[Column::hmd]);
  std::vector<int> looped;
  for (const int value : values) looped.push_back(value);
  EXPECT_EQ((std::vector<int>{1, 2, 3}), looped);
  std::vector<int> by_column;
  for (const Column column : all_columns) by_column.push_back(values[column]);
  EXPECT_EQ(looped, by_column);
  std::string names;
  for (const Column column : all_columns) names += std::string(column_name(column)) + ' ';
  EXPECT_EQ("tmp_max tmp_min hmd ", names);
}

}  // namespace
}  // namespace tiral
