// Win32 implementation of the platform layer: console streams, scratch files,
// transfers, error texts, console events, storage and the end of the process.
// Names and the opening of named files are in platform_win32_files.cpp.
//
// Handles are the system's own HANDLE values; error codes are GetLastError
// values. Console streams are read and written as raw bytes with
// ReadFile/WriteFile, so no text-mode translation touches CR, LF or 0xB0.
#include "platform/platform.hpp"

#include "platform/platform_win32_handles.hpp"

#include <algorithm>
#include <atomic>
#include <cfenv>
#include <float.h>
#include <cstdlib>
#include <string>
#include <vector>

namespace platform {

namespace {

// No single ReadFile or WriteFile call may exceed a DWORD; a large request is
// sent in pieces of this size.
constexpr std::size_t largest_transfer = 1u << 30;

bool is_standard_handle(HANDLE handle) {
  for (const DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
    if (handle == GetStdHandle(which)) return true;
  }
  return false;
}

}  // namespace

FileHandle standard_input() { return from_native(GetStdHandle(STD_INPUT_HANDLE)); }
FileHandle standard_output() { return from_native(GetStdHandle(STD_OUTPUT_HANDLE)); }
FileHandle standard_error() { return from_native(GetStdHandle(STD_ERROR_HANDLE)); }

std::string full_path(std::string_view name) {
  if (name.empty()) return {};
  const std::string given(name);
  std::vector<char> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD length = GetFullPathNameA(given.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (length == 0) return {};
    // On success the length excludes the terminating zero; a result that did
    // not fit reports the size it needs, zero included.
    if (length < buffer.size()) return std::string(buffer.data(), length);
    buffer.resize(length + 1);
  }
}

ScratchResult create_scratch_file() {
  ScratchResult result;
  char directory[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof directory, directory);
  if (length == 0 || length >= sizeof directory) {
    result.error = length == 0 ? static_cast<ErrorCode>(GetLastError()) : ERROR_FILENAME_EXCED_RANGE;
    result.reason = open_failure_reason(result.error);
    return result;
  }
  // Our own unique names and CREATE_NEW instead of GetTempFileNameA: that
  // call leaves a plain file behind for a moment, which a killed run would
  // never delete. Here the file exists only with delete-on-close set.
  static std::atomic<unsigned> counter{0};
  const DWORD process = GetCurrentProcessId();
  std::string path;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const unsigned serial = counter.fetch_add(1, std::memory_order_relaxed);
    const auto tick = static_cast<std::uint32_t>(GetTickCount64() & 0xFFFFFFu);
    path = std::string(directory) + "tiral-" + hex(process) + "-" + hex(serial) + "-" + hex(tick) + ".tmp";
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
      result.handle = from_native(handle);
      const std::string full = full_path(path);
      result.path = full.empty() ? path : full;
      return result;
    }
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      result.error = static_cast<ErrorCode>(error);
      break;
    }
    result.error = static_cast<ErrorCode>(error);
  }
  const std::string full = full_path(path);
  result.path = full.empty() ? path : full;
  result.reason = open_failure_reason(result.error);
  return result;
}

ErrorCode write_all(FileHandle handle, const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD piece = static_cast<DWORD>(std::min(size, largest_transfer));
    DWORD written = 0;
    if (!WriteFile(to_native(handle), data, piece, &written, nullptr)) return static_cast<ErrorCode>(GetLastError());
    if (written == 0) return ERROR_WRITE_FAULT;
    data += written;
    size -= written;
  }
  return 0;
}

ReadResult read_some(FileHandle handle, char* buffer, std::size_t capacity) {
  const DWORD piece = static_cast<DWORD>(std::min(capacity, largest_transfer));
  // Control-C at a console cuts the pending read short (no bytes, the error
  // "operation aborted") and starts the handler on another thread, which ends
  // the run. Like a read interrupted by a signal, it is tried again; the
  // pause lets the handler stop this thread first, so the cut read is never
  // taken for the end of input.
  constexpr int retries_after_abort = 100;
  constexpr DWORD pause_after_abort_ms = 20;
  for (int attempt = 0;; ++attempt) {
    DWORD got = 0;
    SetLastError(ERROR_SUCCESS);
    const BOOL done = ReadFile(to_native(handle), buffer, piece, &got, nullptr);
    const DWORD error = GetLastError();
    if (got == 0 && error == ERROR_OPERATION_ABORTED && attempt < retries_after_abort) {
      Sleep(pause_after_abort_ms);
      continue;
    }
    if (done) return {got, 0};
    // A pipe whose writer has gone, or the end met by a read, is end of file.
    if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) return {0, 0};
    return {0, static_cast<ErrorCode>(error)};
  }
}

ErrorCode seek_to_start(FileHandle handle) {
  LARGE_INTEGER zero{};
  return SetFilePointerEx(to_native(handle), zero, nullptr, FILE_BEGIN) ? 0 : static_cast<ErrorCode>(GetLastError());
}

