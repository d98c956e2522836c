#include "recio/record_input.hpp"

#include "recio/field_input.hpp"
#include "recio/list_input.hpp"
#include "recio/run_end.hpp"
#include "recio/units.hpp"

namespace recio {

namespace {

struct UnitFeed {
  Unit& unit;
};

// A read the system refuses is no fault of the record's text: it ends the
// run here, status result or not, with the system's own words, so that no
// reader takes it for the end of its data.
bool take_or_die(Unit& unit, std::string_view& record) {
  const RecordTake taken = take_record(unit, record);
  if (taken.error != 0) fatal_diagnostic(Message::read_error, unit_number(unit), unit_name(unit), taken.error);
  return taken.got;
}

Status next_unit_record(void* context, std::string_view& record) {
  auto& feed = *static_cast<UnitFeed*>(context);
  return take_or_die(feed.unit, record) ? read_ok : read_end_of_file;
}

// Hands the status back, or ends the run when the statement has no status result.
void finish_read(Unit& unit, Status result, Status* status) {
  if (result == read_ok) end_read(unit_number(unit));
  if (status != nullptr) {
    *status = result;
    return;
  }
  if (result == read_ok) return;
  const Message message = result == read_end_of_file ? Message::end_of_file : message_of(result);
  fatal_diagnostic(message, unit_number(unit), unit_name(unit));
}

}  // namespace

void read_list_directed(std::int32_t unit, std::initializer_list<InputItem> items, Status* status,
                        std::size_t* items_done, ReadTrace* trace) {
  UnitFeed context{statement_unit(unit)};
  const RecordFeed feed{next_unit_record, &context};
  const Status result =
      parse_list_directed(feed, std::span<const InputItem>(items.begin(), items.size()), items_done, trace);
  finish_read(context.unit, result, status);
}

void read_formatted(std::int32_t unit, const Format& format, std::initializer_list<InputItem> items, Status* status) {
  Unit& connected = statement_unit(unit);
  std::string_view record;
  Status result = read_end_of_file;
  if (take_or_die(connected, record)) {
    result = parse_formatted(record, format, std::span<const InputItem>(items.begin(), items.size()), BlankMode::null);
  }
  finish_read(connected, result, status);
}

}  // namespace recio
