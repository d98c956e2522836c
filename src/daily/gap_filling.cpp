#include "daily/gap_filling.hpp"

#include <algorithm>

#include "daily/calendar_splitter.hpp"
#include "daily/daily_reader.hpp"
#include "state/month_table.hpp"

namespace tiral {

namespace {

// The rule for a monthly mean: no more missing days than this, nor a longer run.
constexpr std::int64_t most_missing_days = 10;
constexpr std::int64_t most_missing_in_a_row = 4;

struct GapFiller {
  float* tmp_max;
  float* tmp_min;
  float* hmd;
  DayValues means;
  // A column without any valid value misses nothing: it has no mean to miss.
  bool counts_max, counts_min, counts_hmd;

  // Fills day `i` (from 0); true when it misses a value that counts.
  bool fill(std::size_t i) const {
    bool missing = false;
    if (!valid_temperature(tmp_max[i])) {
      tmp_max[i] = means.tmp_max;
      missing = missing || counts_max;
    }
    if (!valid_temperature(tmp_min[i])) {
      tmp_min[i] = means.tmp_min;
      missing = missing || counts_min;
    }
    if (!valid_humidity(hmd[i])) {
      hmd[i] = means.hmd;
      missing = missing || counts_hmd;
    }
    return missing;
  }
};

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
  const GapFiller filler{run.tmp_max.storage, run.tmp_min.storage, run.hmd.storage, means,
                         run.nodata_tmp_max < run.record_count, run.nodata_tmp_min < run.record_count,
                         run.nodata_hmd < run.record_count};
  run.missing_days = {};
  run.failing_years = {};
  run.failing_months = {};
  std::size_t day = 0;
  for (std::int32_t offset = 0; offset < run.year_count && day < days; ++offset) {
    const std::int64_t year = std::int64_t{run.first_year} + offset;
    for (const MonthInfo& month : month_table) {
      const std::int32_t length = month.days_per_year + (month.month == february && is_leap_year(year) ? 1 : 0);
      const std::size_t end = std::min(days, day + static_cast<std::size_t>(length));
      note_month(run, month.month, year, fill_month(filler, day, end));
      day = end;
      if (day == days) break;
    }
  }
  // The days after the walk are filled too, though nothing reads them.
  for (; day < days; ++day) filler.fill(day);
}

}  // namespace tiral
