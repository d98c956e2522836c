#include "daily/file_layout.hpp"

#include "daily/input_file.hpp"
#include "recio/run_end.hpp"
#include "recio/units.hpp"

namespace tiral {

bool next_input_line(std::int32_t unit, std::string_view& line) {
  const recio::RecordTake taken = recio::take_record(unit, line);
  if (taken.error != 0) recio::fatal_on_unit(recio::Message::read_error, unit, taken.error);
  return taken.got;
}

namespace {

// What a stream that cannot be read again may hold in memory while its first
// lines are looked at: an endless device would otherwise be looked at forever.
constexpr std::size_t most_bytes_held = 16u << 20;

}  // namespace

FileLayout decide_file_layout(std::int32_t unit) {
  recio::hold_input_start(unit);
  std::string_view line;
  bool header_seen = false;
  const bool rewindable = recio::unit_rewindable(unit);
  std::size_t bytes_held = 0;
  while (next_input_line(unit, line)) {
    bytes_held += line.size() + 1;
    // A line cut at its longest is no header: passing over the rest of it
    // could take forever on a device that never ends a line.
    if (line.size() >= recio::longest_record || (!rewindable && bytes_held > most_bytes_held)) break;
    if (is_blank_line(line)) continue;
    // Below a header only a date decides: numbers there are the header's.
    DatedLine read;
    const LineVerdict verdict =
        header_seen ? LineVerdict{read_line_date(line, DateForm::none, read) ? LineKind::dated : LineKind::header}
                    : judge_first_line(line, read);
    if (verdict.kind == LineKind::dated) return {read.form, recio::records_taken(unit), line, read.date};
    if (verdict.kind == LineKind::numbers) break;
    header_seen = true;
  }
  recio::return_to_input_start(unit);
  return {};
}

std::optional<std::int32_t> first_dated_year(const RunState& run) {
  open_input_file(run);
  const FileLayout layout = decide_file_layout(input_unit);
  recio::close_unit(input_unit);
  if (layout.form == DateForm::none) return std::nullopt;
  return static_cast<std::int32_t>(layout.first_date.year);
}

}  // namespace tiral
