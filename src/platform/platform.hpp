// The only door to the operating system: console streams, files, temporary
// files, error texts, interrupts and the exit status. Everything above this
// header is platform-independent; a Windows implementation stands beside the
// POSIX one and is chosen at build time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// An open file or console stream; -1 is "none".
struct FileHandle {
  std::intptr_t value = -1;
};

// The system's own error code (errno on POSIX, GetLastError on Windows); 0
// means success.
using ErrorCode = int;

FileHandle standard_input();
FileHandle standard_output();
FileHandle standard_error();

// Makes sure no file the program opens can become a standard stream: a
// stream closed at start is taken by a placeholder that refuses every
// transfer, so that the console's reads and writes fail as on a closed
// stream and never reach a user's file. Call before anything is opened.
// False when a placeholder could not be had: then a file opened later could
// become a standard stream.
bool guard_standard_streams();

// Resolves a name against the current directory to a full path, folding "."
// and ".." as the platform's own path resolution does. Returns an empty
// string when no full path can be formed.
std::string full_path(std::string_view name);

// Why the system refused an open, as far as a user can act on it.
enum class OpenFailure { none, not_found, denied, bad_name, no_device, other };

// The reason for a refused open's error code; none for 0.
OpenFailure open_failure_reason(ErrorCode error);

struct OpenResult {
  FileHandle handle;
  bool read_only = false;     // read-write access was refused; reading only
  bool regular_file = false;  // a disk file that can be cut, not a device
  // Access::replace only: the file the name leads to, links resolved now,
  // and the new file beside it that takes its place at commit_replacement.
  // An empty new_path: the file is written in place.
  std::string final_path;
  std::string new_path;
  ErrorCode error = 0;
  OpenFailure reason = OpenFailure::none;  // open_failure_reason(error)
};
// What an open does with a name that names no file.
enum class IfMissing { create, fail };
// What the open is for.
// - read_write: reading and writing at the first byte, falling back to
//   reading only when writing is refused.
// - read: reading only where the file can be read so, else as read_write.
// - replace: as read_write, but a disk file whose folder takes a new file is
//   written to that new file (mode and owner of the old one, or the default),
//   which replaces the file only at commit_replacement: until then the old
//   file stays as it was, and other links to it keep it. A name of the
//   process's own standard output or error is that stream as it is.
// No open waits for a writer or reader of a FIFO.
enum class Access { read_write, read, replace };
// A missing file is created empty (for replace: at the commit), or the open
// fails with the system's "not found". When the fallback fails too, the first
// refusal is the error reported.
OpenResult open_file(const std::string& name, IfMissing if_missing, Access access = Access::read_write);

// Closes a replacement's new file and renames it over its final path; on a
// refusal the new file is deleted and the old one stays.
ErrorCode commit_replacement(FileHandle handle, const std::string& new_path, const std::string& final_path);
// Closes a replacement's new file and deletes it; the old file stays as it
// was. Async-signal-safe.
void discard_replacement(FileHandle handle, const char* new_path);

struct ScratchResult {
  FileHandle handle;
  std::string path;  // where it was created, for diagnostics
  ErrorCode error = 0;
  OpenFailure reason = OpenFailure::none;  // open_failure_reason(error)
};
// Creates a new, uniquely named, hidden read-write file in the temporary
// directory that cannot outlive the process (it is gone from the directory
// as soon as it exists, or deleted by the system at close and at exit). Where
// the file must have a name for a moment, console events wait until the name
// is gone, so that no interrupt leaves it behind.
ScratchResult create_scratch_file();

// Writes every byte or fails; async-signal-safe.
ErrorCode write_all(FileHandle handle, const char* data, std::size_t size);

struct ReadResult {
  std::size_t bytes = 0;  // 0 with no error: end of file
  ErrorCode error = 0;
};
ReadResult read_some(FileHandle handle, char* buffer, std::size_t capacity);

ErrorCode seek_to_start(FileHandle handle);
// Cuts the file at the current write position.
ErrorCode truncate_at_position(FileHandle handle);

// What tells one state of a file from another: its size and the time of its
// last change; equal for a file that nobody wrote in between. A handle that
// is no file gives the empty stamp.
struct FileStamp {
  std::int64_t size = -1;
  std::int64_t modified = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp file_stamp(FileHandle handle);
// Closes a file; the standard streams are never closed. Async-signal-safe.
ErrorCode close_file(FileHandle handle);

// Both names (blanks already dropped) name one existing file.
bool same_existing_file(const std::string& first, const std::string& second);

// Both names resolve to one full path, letter case compared as the system's
// names compare it: a file that does not exist yet has no other identity.
bool same_full_path(const std::string& first, const std::string& second);

// The system's own text for an error code, without a line end.
std::string error_text(ErrorCode error);

// Console events that end a run.
enum class ConsoleEvent { control_c, control_break, menu_close, other };
struct Interrupt {
  ConsoleEvent event;
  int exit_status;  // what the process ends with after the diagnostic
};
// The handler runs at any moment, outside the normal flow, and must only do
// async-signal-safe work; it ends the process itself.
using InterruptHandler = void (*)(Interrupt);
void install_interrupt_handler(InterruptHandler handler);

// Storage for large arrays, touched once in order: the platform may back it
// with large pages, which cost far fewer faults. Null when refused.
void* allocate_storage(std::size_t bytes);
// Storage from either call, grown or shrunk to `bytes` with its contents kept
// up to the smaller size; large storage grows without being copied where the
// system can move pages instead. Null, with `storage` untouched, when refused.
void* resize_storage(void* storage, std::size_t bytes);
void release_storage(void* storage);

// IEEE exceptions never trap: 0/0 gives a quiet NaN and the run goes on.
void mask_floating_point_exceptions();

// Ends the process at once with a status of the system's full width
// (0xC0000000 + N and the like), reduced to what the system passes on to a
// parent: its low byte on POSIX. Async-signal-safe.
[[noreturn]] void exit_process(std::uint32_t status);

}  // namespace platform
