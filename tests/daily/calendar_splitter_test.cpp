#include "daily/calendar_splitter.hpp"

#include "recio/array_storage.hpp"
#include "daily/calendar.hpp"

#include <gtest/gtest.h>

#include "test_files.hpp"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "recio/units.hpp"

namespace tiral {
namespace {

namespace fs = std::filesystem;
namespace chrono = std::chrono;

struct LeapCase {
  std::int32_t year;
  bool leap;
};

class CalendarLeapYear : public ::testing::TestWithParam<LeapCase> {};

TEST_P(CalendarLeapYear, GregorianRule) { EXPECT_EQ(GetParam().leap, is_leap_year(GetParam().year)); }

INSTANTIATE_TEST_SUITE_P(Calendar, CalendarLeapYear,
                         ::testing::Values(LeapCase{1996, true}, LeapCase{2000, true}, LeapCase{2004, true},
                                           LeapCase{0, true}, LeapCase{-4, true}, LeapCase{2400, true},
                                           LeapCase{1900, false}, LeapCase{1999, false}, LeapCase{2100, false},
                                           LeapCase{-1, false}, LeapCase{1, false}),
                         [](const ::testing::TestParamInfo<LeapCase>& test) {
                           const std::int32_t year = test.param.year;
                           return (year < 0 ? "YearMinus" : "Year") + std::to_string(year < 0 ? -year : year);
                         });

std::set<fs::path> entries(const fs::path& folder) {
  std::set<fs::path> found;
  for (const auto& entry : fs::directory_iterator(folder)) found.insert(entry.path().filename());
  return found;
}

class CalendarSplit : public ::testing::Test {
 protected:
  void SetUp() override { cwd_before = entries(fs::current_path()); }
  void TearDown() override {
    for (std::int32_t unit = 101; unit <= 112; ++unit) recio::close_unit(unit);
    for (RealArray* array : {&run.daily.tmp_max(), &run.daily.tmp_min(), &run.daily.hmd()}) {
      if (array->allocated) recio::release_array(*array);
    }
    EXPECT_TRUE(fs::is_empty(temp_folder.path())) << "work files left in the temporary folder";
    EXPECT_EQ(cwd_before, entries(fs::current_path())) << "files made in the current folder";
  }

  // Day i carries i / 100 as maximum, i % 100 as minimum and 50 as humidity,
  // so that each work record tells which day it is.
  void make_days(std::int32_t count) {
    for (RealArray* array : {&run.daily.tmp_max(), &run.daily.tmp_min(), &run.daily.hmd()})
      recio::allocate_array(*array, count);
    for (std::int32_t i = 1; i <= count; ++i) {
      run.daily.tmp_max()[i] = static_cast<float>(i / 100);
      run.daily.tmp_min()[i] = static_cast<float>(i % 100);
      run.daily.hmd()[i] = 50.0f;
    }
    run.record_count = count;
  }

  // Splits, then reads every work file back: the day numbers found in each month.
  std::array<std::vector<int>, 12> split_and_read_back() {
    split_by_calendar(run);
    EXPECT_TRUE(fs::is_empty(temp_folder.path())) << "work files must not appear in the directory";
    std::array<std::vector<int>, 12> months;
    for (std::int32_t month = 1; month <= 12; ++month) {
      const std::int32_t unit = 100 + month;
      EXPECT_TRUE(recio::unit_connected(unit));
      std::string_view record;
      while (recio::take_record(unit, record).got) {
        const std::string text(record);
        EXPECT_EQ(18u, text.size()) << text;
        EXPECT_EQ(" 50.00", text.substr(12)) << text;
        const int hundreds = std::stoi(text.substr(0, 6)), rest = std::stoi(text.substr(6, 6));
        months[static_cast<std::size_t>(month - 1)].push_back(hundreds * 100 + rest);
      }
      recio::close_unit(unit);
    }
    return months;
  }

  // Where each day of whole calendar years from 1 January of first_year lands,
  // worked out with the standard calendar.
  static std::array<std::vector<int>, 12> calendar_months(int first_year, int years, int records) {
    std::array<std::vector<int>, 12> months;
    const chrono::sys_days start{chrono::year{first_year} / 1 / 1};
    const chrono::sys_days end{chrono::year{first_year + years} / 1 / 1};
    const int days = static_cast<int>((end - start).count());
    for (int i = 1; i <= days && i <= records; ++i) {
      const chrono::year_month_day date{start + chrono::days{i - 1}};
      months[static_cast<unsigned>(date.month()) - 1].push_back(i);
    }
    return months;
  }

  static std::size_t total(const std::array<std::vector<int>, 12>& months) {
    std::size_t sum = 0;
    for (const auto& month : months) sum += month.size();
    return sum;
  }

