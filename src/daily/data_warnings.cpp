#include "daily/data_warnings.hpp"

#include <string>

#include "recio/messages.hpp"

namespace tiral {

namespace {

std::string records_read(std::int32_t records) {
  return "after " + std::to_string(records) + (records == 1 ? " record." : " records.");
}

}  // namespace

void warn_unreadable_line(std::int64_t line, std::int32_t records) {
  recio::write_warning(" Warning: line " + std::to_string(line) +
                       " of the input file cannot be read; reading stops there, " + records_read(records));
}

void warn_file_ends_inside_record(std::int32_t records) {
  recio::write_warning(" Warning: the input file ends inside a record; reading stops there, " + records_read(records));
}

void warn_walk_result(std::int32_t year_count, std::int32_t record_count, std::int64_t unused, std::int64_t missing,
                      std::int64_t last_year) {
  const std::string year = std::to_string(last_year);
  if (year_count == 0 && record_count > 0) {
    recio::write_warning(" Warning: fewer than 365 records make no whole year; no record is used.");
  } else if (unused == 1) {
    recio::write_warning(" Warning: the last record falls after 31 December " + year + " and is not used.");
  } else if (unused > 1) {
    recio::write_warning(" Warning: the last " + std::to_string(unused) + " records fall after 31 December " + year +
                         " and are not used.");
  } else if (missing > 0) {
    recio::write_warning(" Warning: the records end " + std::to_string(missing) + (missing == 1 ? " day" : " days") +
                         " before 31 December " + year + ".");
  }
}

}  // namespace tiral
