// The record layer's vocabulary: statuses and message numbers, named once.
//
// Results take one of two shapes:
// - the platform (platform.hpp) and the unit table's record transfer return
//   the system's platform::ErrorCode, 0 for success: alone, or as the `error`
//   member of a result that carries a value (OpenResult, RecordTake); a
//   refused open carries the platform's reason too, which this layer turns
//   into its message;
// - everything that reads or converts returns a Status: alone, or as the
//   `status` member of a result that carries a value (FieldValue).
// A read statement hands its Status back through a `status` argument; given
// none, it ends the run on anything but read_ok, as every other statement
// (open, write, rewind, close) does on any failure.
#pragma once

#include <cstdint>

namespace recio {

// Catalogue numbers used by the program; their texts are in messages.cpp.
enum class Message : std::int32_t {
  permission_denied = 9,
  rewind_error = 20,
  end_of_file = 24,
  close_error = 28,
  file_not_found = 29,
  open_failure = 30,
  write_error = 38,
  read_error = 39,
  no_memory = 41,
  no_such_device = 42,
  bad_file_name = 43,
  write_read_only = 47,
  syntax_error = 59,
  conversion_error = 64,
  already_allocated = 151,
  not_allocated = 153,
  interrupted = 200,
};

constexpr std::int32_t message_number(Message message) { return static_cast<std::int32_t>(message); }

// read_ok, read_end_of_file, or the number of the message that tells why a
// read failed: read_error, syntax_error or conversion_error.
using Status = std::int32_t;
constexpr Status read_ok = 0;
constexpr Status read_end_of_file = -1;
constexpr Status read_error = message_number(Message::read_error);  // the system refused the read
constexpr Status syntax_error = message_number(Message::syntax_error);
constexpr Status conversion_error = message_number(Message::conversion_error);

// The message of a failed read's status.
constexpr Message message_of(Status failed) { return static_cast<Message>(failed); }

// The exit status of a run that a fatal message ends.
constexpr std::uint32_t fatal_exit_status(Message message) {
  return 0xC0000000u + static_cast<std::uint32_t>(message_number(message));
}

}  // namespace recio
