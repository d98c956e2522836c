// The record layer's vocabulary: statuses and message numbers, named once.
//
// Results take one of two shapes:
// - the platform (platform.hpp) and the unit table's record transfer return
//   the system's platform::ErrorCode, 0 for success: alone, or as the `error`
//   member of a result that carries a value (OpenResult, RecordTake);
// - everything that reads or converts returns a Status: alone, or as the
//   `status` member of a result that carries a value (FieldValue).
// A read statement hands its Status back through a `status` argument; given
// none, it ends the run on anything but read_ok, as every other statement
// (open, write, rewind, close) does on any failure.
#pragma once

#include <cstdint>

namespace recio {

// read_ok, read_end_of_file, or the number of the message that tells why a
// read failed (msg_read_error, msg_syntax_error, msg_conversion_error).
using Status = std::int32_t;
constexpr Status read_ok = 0;
constexpr Status read_end_of_file = -1;

// Catalogue numbers used by the program; their texts are in messages.cpp.
enum Message : Status {
  msg_permission_denied = 9,
  msg_rewind_error = 20,
  msg_end_of_file = 24,
  msg_close_error = 28,
  msg_file_not_found = 29,
  msg_open_failure = 30,
  msg_write_error = 38,
  msg_read_error = 39,
  msg_no_memory = 41,
  msg_no_such_device = 42,
  msg_bad_file_name = 43,
  msg_keyword_value = 45,
  msg_write_read_only = 47,
  msg_syntax_error = 59,
  msg_conversion_error = 64,
  msg_already_allocated = 151,
  msg_not_allocated = 153,
  msg_interrupted = 200,
};

// The exit status of a run that a fatal message ends.
constexpr std::uint32_t fatal_exit_status(Status message) { return 0xC0000000u + static_cast<std::uint32_t>(message); }

}  // namespace recio