FileStamp file_stamp(FileHandle handle) {
  LARGE_INTEGER size{};
  FILETIME written{};
  if (!GetFileSizeEx(to_native(handle), &size) || !GetFileTime(to_native(handle), nullptr, nullptr, &written)) return {};
  return {static_cast<std::int64_t>(size.QuadPart),
          static_cast<std::int64_t>((static_cast<std::uint64_t>(written.dwHighDateTime) << 32) | written.dwLowDateTime)};
}

ErrorCode truncate_at_position(FileHandle handle) {
  return SetEndOfFile(to_native(handle)) ? 0 : static_cast<ErrorCode>(GetLastError());
}

ErrorCode close_file(FileHandle handle) {
  const HANDLE native = to_native(handle);
  if (native == INVALID_HANDLE_VALUE || native == nullptr || is_standard_handle(native)) return 0;
  return CloseHandle(native) ? 0 : static_cast<ErrorCode>(GetLastError());
}

std::string error_text(ErrorCode error) {
  char buffer[1024];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                static_cast<DWORD>(error), 0, buffer, sizeof buffer, nullptr);
  // The caller ends the line itself: the system's CR LF and blanks go.
  while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' || buffer[length - 1] == ' ' ||
                        buffer[length - 1] == '\t')) {
    --length;
  }
  if (length == 0) return "Unknown error " + std::to_string(static_cast<unsigned long>(error));
  return std::string(buffer, length);
}

OpenFailure open_failure_reason(ErrorCode error) {
  switch (static_cast<DWORD>(error)) {
    case 0:
      return OpenFailure::none;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return OpenFailure::not_found;
    case ERROR_ACCESS_DENIED:
      return OpenFailure::denied;
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BAD_PATHNAME:
      return OpenFailure::bad_name;
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_UNIT:
    case ERROR_NOT_READY:
      return OpenFailure::no_device;
    default:
      return OpenFailure::other;
  }
}

namespace {

InterruptHandler installed_handler = nullptr;
// The thread that installed the handler: the program's one thread.
HANDLE worker_thread = nullptr;
std::atomic_flag handling;  // clear from the start

// A console event arrives on a thread of its own while the program's thread
// runs on; a POSIX signal stops the program where it is. Stopping our thread
// first gives the handler the same still world: otherwise the run can go on
// to close a unit the handler has just closed, or end with its own status.
void stop_worker() {
  if (worker_thread == nullptr || SuspendThread(worker_thread) == static_cast<DWORD>(-1)) return;
  // Suspension takes effect later; asking for the context waits for it.
  CONTEXT context{};
  context.ContextFlags = CONTEXT_CONTROL;
  GetThreadContext(worker_thread, &context);
}

BOOL WINAPI on_console_event(DWORD event) {
  if (installed_handler == nullptr) return FALSE;  // the system's default: end the process
  // One event is handled; any other that comes meanwhile waits for the end,
  // as blocked signals do.
  if (handling.test_and_set()) Sleep(INFINITE);
  stop_worker();
  Interrupt interrupt{ConsoleEvent::other, static_cast<int>(event)};
  switch (event) {
    case CTRL_C_EVENT:
      // Ended by control-C: never a success, whatever the low bits say.
      interrupt = {ConsoleEvent::control_c, static_cast<int>(0xC000013Au)};
      break;
    case CTRL_BREAK_EVENT:
      interrupt = {ConsoleEvent::control_break, 1};
      break;
    case CTRL_CLOSE_EVENT:
      interrupt = {ConsoleEvent::menu_close, 2};
      break;
    default:
      break;
  }
  installed_handler(interrupt);
  ExitProcess(static_cast<UINT>(interrupt.exit_status));
}

}  // namespace

// Windows hands out no standard-stream slots to files the program opens: a
// missing standard handle stays missing, and transfers on it fail.
bool guard_standard_streams() { return true; }

void install_interrupt_handler(InterruptHandler handler) {
  installed_handler = handler;
  if (worker_thread == nullptr) {
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &worker_thread,
                    THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, 0);
  }
  // A parent may have started us with control-C ignored; the run reports it
  // all the same, as the POSIX build does for a signal ignored at start.
  SetConsoleCtrlHandler(nullptr, FALSE);
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

// Large pages need a privilege that ordinary accounts lack: the heap it is.
void* allocate_storage(std::size_t bytes) { return std::malloc(bytes); }

void* resize_storage(void* storage, std::size_t bytes) { return std::realloc(storage, bytes); }

void release_storage(void* storage) { std::free(storage); }

// Every floating-point exception is masked when a Windows process starts;
// only the sticky status is cleared.
void mask_floating_point_exceptions() {
  // 0/0 must give a quiet NaN, never a trap, whatever the caller's environment.
  _controlfp(_MCW_EM, _MCW_EM);
  std::feclearexcept(FE_ALL_EXCEPT);
}

// The full status: a fatal message's 0xC0000000 + N is what a Windows parent sees.
void exit_process(std::uint32_t status) { ExitProcess(status); }

}  // namespace platform
