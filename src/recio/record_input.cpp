#include "recio/record_input.hpp"

#include "recio/field_input.hpp"
#include "recio/list_input.hpp"
#include "recio/run_end.hpp"
#include "recio/units.hpp"

namespace recio {

namespace {

struct UnitFeed {
  Unit& unit;
  platform::ErrorCode error = 0;  // of a read the system refused
};

Status next_unit_record(void* context, std::string_view& record) {
  auto& feed = *static_cast<UnitFeed*>(context);
  const RecordTake taken = take_record(feed.unit, record);
  if (taken.got) return read_ok;
  feed.error = taken.error;
  return taken.error != 0 ? read_error : read_end_of_file;
}

// Hands the status back, or ends the run when the statement has no status result.
void finish_read(Unit& unit, Status result, platform::ErrorCode os_error, Status* status) {
  if (result == read_ok) end_read(unit_number(unit));
  if (status != nullptr) {
    *status = result;
    return;
  }
  if (result == read_ok) return;
  const Message message = result == read_end_of_file ? Message::end_of_file : message_of(result);
  fatal_diagnostic(message, unit_number(unit), unit_name(unit), result == read_error ? os_error : 0);
}

}  // namespace

void read_list_directed(std::int32_t unit, std::initializer_list<InputItem> items, Status* status,
                        std::size_t* items_done, ReadTrace* trace) {
  UnitFeed context{statement_unit(unit)};
  const RecordFeed feed{next_unit_record, &context};
  const Status result =
      parse_list_directed(feed, std::span<const InputItem>(items.begin(), items.size()), items_done, trace);
  finish_read(context.unit, result, context.error, status);
}

void read_formatted(std::int32_t unit, const Format& format, std::initializer_list<InputItem> items, Status* status) {
  Unit& connected = statement_unit(unit);
  std::string_view record;
  const RecordTake taken = take_record(connected, record);
  Status result = read_end_of_file;
  if (taken.got) {
    result = parse_formatted(record, format, std::span<const InputItem>(items.begin(), items.size()),
                             unit_blank_mode(connected));
  } else if (taken.error != 0) {
    result = read_error;
  }
  finish_read(connected, result, taken.error, status);
}

}  // namespace recio
