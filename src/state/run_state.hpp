// The values the stages of a run share: one writer each, read by later stages.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "state/name_answer.hpp"
#include "state/per_column.hpp"
#include "state/real_array.hpp"

namespace tiral {

constexpr std::size_t name_length = 255;
// A file name field: blank-padded once the dialog has filled it.
using NameField = std::array<char, name_length>;

inline std::string_view as_text(const NameField& field) { return {field.data(), field.size()}; }

// The last year of `year_count` whole years from `first_year`, exact: any
// first year is accepted, and one year before it when there is no year.
inline std::int64_t last_year(std::int32_t first_year, std::int32_t year_count) {
  return std::int64_t{first_year} + year_count - 1;
}

// A year in a 32-bit field of the outputs: a year past the 32-bit range wraps
// around, as 32-bit arithmetic would.
inline std::int32_t year_field(std::int64_t year) { return static_cast<std::int32_t>(year); }

// Twelve values indexed by month 1 to 12.
struct MonthlyValues {
  std::array<float, 12> values{};
  float& operator[](std::int32_t month) { return values[static_cast<std::size_t>(month - 1)]; }
  float operator[](std::int32_t month) const { return values[static_cast<std::size_t>(month - 1)]; }
};

// Twelve counts indexed by month 1 to 12.
struct MonthlyCounts {
  std::array<std::int64_t, 12> values{};
  std::int64_t& operator[](std::int32_t month) { return values[static_cast<std::size_t>(month - 1)]; }
  std::int64_t operator[](std::int32_t month) const { return values[static_cast<std::size_t>(month - 1)]; }
};

// The months of the record (one calendar month of one year walked) that miss
// too many days for a monthly mean, and the first of them in walk order.
struct FailingMonths {
  std::int64_t count = 0;
  std::int32_t first_month = 0;
  std::int64_t first_year = 0;
};

struct RunState {
  NameField input_name{};  // zero bytes until the dialog
  NameField output_name{};
  // What the typed answers held beyond their names: no file of a name that
  // is not the whole answer is touched.
  NameAnswer input_answer;
  NameAnswer output_answer;
  std::int32_t first_year = 0;
  std::int32_t record_count = 0;
  std::int32_t year_count = 0;
  PerColumn<std::int32_t> nodata;     // the no-data values of each column, as read
  PerColumn<RealArray> daily;  // daily values, no-data already replaced
  std::int32_t leap_day_count = 0;
  // Per calendar month over the years walked: the days that miss a value as
  // read (before gap filling), and the years whose month misses too many
  // days for a monthly mean (11 or more, or 5 or more in a row).
  MonthlyCounts missing_days;
  MonthlyCounts failing_years;
  FailingMonths failing_months;
  MonthlyValues monthly_tmp_max;
  MonthlyValues monthly_tmp_min;
  MonthlyValues monthly_hmd;
  MonthlyValues monthly_dewpt;
  // Per calendar month: the days its analysis read back from its work file.
  MonthlyCounts days_read;
};

}  // namespace tiral
