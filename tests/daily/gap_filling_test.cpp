#include "daily/gap_filling.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "recio/array_storage.hpp"
#include "test_support.hpp"

namespace tiral {
namespace {

using test_support::same_float;

// `days` days from 1 January of `first_year`, walked for `years` years (or
// days / 365), with the `column` value (0 maximum, 1 minimum, 2 humidity)
// of the `missing` days (from 1) no-data.
struct Gaps {
  const char* label;
  std::int32_t first_year;
  std::int32_t days;
  std::vector<std::int32_t> missing;
  std::int32_t column;
  std::int64_t failing;
  std::int32_t first_month;
  std::int64_t first_failing_year;
  std::int64_t january_missing;
  std::int32_t years = -1;
};

void fill(RunState& run, const Gaps& gaps) {
  run = RunState{};
  run.first_year = gaps.first_year;
  run.record_count = gaps.days;
  run.year_count = gaps.years >= 0 ? gaps.years : gaps.days / 365;
  const float values[] = {10.0f, 5.0f, 50.0f};
  RealArray* columns[] = {&run.daily.tmp_max(), &run.daily.tmp_min(), &run.daily.hmd()};
  for (std::size_t c = 0; c < 3; ++c) {
    recio::allocate_array(*columns[c], gaps.days);
    for (std::int32_t day = 1; day <= gaps.days; ++day) (*columns[c])[day] = values[c];
  }
  std::int32_t* nodata[] = {&run.nodata.tmp_max(), &run.nodata.tmp_min(), &run.nodata.hmd()};
  for (const std::int32_t day : gaps.missing) {
    (*columns[gaps.column])[day] = 999.0f;
    ++*nodata[gaps.column];
  }
  fill_gaps(run, {1.0f, 2.0f, 3.0f});
}

std::vector<std::int32_t> days_from(std::int32_t first, std::int32_t count, std::int32_t step = 1) {
  std::vector<std::int32_t> days;
  for (std::int32_t i = 0; i < count; ++i) days.push_back(first + i * step);
  return days;
}

TEST(GapFilling, MonthsMissingElevenDaysOrFiveInARowFail) {
  const Gaps cases[] = {
      {"none missing", 2001, 365, {}, 0, 0, 0, 0, 0},
      {"10 scattered", 2001, 365, days_from(1, 10, 3), 0, 0, 0, 0, 10},
      {"11 scattered", 2001, 365, days_from(1, 11, 2), 1, 1, 1, 2001, 11},
      {"4 in a row", 2001, 365, days_from(10, 4), 2, 0, 0, 0, 4},
      {"5 in a row", 2001, 365, days_from(10, 5), 2, 1, 1, 2001, 5},
      {"6 in a row across a month's end", 2001, 365, days_from(29, 6), 0, 0, 0, 0, 3},
      {"5 in a row in March of the second year", 2001, 730, days_from(365 + 60, 5), 0, 1, 3, 2002, 0},
      {"29 February of a leap year", 2000, 366, days_from(56, 5), 0, 1, 2, 2000, 0},
      {"a month the walk only began", 2001, 365 + 31 + 5, days_from(365 + 32, 5), 0, 1, 2, 2002, 0, 2},
      {"days after the walk", 2001, 380, days_from(366, 15), 0, 0, 0, 0, 0},
      {"every value of a column", 2001, 365, days_from(1, 365), 2, 0, 0, 0, 0},
  };
  const float means[] = {1.0f, 2.0f, 3.0f};
  for (const Gaps& c : cases) {
    RunState run;
    fill(run, c);
    EXPECT_EQ(c.failing, run.failing_months.count) << c.label;
    EXPECT_EQ(c.first_month, run.failing_months.first_month) << c.label;
    EXPECT_EQ(c.first_failing_year, run.failing_months.first_year) << c.label;
    EXPECT_EQ(c.january_missing, run.missing_days[1]) << c.label;
    std::int64_t failing_years = 0;
    for (std::int32_t month = 1; month <= 12; ++month) failing_years += run.failing_years[month];
    EXPECT_EQ(c.failing, failing_years) << c.label;
    // Every no-data value is its column's mean now, inside the walk or not.
    const RealArray* columns[] = {&run.daily.tmp_max(), &run.daily.tmp_min(), &run.daily.hmd()};
    for (const std::int32_t day : c.missing) {
      EXPECT_TRUE(same_float(means[c.column], (*columns[c.column])[day])) << c.label << " day " << day;
    }
    for (RealArray* column : {&run.daily.tmp_max(), &run.daily.tmp_min(), &run.daily.hmd()})
      recio::release_array(*column);
  }
}

}  // namespace
}  // namespace tiral