  test_support::TempFolder temp_folder{"tiral_split"};
  test_support::TmpdirSetTo tmpdir{temp_folder.path()};
  std::set<fs::path> cwd_before;
  RunState run;
};

struct SplitCase {
  std::int32_t first_year, year_count, records;
  std::int32_t leap_days;
  std::size_t written;
  std::size_t jan, feb, apr;
  const char* warning;  // on standard error, without its " Warning: " and CR LF
};

class CalendarSplitCases : public CalendarSplit, public ::testing::WithParamInterface<SplitCase> {};

TEST_P(CalendarSplitCases, DaysLandInTheirMonthsInOrder) {
  const SplitCase& c = GetParam();
  make_days(c.records);
  run.first_year = c.first_year;
  run.year_count = c.year_count;
  ::testing::internal::CaptureStderr();
  const auto months = split_and_read_back();
  const std::string warning = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(*c.warning == '\0' ? "" : " Warning: " + std::string(c.warning) + "\r\n", warning);
  EXPECT_EQ(c.leap_days, run.leap_day_count);
  EXPECT_EQ(c.written, total(months));
  EXPECT_EQ(c.jan, months[0].size());
  EXPECT_EQ(c.feb, months[1].size());
  EXPECT_EQ(c.apr, months[3].size());
  const auto want = calendar_months(c.first_year, c.year_count, c.records);
  for (std::size_t m = 0; m < 12; ++m) EXPECT_EQ(want[m], months[m]) << "month " << m + 1;
}

INSTANTIATE_TEST_SUITE_P(
    Calendar, CalendarSplitCases,
    ::testing::Values(SplitCase{1991, 10, 3653, 3, 3653, 310, 283, 300, ""},  // every record used once
                      SplitCase{1990, 10, 3653, 2, 3652, 310, 282, 300,
                                "the last record falls after 31 December 1999 and is not used."},
                      SplitCase{1996, 4, 1461, 1, 1461, 124, 113, 120, ""},
                      SplitCase{2001, 1, 365, 0, 365, 31, 28, 30, ""},
                      SplitCase{1896, 10, 3653, 2, 3652, 310, 282, 300,  // 1900 is no leap year
                                "the last record falls after 31 December 1905 and is not used."},
                      SplitCase{1991, 1, 400, 0, 365, 31, 28, 30,
                                "the last 35 records fall after 31 December 1991 and are not used."},
                      SplitCase{1991, 10, 3650, 3, 3650, 310, 283, 300,  // records run out in December 2000
                                "the records end 3 days before 31 December 2000."},
                      SplitCase{1992, 1, 365, 1, 365, 31, 29, 30, "the records end 1 day before 31 December 1992."},
                      SplitCase{1991, 0, 364, 0, 0, 0, 0, 0,
                                "fewer than 365 records make no whole year; no record is used."},
                      SplitCase{1991, 0, 0, 0, 0, 0, 0, 0, ""}),
    [](const ::testing::TestParamInfo<SplitCase>& test) {
      return "From" + std::to_string(test.param.first_year) + "Years" + std::to_string(test.param.year_count) +
             "Records" + std::to_string(test.param.records);
    });

// The years after the last 32-bit one keep the Gregorian rule of their true
// number: 2147483700 is a century year that is no leap year.
TEST_F(CalendarSplit, TheWalkFromTheLastThirtyTwoBitYearCountsTrueLeapYears) {
  EXPECT_TRUE(is_leap_year(std::int64_t{2'147'483'648}));
  EXPECT_FALSE(is_leap_year(std::int64_t{2'147'483'700}));
  const std::int32_t leap_years = 14;  // 2147483648 to 2147483704 by fours, but 2147483700
  make_days(60 * 365 + leap_years);
  run.first_year = 2'147'483'647;
  run.year_count = 60;
  ::testing::internal::CaptureStderr();
  const auto months = split_and_read_back();
  EXPECT_EQ("", ::testing::internal::GetCapturedStderr());
  EXPECT_EQ(leap_years, run.leap_day_count);
  EXPECT_EQ(static_cast<std::size_t>(60 * 365 + leap_years), total(months));
  EXPECT_EQ(static_cast<std::size_t>(60 * 28 + leap_years), months[1].size());
}

TEST_F(CalendarSplit, LeapDayIsTheTwentyNinthFebruaryRecord) {
  make_days(1461);
  run.first_year = 1996;
  run.year_count = 4;
  const auto months = split_and_read_back();
  ASSERT_GE(months[1].size(), 29u);
  EXPECT_EQ(60, months[1][28]);
  EXPECT_EQ(61, months[2][0]);
}

TEST_F(CalendarSplit, DaySixtyOfACommonYearIsTheFirstOfMarch) {
  make_days(365);
  run.first_year = 2001;
  run.year_count = 1;
  const auto months = split_and_read_back();
  ASSERT_EQ(28u, months[1].size());
  EXPECT_EQ(59, months[1][27]);
  ASSERT_FALSE(months[2].empty());
  EXPECT_EQ(60, months[2][0]);
}

TEST_F(CalendarSplit, WorkRecordIsThreeFieldsOfSixColumns) {
  for (RealArray* array : {&run.daily.tmp_max(), &run.daily.tmp_min(), &run.daily.hmd()})
    recio::allocate_array(*array, 1);
  run.daily.tmp_max()[1] = 12.3f;
  run.daily.tmp_min()[1] = -5.25f;
  run.daily.hmd()[1] = 85.0f;
  run.record_count = 1;
  run.first_year = 2001;
  run.year_count = 1;
  ::testing::internal::CaptureStderr();
  split_by_calendar(run);
  EXPECT_EQ(" Warning: the records end 364 days before 31 December 2001.\r\n",
            ::testing::internal::GetCapturedStderr());
  std::string_view record;
  ASSERT_TRUE(recio::take_record(101, record).got);
  EXPECT_EQ(" 12.30 -5.25 85.00", std::string(record));
  EXPECT_FALSE(recio::take_record(101, record).got);
  for (std::int32_t unit = 102; unit <= 112; ++unit) EXPECT_FALSE(recio::take_record(unit, record).got) << unit;
}

}  // namespace
}  // namespace tiral
