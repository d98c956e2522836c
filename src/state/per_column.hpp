// The three daily columns of the input, in file order, and one value of any
// type for each: what the program does to every column is written once, as a
// loop over them, and each column keeps its report label as its name.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace tiral {

enum class Column : std::size_t { tmp_max, tmp_min, hmd };

// The columns in file order, the order every loop over them takes.
inline constexpr std::array<Column, 3> all_columns{Column::tmp_max, Column::tmp_min, Column::hmd};

// The column's label in the report and in the warnings.
constexpr std::string_view column_name(Column column) {
  constexpr std::array<std::string_view, 3> names{"tmp_max", "tmp_min", "hmd"};
  return names[static_cast<std::size_t>(column)];
}

template <typename T>
struct PerColumn {
  std::array<T, 3> values{};

  T& operator[](Column column) { return values[static_cast<std::size_t>(column)]; }
  const T& operator[](Column column) const { return values[static_cast<std::size_t>(column)]; }

  T& tmp_max() { return (*this)[Column::tmp_max]; }
  T& tmp_min() { return (*this)[Column::tmp_min]; }
  T& hmd() { return (*this)[Column::hmd]; }
  const T& tmp_max() const { return (*this)[Column::tmp_max]; }
  const T& tmp_min() const { return (*this)[Column::tmp_min]; }
  const T& hmd() const { return (*this)[Column::hmd]; }

  // In file order: maximum temperature, minimum temperature, humidity.
  auto begin() { return values.begin(); }
  auto end() { return values.end(); }
  auto begin() const { return values.begin(); }
  auto end() const { return values.end(); }
};

}  // namespace tiral
