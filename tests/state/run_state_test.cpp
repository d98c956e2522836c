#include "state/run_state.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace tiral {
namespace {

struct LastYearCase {
  std::int32_t first_year;
  std::int32_t year_count;
  std::int64_t last_year;  // as the warnings tell it
  std::int32_t field;      // as the report, the table and the chart print it
};

class LastYear : public ::testing::TestWithParam<LastYearCase> {};

TEST_P(LastYear, IsExactAndWrapsOnlyInAThirtyTwoBitField) {
  const LastYearCase& c = GetParam();
  EXPECT_EQ(c.last_year, last_year(c.first_year, c.year_count));
  EXPECT_EQ(c.field, year_field(last_year(c.first_year, c.year_count)));
}

constexpr std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t highest = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(Years, LastYear,
                         ::testing::Values(LastYearCase{1991, 10, 2000, 2000}, LastYearCase{1991, 0, 1990, 1990},
                                           LastYearCase{0, 10, 9, 9}, LastYearCase{-5, 10, 4, 4},
                                           LastYearCase{12000, 10, 12009, 12009},
                                           LastYearCase{highest, 1, highest, highest},
                                           LastYearCase{highest, 2, std::int64_t{highest} + 1, lowest},
                                           LastYearCase{lowest, 0, std::int64_t{lowest} - 1, highest},
                                           LastYearCase{lowest, 1, lowest, lowest}));

}  // namespace
}  // namespace tiral
