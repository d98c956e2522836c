// The unit table: numbered connections to files and the console, and the one
// place where records are put out (with CR LF) and taken in.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.hpp"
#include "recio/status.hpp"
#include "recio/unit_table.hpp"
#include "recio/format.hpp"
#include "recio/line_cutter.hpp"
#include "state/name_answer.hpp"

namespace recio {


// What an open of a named file does when no file has the name.
enum class WhenMissing {
  refuse,  // message 29; the file is opened for reading only where it can be read so
  create,  // an empty file
};

// Connects `unit` to a named file, first ending any connection the unit has.
// `name_field` is a blank-padded text field (its leading blanks, trailing
// blanks and zero bytes are not part of the name). A name cut by its field,
// one typed with more text after it (message 43 names that line), an empty
// name and one that holds a zero byte are refused (message 43), in this
// order, before the file system is asked. Any failure is fatal.
//
// With `whole_file` a named file is written whole or not at all: the open
// makes a new file beside the one the name leads to (links resolved now) and
// the close puts it in that file's place; any other end of the run deletes
// it and leaves the old file, and other links to it, as they were. A file
// that may only be read, a device, and a folder that takes no new file are
// opened as without it; a name of the process's own standard output or
// error writes to that stream as it is. `never_over` names a file that such
// an open must not reach, not even through a link made since: message 30,
// nothing written.
struct OpenOptions {
  bool whole_file = false;
  std::string_view never_over;
};
void open_named(std::int32_t unit, std::string_view name_field, WhenMissing when_missing, const tiral::NameAnswer& answer = {},
                const OpenOptions& options = {});

// Connects `unit` to a new temporary file that the close deletes, first
// ending any connection the unit has. A failure is fatal.
void open_scratch(std::int32_t unit);

// Positions a unit at its first record; a later write cuts the file after the
// record written. Does nothing on a unit that is not connected.
void rewind_unit(std::int32_t unit);

// Keeps the records of a unit not yet read, from its first on, so that
// return_to_input_start can give them again: in memory, or for a regular
// file by a rewind once they outgrow the first buffer. For a reader that
// looks at a file's first lines before it knows how to read them.
void hold_input_start(std::int32_t unit);
void return_to_input_start(std::int32_t unit);
// Whether a unit's file can be read again from its start by a rewind (a
// regular file), so that what was read of it need not be held.
bool unit_rewindable(std::int32_t unit);

// Ends a connection with its default disposition: scratch files are deleted,
// others kept; a whole-file unit's new file takes the old one's place. Does
// nothing on a unit that is not connected.
void close_unit(std::int32_t unit);

// --- record transfer, for the record layers ---

// A connected unit as a statement sees it: looked up once, then handed to
// each step of the statement.
struct Unit;

// The unit of a statement, connecting the keyboard and the screen units at
// first use; a unit that is not connected ends the run (message 30).
// Every statement of a large file's records comes this way: the index of
// the unit table, inline.
Unit& statement_unit_not_indexed(std::int32_t unit);
inline Unit& statement_unit(std::int32_t unit) {
  if (unit >= 0 && unit < unit_index_size) {
    if (Unit* indexed = unit_index[static_cast<std::size_t>(unit)]) return *indexed;
  }
  return statement_unit_not_indexed(unit);
}

// Sends one record to a unit (connecting the screen unit at first use). A
// non-advancing record gets no line end and stays pending on the console.
void put_record(std::int32_t unit, std::string_view record, bool advance);

// Room in a file unit's buffer for a record of up to `most` bytes and its
// line end, for a writer that lays the record out in place and then calls
// end_record_in_place. Null for the console and for a record larger than
// the buffer, which go through put_record; a read-only unit ends the run.
char* record_space(Unit& unit, std::size_t most);
void end_record_in_place(Unit& unit, std::size_t length, bool advance);

// Takes the next record of a unit (connecting the keyboard unit at first
// use), cut by the rules of line_cutter.hpp. The view stays valid until the
// next call for that unit. Returns false at end of file (error 0) or when the system refused
// the read.
struct RecordTake {
  bool got = false;
  platform::ErrorCode error = 0;
};
RecordTake take_record(Unit& unit, std::string_view& record);
RecordTake take_record(std::int32_t unit, std::string_view& record);

// Ends a read statement on a unit: a read of the keyboard completes the
// pending prompt's line.
void end_read(std::int32_t unit);

bool unit_connected(std::int32_t unit);
// The records taken from a unit since it was opened or last rewound: the
// line number of the last one.
std::int64_t records_taken(std::int32_t unit);
// The stamp of a unit's file now: a reader that reads a file twice checks
// that nobody wrote it in between.
platform::FileStamp unit_file_stamp(std::int32_t unit);
std::int32_t unit_number(const Unit& unit);
const std::string& unit_name(const Unit& unit);  // "CONIN$" and "CONOUT$" for the console


// The name of a file from a blank-padded field: leading blanks skipped,
// trailing blanks and zero bytes dropped.
std::string_view trimmed_file_name(std::string_view name_field);

}  // namespace recio
