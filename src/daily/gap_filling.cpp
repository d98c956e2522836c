#include "daily/gap_filling.hpp"

#include <algorithm>

#include "daily/calendar.hpp"
#include "daily/input_file.hpp"
#include "state/month_table.hpp"

namespace tiral {

namespace {

// The rule for a monthly mean: no more missing days than this, nor a longer run.
constexpr std::int64_t most_missing_days = 10;
constexpr std::int64_t most_missing_in_a_row = 4;

struct GapFiller {
  PerColumn<float*> days;
  DayValues means;
  // A column without any valid value misses nothing: it has no mean to miss.
  PerColumn<bool> counts;

  // Fills day `i` (from 0); true when it misses a value that counts.
  bool fill(std::size_t i) const {
    bool missing = false;
    for (const Column column : all_columns) {
      float& value = days[column][i];
      if (valid_value(column, value)) continue;
      value = means[column];
      missing = missing || counts[column];
    }
    return missing;
  }
};

GapFiller gap_filler(RunState& run, const DayValues& means) {
  GapFiller filler{{}, means, {}};
  for (const Column column : all_columns) {
    filler.days[column] = run.daily[column].storage;
    filler.counts[column] = run.nodata[column] < run.record_count;
  }
  return filler;
}

struct MonthGaps {
  std::int64_t missing = 0;
  std::int64_t longest_run = 0;
};

MonthGaps fill_month(const GapFiller& filler, std::size_t first, std::size_t end) {
  MonthGaps gaps;
  std::int64_t run = 0;
  for (std::size_t i = first; i < end; ++i) {
    if (filler.fill(i)) {
      ++gaps.missing;
      gaps.longest_run = std::max(gaps.longest_run, ++run);
    } else {
      run = 0;
    }
  }
  return gaps;
}

void note_month(RunState& run, std::int32_t month, std::int64_t year, const MonthGaps& gaps) {
  run.missing_days[month] += gaps.missing;
  if (gaps.missing <= most_missing_days && gaps.longest_run <= most_missing_in_a_row) return;
  run.failing_years[month] += 1;
  if (run.failing_months.count++ == 0) {
    run.failing_months.first_month = month;
    run.failing_months.first_year = year;
  }
}

}  // namespace

void fill_gaps(RunState& run, const DayValues& means) {
  const auto days = static_cast<std::size_t>(run.record_count);
  const GapFiller filler = gap_filler(run, means);
  run.missing_days = {};
  run.failing_years = {};
  run.failing_months = {};
  std::size_t day = 0;
  for (std::int32_t offset = 0; offset < run.year_count && day < days; ++offset) {
    const std::int64_t year = std::int64_t{run.first_year} + offset;
    for (const MonthInfo& month : month_table) {
      const std::size_t end = std::min(days, day + static_cast<std::size_t>(days_in_month(year, month.month)));
      note_month(run, month.month, year, fill_month(filler, day, end));
      day = end;
      if (day == days) break;
    }
  }
  // The days after the walk are filled too, though nothing reads them.
  for (; day < days; ++day) filler.fill(day);
}

}  // namespace tiral
