#include "report/monthly_table.hpp"

#include <gtest/gtest.h>

#include "test_files.hpp"
#include "test_support.hpp"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "recio/units.hpp"

namespace tiral {
namespace {

using test_support::file_bytes;
using test_support::name_field;

// The cells of one CSV line as RFC 4180 reads them.
std::vector<std::string> csv_cells(const std::string& line) {
  std::vector<std::string> cells(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        cells.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cells.back() += c;
      }
    } else if (c == '"' && cells.back().empty()) {
      quoted = true;
    } else if (c == ',') {
      cells.emplace_back();
    } else {
      cells.back() += c;
    }
  }
  return cells;
}

// A mean read back from its cell; NaN for an empty one.
float read_back(const std::string& cell) {
  if (cell.empty()) return std::numeric_limits<float>::quiet_NaN();
  float value = 0;
  const auto result = std::from_chars(cell.data(), cell.data() + cell.size(), value);
  EXPECT_TRUE(result.ec == std::errc() && result.ptr == cell.data() + cell.size()) << cell;
  return value;
}

class MonthlyTable : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_FALSE(recio::unit_connected(table_unit)); }

  // The lines of the table written for `run`; each must end with CR LF.
  std::vector<std::string> lines(const RunState& run) {
    write_monthly_table(run, as_text(name_field(table.string())), {});
    const std::string bytes = file_bytes(table).value_or("");
    std::vector<std::string> found;
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t end = bytes.find("\r\n", at);
      if (end == std::string::npos) {
        ADD_FAILURE() << "last line without CR LF";
        break;
      }
      found.push_back(bytes.substr(at, end - at));
      at = end + 2;
    }
    return found;
  }

  test_support::TempFolder folder{"tiral_table"};
  std::filesystem::path table = folder / "table.csv";
};

TEST_F(MonthlyTable, MeansReadBackBitForBit) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  // Values whose shortest form is long, tiny, huge, signed or not a number.
  const float values[12][4] = {
      {0.1f, -0.1f, 100.0f, 1.0f / 3.0f},
      {std::nextafter(20.0f, 21.0f), std::nextafter(20.0f, 19.0f), 99.99999f, -0.0f},
      {std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest(), 1e-7f, 0.0f},
      {std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::min(), 50.5f, -12.345678f},
      {nan, nan, nan, nan},
      {16777216.0f, 16777217.0f, 1234567.9f, -89.99999f},
      {24.14f, 15.4f, 61.97f, nan},
      {22.31f, 13.73f, 64.35f, 11.52f},
      {18.54f, 9.9f, 68.0f, 8.76f},
      {12.75f, 4.19f, 74.33f, 4.59f},
      {7.21f, -1.49f, 80.82f, 0.4f},
      {3.59f, -5.03f, 84.37f, -2.49f},
  };
  RunState run;
  run.input_name = name_field("climate.txt");
  run.first_year = 1991;
  run.year_count = 10;
  for (std::int32_t m = 1; m <= 12; ++m) {
    run.monthly_tmp_max[m] = values[m - 1][0];
    run.monthly_tmp_min[m] = values[m - 1][1];
    run.monthly_hmd[m] = values[m - 1][2];
    run.monthly_dewpt[m] = values[m - 1][3];
    run.days_read[m] = 300 + m;
    run.missing_days[m] = m == 2 ? 45 : 0;
    run.failing_years[m] = m == 2 ? 3 : 0;
  }
  const std::vector<std::string> got = lines(run);
  ASSERT_EQ(got.size(), 13u);
  EXPECT_EQ(got[0], "input,first_year,last_year,month,tmp_max,tmp_min,hmd,dewpt,days,missing_days,failing_years");
  for (std::int32_t m = 1; m <= 12; ++m) {
    const std::vector<std::string> cells = csv_cells(got[static_cast<std::size_t>(m)]);
    ASSERT_EQ(cells.size(), 11u) << got[static_cast<std::size_t>(m)];
    EXPECT_EQ(cells[0], "climate.txt");
    EXPECT_EQ(cells[1], "1991");
    EXPECT_EQ(cells[2], "2000");
    EXPECT_EQ(cells[3], std::to_string(m));
    for (int q = 0; q < 4; ++q) {
      const float expected = values[m - 1][q];
      const float back = read_back(cells[static_cast<std::size_t>(4 + q)]);
      if (std::isnan(expected)) {
        EXPECT_EQ(cells[static_cast<std::size_t>(4 + q)], "") << m << "/" << q;
      } else {
        EXPECT_TRUE(test_support::same_float(expected, back)) << m << "/" << q << ": " << cells[4 + q];
        // Nine significant digits at most, as the shortest form of a float.
        EXPECT_LE(cells[static_cast<std::size_t>(4 + q)].size(), 15u);
      }
    }
    EXPECT_EQ(cells[8], std::to_string(300 + m));
    EXPECT_EQ(cells[9], m == 2 ? "45" : "0");
    EXPECT_EQ(cells[10], m == 2 ? "3" : "0");
  }
  // The forms a reader sees for a few of them.
  EXPECT_EQ(csv_cells(got[1])[4], "0.1");
  EXPECT_EQ(csv_cells(got[2])[7], "-0");
  EXPECT_EQ(csv_cells(got[8])[4], "22.31");
}

