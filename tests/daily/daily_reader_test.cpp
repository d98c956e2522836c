#include "daily/daily_reader.hpp"

#include <gtest/gtest.h>

#include "recio/array_storage.hpp"
#include "test_files.hpp"
#include "test_support.hpp"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "daily/dated_line.hpp"
#include "recio/units.hpp"

namespace tiral {
namespace {

using test_support::file_bytes;
using test_support::name_field;
using test_support::same_float;

namespace fs = std::filesystem;

class DailyReader : public ::testing::Test {
 protected:
  void SetUp() override { run.input_name = name_field(input.string()); }
  void TearDown() override {
    release_arrays();
    EXPECT_FALSE(recio::unit_connected(input_unit));
    recio::close_unit(input_unit);
  }

  // Writes the input, reads it, and checks that the reading left it as it was.
  void read(const std::string& bytes, std::int32_t kept_limit = std::numeric_limits<std::int32_t>::max()) {
    ASSERT_TRUE(test_support::write_file(input, bytes));
    read_daily_records(run, std::numeric_limits<std::int32_t>::max(), kept_limit);
    EXPECT_EQ(bytes, file_bytes(input));
    EXPECT_FALSE(recio::unit_connected(input_unit));
  }

  void release_arrays() {
    for (RealArray* array : {&run.daily.tmp_max(), &run.daily.tmp_min(), &run.daily.hmd()}) {
      if (array->allocated) recio::release_array(*array);
    }
  }

  static std::vector<float> values_of(const RealArray& column) {
    std::vector<float> values;
    for (std::int32_t i = 1; i <= column.count; ++i) values.push_back(column[i]);
    return values;
  }

  void expect_column(const RealArray& column, const std::vector<float>& values) {
    ASSERT_TRUE(column.allocated);
    ASSERT_EQ(static_cast<std::int32_t>(values.size()), column.count);
    for (std::int32_t i = 1; i <= column.count; ++i) {
      EXPECT_TRUE(same_float(values[static_cast<std::size_t>(i - 1)], column[i])) << "element " << i;
    }
  }

