// The calendar months: report label, work-file unit and length.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tiral {

struct MonthInfo {
  std::int32_t month;
  std::string_view label;      // row label of the report
  std::int32_t unit;           // work-file unit, 100 + month
  std::int32_t days_per_year;  // February: 28, one more in a leap year
};

inline constexpr std::array<MonthInfo, 12> month_table{{
    {1, "Jan", 101, 31},
    {2, "Feb", 102, 28},
    {3, "Mar", 103, 31},
    {4, "Apr", 104, 30},
    {5, "May", 105, 31},
    {6, "Jun", 106, 30},
    {7, "Jul", 107, 31},
    {8, "Aug", 108, 31},
    {9, "Sep", 109, 30},
    {10, "Oct", 110, 31},
    {11, "Nov", 111, 30},
    {12, "Dec", 112, 31},
}};

constexpr std::int32_t february = 2;

}  // namespace tiral