TEST_F(MonthlyTable, InputNameQuotedOnlyWhenItMustBe) {
  struct Case {
    std::string name, cell;
  };
  const std::string fifty(50, 'n');
  const Case cases[] = {
      {"climate.txt", "climate.txt"},
      {"C:\\data\\b.txt", "C:\\data\\b.txt"},
      {"my data.txt", "\"my data.txt\""},
      {"a,b.txt", "\"a,b.txt\""},
      {"say \"hi\".txt", "\"say \"\"hi\"\".txt\""},
      {"  lead.txt", "\"  lead.txt\""},
      {"tab\there.txt", "\"tab\there.txt\""},
      {"d'x.txt", "d'x.txt"},
      // The report's record 2 shows 50 characters of the name.
      {fifty + "beyond.txt", fifty},
      {std::string(46, 'n') + "  , x", "\"" + std::string(46, 'n') + "  ,\""},
  };
  for (const Case& c : cases) {
    RunState run;
    run.input_name = name_field(c.name);
    run.first_year = 2001;
    run.year_count = 1;
    const std::vector<std::string> got = lines(run);
    ASSERT_EQ(got.size(), 13u) << c.name;
    EXPECT_EQ(got[1].substr(0, c.cell.size() + 1), c.cell + ",") << c.name;
    EXPECT_EQ(csv_cells(got[12]).size(), 11u) << c.name;
  }
}

// An empty run: no year, every mean not a number, the period as the report
// gives it.
TEST_F(MonthlyTable, RunWithoutAWholeYear) {
  RunState run;
  run.input_name = name_field("short.txt");
  run.first_year = 1991;
  for (std::int32_t m = 1; m <= 12; ++m) {
    run.monthly_tmp_max[m] = run.monthly_tmp_min[m] = run.monthly_hmd[m] = run.monthly_dewpt[m] =
        std::numeric_limits<float>::quiet_NaN();
  }
  const std::vector<std::string> got = lines(run);
  ASSERT_EQ(got.size(), 13u);
  EXPECT_EQ(got[1], "short.txt,1991,1990,1,,,,,0,0,0");
  EXPECT_EQ(got[12], "short.txt,1991,1990,12,,,,,0,0,0");
}

// An older, longer file of the same name keeps nothing of itself.
TEST_F(MonthlyTable, ReplacesAnEarlierFile) {
  ASSERT_TRUE(test_support::write_file(table, std::string(10000, '#')));
  RunState run;
  run.input_name = name_field("a.txt");
  const std::vector<std::string> got = lines(run);
  EXPECT_EQ(got.size(), 13u);
  EXPECT_EQ(file_bytes(table).value_or("").find('#'), std::string::npos);
}

}  // namespace
}  // namespace tiral