  test_support::TempFolder folder{"tiral_daily"};
  fs::path input = folder / "climate.txt";
  RunState run;
};

TEST_F(DailyReader, EmptyFileGivesNoRecords) {
  read("");
  EXPECT_EQ(0, run.record_count);
  EXPECT_EQ(0, run.year_count);
  EXPECT_EQ(0, run.nodata.tmp_max() + run.nodata.tmp_min() + run.nodata.hmd());
  for (const RealArray* array : {&run.daily.tmp_max(), &run.daily.tmp_min(), &run.daily.hmd()}) {
    EXPECT_TRUE(array->allocated);
    EXPECT_EQ(0, array->count);
  }
}

TEST_F(DailyReader, MissingFileIsRefusedAndNotCreated) {
  ASSERT_FALSE(fs::exists(input));
  EXPECT_EXIT(read_daily_records(run), ::testing::ExitedWithCode(29),
              "forrtl: severe \\(29\\): file not found, unit 10, file " + input.string());
  EXPECT_FALSE(fs::exists(input));
  // A link to nothing is no file either; the open must not create its target.
  fs::create_symlink(folder / "absent.txt", input);
  EXPECT_EXIT(read_daily_records(run), ::testing::ExitedWithCode(29), "file not found, unit 10");
  EXPECT_FALSE(fs::exists(folder / "absent.txt"));
}

// The count is 32 bits wide; a limit the test lowers stands for it.
TEST_F(DailyReader, MoreRecordsThanTheCountHoldsEndTheRun) {
  std::ofstream(input, std::ios::binary) << "1 2 3\n4 5 6\n7 8 9\n";
  read_daily_records(run, 3);
  EXPECT_EQ(3, run.record_count);
  release_arrays();
  std::ofstream(input, std::ios::binary | std::ios::app) << "10 11 12\n";
  EXPECT_EXIT(read_daily_records(run, 3), ::testing::ExitedWithCode(39),
              "^forrtl: severe \\(39\\): error during read, unit 10, file " + input.string() + "\r\n$");
}

TEST_F(DailyReader, NameCutByItsFieldIsRefusedBeforeAnyOpen) {
  std::ofstream(input, std::ios::binary) << "1 2 3\n";
  run.input_answer.cut = true;
  EXPECT_EXIT(read_daily_records(run), ::testing::ExitedWithCode(43),
              "^forrtl: severe \\(43\\): file name specification error, unit 10, file " + input.string() + "\r\n$");
}

TEST_F(DailyReader, RangeLimitsAndMeansOfSinglePrecisionRunningSums) {
  read(
      "-20.6 4.7 57.7\n"
      "100.0 -100.0 100.0\n"
      "99.99 -99.99 0.0\n"
      "-999.0 -999.0 100.01\n"
      "-99.99 99.99 0.01\n"
      "29.3 1.5 33.3\n");
  EXPECT_EQ(6, run.record_count);
  EXPECT_EQ(0, run.year_count);
  EXPECT_EQ(2, run.nodata.tmp_max());
  EXPECT_EQ(2, run.nodata.tmp_min());
  EXPECT_EQ(2, run.nodata.hmd());
  // Running sums in single precision over the valid values, in file order,
  // then one quotient: -20.6 + 99.99 - 99.99 + 29.3 gives 2.17500019, where an
  // exact sum would give 2.17499971; 4.7 - 99.99 + 99.99 + 1.5 gives 1.54999924.
  const float max_mean = 2.17500019f, min_mean = 1.54999924f, hmd_mean = 47.7524986f;
  expect_column(run.daily.tmp_max(), {-20.6f, max_mean, 99.99f, max_mean, -99.99f, 29.3f});
  expect_column(run.daily.tmp_min(), {4.7f, min_mean, -99.99f, min_mean, 99.99f, 1.5f});
  expect_column(run.daily.hmd(), {57.7f, 100.0f, hmd_mean, hmd_mean, 0.01f, 33.3f});
}

TEST_F(DailyReader, ZeroHumidityIsOneNoDataValue) {
  read("25.3 12.1 0\n20.0 10.0 50.0\n");
  EXPECT_EQ(2, run.record_count);
  EXPECT_EQ(0, run.nodata.tmp_max());
  EXPECT_EQ(0, run.nodata.tmp_min());
  EXPECT_EQ(1, run.nodata.hmd());
  expect_column(run.daily.hmd(), {50.0f, 50.0f});
  expect_column(run.daily.tmp_min(), {12.1f, 10.0f});
}

TEST_F(DailyReader, ColumnWithoutValidValueBecomesNaN) {
  read("25.3 12.1 0\n20.0 10.0 101\n-5 -7 -3\n");
  EXPECT_EQ(3, run.nodata.hmd());
  ASSERT_EQ(3, run.daily.hmd().count);
  for (std::int32_t i = 1; i <= 3; ++i) EXPECT_TRUE(std::isnan(run.daily.hmd()[i])) << i;
  expect_column(run.daily.tmp_max(), {25.3f, 20.0f, -5.0f});
}

TEST_F(DailyReader, RecordsSpanLinesAndExtraNumbersAreIgnored) {
  read(
      "25.3\n12.1\n80\n"
      "20.0 10.0\n50.0\n"
      "1 2 3 4\n"
      "5 6 7\n");
  EXPECT_EQ(4, run.record_count);
  expect_column(run.daily.tmp_max(), {25.3f, 20.0f, 1.0f, 5.0f});
  expect_column(run.daily.tmp_min(), {12.1f, 10.0f, 2.0f, 6.0f});
  expect_column(run.daily.hmd(), {80.0f, 50.0f, 3.0f, 7.0f});
}

TEST_F(DailyReader, BlankLinesAreSkipped) {
  read("\n25.3 12.1 80\n\n   \n\t\n20.0 10.0 50.0\n\n");
  EXPECT_EQ(2, run.record_count);
  expect_column(run.daily.tmp_max(), {25.3f, 20.0f});
  expect_column(run.daily.hmd(), {80.0f, 50.0f});
}

TEST_F(DailyReader, TextAfterTheLastLineFeedIsTheLastRecord) {
  for (const char* line_end : {"\n", "\r\n"}) {
    for (const char* file_end : {"", "\r"}) {
      std::string bytes;
      for (int day = 1; day <= 365; ++day)
        bytes += std::to_string(day % 30) + " 1.5 60" + (day < 365 ? line_end : file_end);
      read(bytes);
      EXPECT_EQ(365, run.record_count);
      EXPECT_EQ(1, run.year_count);
      ASSERT_EQ(365, run.daily.tmp_max().count);
      EXPECT_TRUE(same_float(5.0f, run.daily.tmp_max()[365]));  // 365 % 30
      for (RealArray& array : run.daily) recio::release_array(array);
    }
  }
}

// Reading stops where the data does, and standard error says where.
// Memory for fewer values than the file holds (a lowered limit stands for
// it) makes the reader read the file again: the same counts and arrays.
TEST_F(DailyReader, ReadingAgainWhenValuesCannotBeKeptGivesTheSameArrays) {
  std::string many;
  for (int i = 0; i < 70'000; ++i) many += std::to_string(i % 50) + ".5 " + std::to_string(i % 40 - 20) + " 1" + std::to_string(i % 9) + "\n";
  // Dated, with days missing here and there and some no-data cells.
  std::string dated = "date,tmax,tmin,rh\n";
  for (std::int64_t i = 0; i < 70'000; i += 1 + i % 3) {
    const CalendarDate date = date_of_day(day_of_calendar({1991, 1, 1}) + i);
    dated += std::to_string(date.year) + (date.month < 10 ? "-0" : "-") + std::to_string(date.month) +
             (date.day < 10 ? "-0" : "-") + std::to_string(date.day) + (i % 7 == 0 ? ",NA" : ",1") + ",2,5" +
             std::to_string(i % 10) + "\n";
  }
  run.first_year = 1991;
  const std::string files[] = {"", "3 2 50\n", "25.3,,80\n/\n,7\n150 -150 0\n5 4 101\n", "3 2 50\n6 5 50\nx\n9 8 50\n",
                               "3 2 50\n4 5\n", many, dated, "1991-01-01,1,2,3\n1991-01-05,M,2,3\n1990-01-01,1,1,1\n"};
  for (const std::string& bytes : files) {
    ::testing::internal::CaptureStderr();
    release_arrays();
    read(bytes);
    const RunState kept = run;
    const std::vector<float> columns[] = {values_of(run.daily.tmp_max()), values_of(run.daily.tmp_min()),
                                          values_of(run.daily.hmd())};
    for (const std::int32_t kept_limit : {0, 1, 65'537}) {
      release_arrays();
      read(bytes, kept_limit);
      EXPECT_EQ(kept.record_count, run.record_count) << kept_limit;
      EXPECT_EQ(kept.nodata.tmp_max() + 10 * kept.nodata.tmp_min() + 100 * kept.nodata.hmd(),
                run.nodata.tmp_max() + 10 * run.nodata.tmp_min() + 100 * run.nodata.hmd());
      expect_column(run.daily.tmp_max(), columns[0]);
      expect_column(run.daily.tmp_min(), columns[1]);
      expect_column(run.daily.hmd(), columns[2]);
    }
    ::testing::internal::GetCapturedStderr();
  }
}

TEST_F(DailyReader, WhereReadingStoppedIsToldOnce) {
  struct Case {
    const char* label;
    std::string bytes;
    std::int32_t records;
    std::string warning;
  };
  const std::string ends_inside = " Warning: the input file ends inside a record; reading stops there, ";
  const Case cases[] = {
      {"clean end", "3 2 50\n6 5 50\n\n  \n", 2, ""},
      {"byte-order mark",
       "\xEF\xBB\xBF"
       "3 2 50\n6 5 50\n",
       2, ""},
      {"byte-order mark alone", "\xEF\xBB\xBF", 0, " Warning: the input file holds no record.\r\n"},
      {"byte-order mark on a later line",
       "3 2 50\n\xEF\xBB\xBF"
       "6 5 50\n",
       1, " Warning: line 2 of the input file cannot be read; reading stops there, after 1 record.\r\n"},
      {"header line", "tmax tmin hmd\n3 2 50\n", 0,
       " Warning: line 1 of the input file cannot be read; reading stops there, after 0 records.\r\n"},
      {"bad value on a continuation line", "\n3 2 50\n4 5\n\nx\n9 8 50\n", 1,
       " Warning: line 5 of the input file cannot be read; reading stops there, after 1 record.\r\n"},
      {"footer after the data", "3 2 50\n6 5 50\n9 8 50\nend of data\n", 3,
       " Warning: line 4 of the input file cannot be read; reading stops there, after 3 records.\r\n"},
      {"two values at the end", "3 2 50\n4 5\n", 1, ends_inside + "after 1 record.\r\n"},
      {"one value at the end, no line end", "3 2 50\n6 5 50\n7", 2, ends_inside + "after 2 records.\r\n"},
      {"null value at the end", "3 2 50\n,\n", 1, ends_inside + "after 1 record.\r\n"},
  };
  for (const Case& c : cases) {
    ::testing::internal::CaptureStderr();
    read(c.bytes);
    EXPECT_EQ(c.warning, ::testing::internal::GetCapturedStderr()) << c.label;
    EXPECT_EQ(c.records, run.record_count) << c.label;
    EXPECT_EQ(c.records, run.daily.tmp_max().count) << c.label;
    for (RealArray& array : run.daily) recio::release_array(array);
  }
}

TEST_F(DailyReader, HeaderLineEndsTheDataAtOnce) {
  read("tmax tmin hmd\n25.3 12.1 80\n20.0 10.0 50.0\n");
  EXPECT_EQ(0, run.record_count);
  EXPECT_EQ(0, run.daily.tmp_max().count);
}

TEST_F(DailyReader, UnreadableValueEndsTheDataAtItsRecord) {
  std::string bytes;
  for (int day = 1; day <= 99; ++day) bytes += std::to_string(day) + " 1.5 60\n";
  bytes += "25.3 x 80\n";
  for (int day = 101; day <= 400; ++day) bytes += "7 1.5 60\n";
  read(bytes);
  EXPECT_EQ(99, run.record_count);
  EXPECT_EQ(0, run.year_count);
  ASSERT_EQ(99, run.daily.tmp_max().count);
  EXPECT_TRUE(same_float(99.0f, run.daily.tmp_max()[99]));
}

TEST_F(DailyReader, NullValueKeepsThePreviousRecordsValueAndStartsFromZero) {
  // The first pass ends with 5.5 as minimum; the loading pass starts again
  // from zero, so the first record's null minimum is 0.0 in the array too.
  read("25.3,,80\n20.0 5.5 60\n21,,70\n");
  EXPECT_EQ(3, run.record_count);
  EXPECT_EQ(0, run.nodata.tmp_min());
  expect_column(run.daily.tmp_max(), {25.3f, 20.0f, 21.0f});
  expect_column(run.daily.tmp_min(), {0.0f, 5.5f, 5.5f});
  expect_column(run.daily.hmd(), {80.0f, 60.0f, 70.0f});
}

TEST_F(DailyReader, YearCountIsWholeYearsOfRecords) {
  struct Case {
    int records, years;
  };
  for (const Case c : {Case{365, 1}, Case{729, 1}, Case{730, 2}, Case{1461, 4}}) {
    std::string bytes;
    for (int day = 1; day <= c.records; ++day) bytes += "10 5 50\n";
    read(bytes);
    EXPECT_EQ(c.records, run.record_count);
    EXPECT_EQ(c.years, run.year_count) << c.records;
    for (RealArray& array : run.daily) recio::release_array(array);
  }
}

// Dated files: each record on the day of its date from 1 January of the
// first year, and a word for everything that is not used or not there.
TEST_F(DailyReader, DatedRecordsArePlacedOnTheDaysOfTheirDates) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* label;
    std::int32_t first_year;
    std::string bytes;
    std::vector<float> tmp_max;  // the column as read, before the gap filling (NaN: no-data)
    std::string err;
  };
  const std::string w = " Warning: ";
  const Case cases[] = {
      {"complete, under a header", 1991, "DATE,TMAX,TMIN,RH\n1991-01-01,1,0,50\n1991-01-02,2,0,50\n", {1, 2}, ""},
      {"a day without a record", 1991, "1991-01-01,1,0,50\n1991-01-03,3,0,50\n", {1, nan, 3},
       w + "1 day has no record and counts as no-data in all three columns (1991-01-02).\r\n"},
      {"days before the first record", 1991, "1991-01-03,3,0,50\n1991-01-05,5,0,50\n", {nan, nan, 3, nan, 5},
       w + "3 days have no record and count as no-data in all three columns (first: 1991-01-01).\r\n"},
      {"a repeated date, a date going back", 1991,
       "1991-01-01,1,0,50\n1991-01-02,2,0,50\n1991-01-02,9,0,50\n1991-01-01,9,0,50\n1991-01-03,3,0,50\n", {1, 2, 3},
       w + "2 records repeat the date of a record before them or go back to an earlier date, and are not used "
           "(first: line 3).\r\n"},
      {"one going back", 1991, "1991-01-01,1,0,50\n1991-01-02,2,0,50\n1991-01-01,9,0,50\n", {1, 2},
       w + "1 record repeats the date of a record before it or goes back to an earlier date, and is not used "
           "(line 3).\r\n"},
      {"before the first year", 1991, "1990-12-30,9,0,50\n1990-12-31,9,0,50\n1991-01-01,1,0,50\n", {1},
       w + "2 records are dated before 1 January 1991, the first year, and are not used (first: line 1).\r\n"},
      {"before the first year and going back", 1991, "1991-01-01,1,0,50\n1990-12-31,9,0,50\n", {1},
       w + "1 record is dated before 1 January 1991, the first year, and is not used (line 2).\r\n"},
      {"lines without a date", 1991,
       "date,tmax\n1991-01-01,1,0,50\n\n  \ndate,tmax\n1991-02-30,9,0,50\n19910102,9,0,50\n1991-01-02,2,0,50\nend\n",
       {1, 2}, w + "4 lines of the input file begin with no date and are not used (first: line 5).\r\n"},
      {"words and empty cells", 1991, "1991-01-01,M,0,50\n1991-01-02,,---,NA\n1991-01-03,3\n1991-01-04\n",
       {nan, nan, 3, nan}, w + "2 values are not numbers and count as no-data (first: line 1).\r\n"},
      {"one word", 1991, "1991-01-01,1,T,50\n1991-01-02,1,0,50\n", {1, 1}, w + "1 value is not a number and counts as no-data (line 1).\r\n"},
      {"semicolons, decimal commas, a time", 1991, "Datum;Tmax\n01.01.1991;07:00;1,5;0,5;50\n2.1.1991;2;0;50\n",
       {1.5f, 2}, ""},
      {"columns with a header of numbers", 1991, "lat lon\n52.5 13.4\n1991 1 1 1 0 50\n1991 1 2\n", {1, nan}, ""},
      {"a negative first year", -5, "1000-01-01,1,0,50\n", {},
       w + "367069 days have no record and count as no-data in all three columns (first: -0005-01-01).\r\n"},
      {"a year of fewer digits", 5, "1000-01-01,1,0,50\n", {},
       w + "363416 days have no record and count as no-data in all three columns (first: 0005-01-01).\r\n"},
      {"the order of the lines", 1991, "x\n1991-01-02,1,0,50\n1990-01-01,1,0,50\n1991-01-02,M,0,50 5\nnone\n",
       {nan, 1},
       w + "1 line of the input file begins with no date and is not used (line 5).\r\n" + w +
           "1 record is dated before 1 January 1991, the first year, and is not used (line 3).\r\n" + w +
           "1 record repeats the date of a record before it or goes back to an earlier date, and is not used "
           "(line 4).\r\n" +
           w + "1 day has no record and counts as no-data in all three columns (1991-01-01).\r\n"},
      {"the checks of the records placed", 1991,
       "1991-01-01 12,5 3,4 80\n1991-01-02,1,5,50\n1991-01-03,1,0,50,0.4,\"\"\n1991-01-04,1,0,50,,\"\"\n", {12, 1, 1, 1},
       w + "1 record seems to use decimal commas, which here separate values (line 1).\r\n" + w +
           "2 records have text after the values read, which is not used (first: line 1).\r\n" + w +
           "on 1 day the minimum temperature is above the maximum (line 2).\r\n"},
  };
  for (const Case& c : cases) {
    ::testing::internal::CaptureStderr();
    release_arrays();
    run.first_year = c.first_year;
    read(c.bytes);
    EXPECT_EQ(c.err, ::testing::internal::GetCapturedStderr()) << c.label;
    if (c.tmp_max.empty()) continue;
    EXPECT_EQ(static_cast<std::int32_t>(c.tmp_max.size()), run.record_count) << c.label;
    std::int32_t nodata = 0;
    for (const float value : c.tmp_max) nodata += std::isnan(value) ? 1 : 0;
    EXPECT_EQ(nodata, run.nodata.tmp_max()) << c.label;
    const std::vector<float> filled = values_of(run.daily.tmp_max());
    for (std::size_t i = 0; i < c.tmp_max.size() && i < filled.size(); ++i) {
      if (!std::isnan(c.tmp_max[i])) {
        EXPECT_TRUE(same_float(c.tmp_max[i], filled[i])) << c.label << " day " << i + 1;
      }
    }
  }
}

// A day beyond what the count holds (a limit the test lowers stands for it)
// ends the run with the memory message, after the lines for the days before.
TEST_F(DailyReader, ADatedDayBeyondTheCountEndsTheRun) {
  run.first_year = 1991;
  std::ofstream(input, std::ios::binary) << "1991-01-01,1,0,50\nx\n1991-01-03,1,0,50\n1991-01-04,1,0,50\n";
  EXPECT_EXIT(read_daily_records(run, 3), ::testing::ExitedWithCode(41),
              "^ Warning: 1 line of the input file begins with no date and is not used \\(line 2\\).\r\n"
              " Warning: 1 day has no record and counts as no-data in all three columns \\(1991-01-02\\).\r\n"
              "forrtl: severe \\(41\\): insufficient virtual memory\r\n$");
}

}  // namespace
}  // namespace tiral
