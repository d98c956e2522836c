// The three values of a day as the reader takes them, their totals, and the
// columns it keeps them in until they become the daily arrays.
#pragma once

#include <cstdint>

#include "recio/array_storage.hpp"
#include "state/per_column.hpp"
#include "state/run_state.hpp"

namespace tiral {

using DayValues = PerColumn<float>;

struct ColumnTotals {
  float sum = 0.0f;  // single-precision running sum in file order, as required
  std::int32_t nodata = 0;
};

struct DayTotals {
  PerColumn<ColumnTotals> columns;

  void add(const DayValues& day);
  // Days without a record: no-data in every column.
  void add_empty_days(std::int64_t days);
  // The file means: the quotient in double from the exact divisor, rounded
  // once; an empty column gives 0/0, a quiet NaN.
  DayValues means(std::int32_t record_count) const;
  PerColumn<std::int32_t> nodata() const;
};

// What the first pass read, kept so that the file is read a second time only
// when memory for it ran out: the arrays are then allocated at the count and
// loaded from a second reading, which delivers the same days.
struct KeptDays {
  PerColumn<RealArray> columns;
  bool complete = true;  // every day counted so far is kept
};

// Keeps day `index` (from 1, one after the last kept), while memory and
// `kept_limit` allow; after the first refusal nothing more is kept.
void keep_day(KeptDays& kept, std::int32_t index, const DayValues& day, std::int32_t kept_limit);

// The kept days become the daily arrays, of exactly record_count elements.
void take_kept_days(RunState& run, KeptDays& kept);

// For the second reading: arrays of record_count elements, and one day's
// values stored in them.
void allocate_day_arrays(RunState& run);
inline void store_day(RunState& run, std::int32_t index, const DayValues& day) {
  for (const Column column : all_columns) run.daily[column][index] = day[column];
}

}  // namespace tiral
