#include "monthly/monthly_means.hpp"

#include <gtest/gtest.h>

#include "recio/array_storage.hpp"
#include "test_support.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "recio/record_output.hpp"
#include "recio/units.hpp"
#include "state/month_table.hpp"
#include "recio/work_record_format.hpp"

namespace tiral {

namespace {

using test_support::same_float;

struct Day {
  float tmp_max, tmp_min, hmd;
};

// Four days whose values survive the two-decimal work record unchanged.
constexpr Day day_a{12.30f, -5.25f, 85.00f};
constexpr Day day_b{20.00f, 10.00f, 70.00f};
constexpr Day day_c{0.00f, -10.00f, 90.00f};
constexpr Day day_d{33.33f, 21.07f, 45.55f};

// Means worked out separately: single-precision running sums in day order,
// the dew point of each day in single-precision steps, one quotient each.
struct Means {
  float tmp_max, tmp_min, hmd, dewpt;
};
constexpr Means means_abcd{16.4075012f, 3.95499992f, 72.6374969f, 5.82653427f};
constexpr Means means_abc{10.7666664f, -1.75f, 81.6666641f, 2.69205928f};
constexpr Means means_ab{16.1499996f, 2.375f, 77.5f, 6.82434368f};

class MonthMeans : public ::testing::Test {
 protected:
  static constexpr std::int32_t unit = 105;
  static constexpr std::int32_t month = 5;

  void SetUp() override { recio::open_scratch(unit); }
  void TearDown() override {
    EXPECT_FALSE(recio::unit_connected(unit)) << "the month's work file must be closed";
    recio::close_unit(unit);
  }

  void write(const std::vector<Day>& days) {
    for (const Day& d : days) recio::write_formatted(unit, recio::work_record_format, {d.tmp_max, d.tmp_min, d.hmd});
  }

  void analyse(std::int32_t days) {
    recio::rewind_unit(unit);
    analyse_month(days, month_table[month - 1], run);
  }

  void expect_means(const Means& want) {
    EXPECT_TRUE(same_float(want.tmp_max, run.monthly_tmp_max[month]));
    EXPECT_TRUE(same_float(want.tmp_min, run.monthly_tmp_min[month]));
    EXPECT_TRUE(same_float(want.hmd, run.monthly_hmd[month]));
    EXPECT_TRUE(same_float(want.dewpt, run.monthly_dewpt[month]));
  }

  static std::string record_of(const Day& d) {
    std::string record;
    const recio::OutputItem items[] = {d.tmp_max, d.tmp_min, d.hmd};
    recio::build_formatted_record(record, recio::work_record_format, items);
    return record;
  }

  RunState run;
};

TEST_F(MonthMeans, MeansOfSinglePrecisionRunningSums) {
  write({day_a, day_b, day_c, day_d});
  analyse(4);
  expect_means(means_abcd);
  // Only the month's own entry is set.
  for (std::int32_t other : {4, 6}) EXPECT_EQ(0.0f, run.monthly_dewpt[other]) << other;
}

TEST_F(MonthMeans, ReadsNoMoreThanTheMonthsDays) {
  write({day_a, day_b, day_c, day_d});
  analyse(3);
  expect_means(means_abc);
}

TEST_F(MonthMeans, FewerRecordsThanDaysGiveMeansOverTheRecordsRead) {
  write({day_a, day_b, day_c});
  analyse(31);
  expect_means(means_abc);
}

TEST_F(MonthMeans, FieldOfAsterisksLeavesOutItsDayOnly) {
  // 1000.00 and -100.00 do not fit six columns.
  ASSERT_EQ("******  1.00 50.00", record_of(Day{1000.0f, 1.0f, 50.0f}));
  ASSERT_EQ("  1.00****** 50.00", record_of(Day{1.0f, -99.996f, 50.0f}));
  write({day_a, Day{1000.0f, 1.0f, 50.0f}, day_b, day_c, Day{1.0f, -99.996f, 50.0f}, day_d});
  analyse(6);
  expect_means(means_abcd);
}

TEST_F(MonthMeans, HumidityReadBackAsZeroLeavesOutOnlyItsDewPoint) {
  ASSERT_EQ("  0.00-10.00  0.00", record_of(Day{day_c.tmp_max, day_c.tmp_min, 0.004f}));
  write({day_a, day_b, Day{day_c.tmp_max, day_c.tmp_min, 0.004f}});
  analyse(3);
  EXPECT_TRUE(same_float(means_abc.tmp_max, run.monthly_tmp_max[month]));
  EXPECT_TRUE(same_float(means_abc.tmp_min, run.monthly_tmp_min[month]));
  EXPECT_TRUE(same_float(51.6666679f, run.monthly_hmd[month]));  // (85 + 70 + 0) / 3
  EXPECT_TRUE(same_float(means_ab.dewpt, run.monthly_dewpt[month]));
}

TEST_F(MonthMeans, NoDayWithADewPointLeavesItNaN) {
  write({Day{day_a.tmp_max, day_a.tmp_min, 0.001f}});
  analyse(1);
  EXPECT_TRUE(same_float(day_a.tmp_max, run.monthly_tmp_max[month]));
  EXPECT_TRUE(std::isnan(run.monthly_dewpt[month]));
}

TEST_F(MonthMeans, NaNHumidityReadsBackAsNaN) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  ASSERT_EQ(" 12.30 -5.25 NaN  ", record_of(Day{day_a.tmp_max, day_a.tmp_min, nan}));
  write({Day{day_a.tmp_max, day_a.tmp_min, nan}, Day{day_b.tmp_max, day_b.tmp_min, nan}});
  analyse(2);
  EXPECT_TRUE(same_float(means_ab.tmp_max, run.monthly_tmp_max[month]));
  EXPECT_TRUE(same_float(means_ab.tmp_min, run.monthly_tmp_min[month]));
  EXPECT_TRUE(std::isnan(run.monthly_hmd[month]));
  EXPECT_TRUE(std::isnan(run.monthly_dewpt[month]));
}

TEST_F(MonthMeans, NoDaysGiveNaNEverywhere) {
  write({day_a, day_b});
  analyse(0);
  EXPECT_TRUE(std::isnan(run.monthly_tmp_max[month]));
  EXPECT_TRUE(std::isnan(run.monthly_tmp_min[month]));
  EXPECT_TRUE(std::isnan(run.monthly_hmd[month]));
  EXPECT_TRUE(std::isnan(run.monthly_dewpt[month]));
}

TEST_F(MonthMeans, EmptyWorkFileGivesNaNEverywhere) {
  analyse(31);
  EXPECT_TRUE(std::isnan(run.monthly_tmp_max[month]));
  EXPECT_TRUE(std::isnan(run.monthly_dewpt[month]));
}

}  // namespace
}  // namespace tiral
