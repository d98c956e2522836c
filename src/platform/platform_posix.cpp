// POSIX side of the platform layer: console streams, scratch files, transfers,
// error texts, interrupts, storage and the end of the process. Names and the
// opening of named files are in platform_posix_files.cpp.
#include "platform/platform.hpp"

#include <cerrno>
#include <cfenv>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace platform {

FileHandle standard_input() { return {STDIN_FILENO}; }
FileHandle standard_output() { return {STDOUT_FILENO}; }
FileHandle standard_error() { return {STDERR_FILENO}; }

bool guard_standard_streams() {
  // Opens take the lowest free descriptor, so each placeholder lands on the
  // stream it stands for; its access mode is the one the stream never uses.
  const int refusing_mode[] = {O_WRONLY, O_RDONLY, O_RDONLY};
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (open("/dev/null", refusing_mode[fd]) != fd) return false;
  }
  return true;
}

ScratchResult create_scratch_file() {
  ScratchResult result;
  const char* directory = std::getenv("TMPDIR");
  std::string path = (directory != nullptr && directory[0] != '\0') ? directory : "/tmp";
  if (path.back() != '/') path += '/';
#ifdef O_TMPFILE
  // A file that never has a name (and, with O_EXCL, can never be given one):
  // nothing to remove, no name to pick. It is
  // shown by its inode, as the system itself shows such files.
  if (const int fd = open(path.c_str(), O_TMPFILE | O_EXCL | O_RDWR | O_CLOEXEC, 0600); fd >= 0) {
    struct stat info {};
    const bool known = fstat(fd, &info) == 0;
    if (known) path.append("#").append(std::to_string(info.st_ino));
    result.path = full_path(path);
    result.handle = {fd};
    return result;
  }
  // Any refusal (a file system without such files, a missing folder) is
  // left to the named way, which tells it as it always has.
#endif
  path += ".tiral-work-XXXXXX";
  std::vector<char> name(path.begin(), path.end());
  name.push_back('\0');
  // The console events wait while the file has a name: an interrupt there
  // would leave it, as the handler does not know it yet.
  sigset_t events, before;
  sigemptyset(&events);
  for (const int s : {SIGINT, SIGQUIT, SIGHUP, SIGTERM}) sigaddset(&events, s);
  sigprocmask(SIG_BLOCK, &events, &before);
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  const int error = errno;
  // Gone from the directory at once: no work file survives even a killed run.
  if (fd >= 0) unlink(name.data());
  sigprocmask(SIG_SETMASK, &before, nullptr);
  if (fd < 0) {
    result.error = error;
    result.reason = open_failure_reason(error);
    result.path = full_path(path);
    return result;
  }
  result.path = full_path(name.data());
  result.handle = {fd};
  return result;
}

ErrorCode write_all(FileHandle handle, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(static_cast<int>(handle.value), data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (written == 0) return EIO;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return 0;
}

ReadResult read_some(FileHandle handle, char* buffer, std::size_t capacity) {
  for (;;) {
    const ssize_t got = read(static_cast<int>(handle.value), buffer, capacity);
    if (got >= 0) return {static_cast<std::size_t>(got), 0};
    if (errno != EINTR) return {0, errno};
  }
}

ErrorCode seek_to_start(FileHandle handle) {
  return lseek(static_cast<int>(handle.value), 0, SEEK_SET) < 0 ? errno : 0;
}

FileStamp file_stamp(FileHandle handle) {
  struct stat status {};
  if (fstat(static_cast<int>(handle.value), &status) != 0) return {};
  return {static_cast<std::int64_t>(status.st_size),
          static_cast<std::int64_t>(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

ErrorCode truncate_at_position(FileHandle handle) {
  const int fd = static_cast<int>(handle.value);
  const off_t position = lseek(fd, 0, SEEK_CUR);
  if (position < 0) return errno;
  return ftruncate(fd, position) != 0 ? errno : 0;
}

ErrorCode close_file(FileHandle handle) {
  const int fd = static_cast<int>(handle.value);
  if (fd <= STDERR_FILENO) return 0;
  return close(fd) != 0 ? errno : 0;
}

std::string error_text(ErrorCode error) { return std::strerror(error); }

OpenFailure open_failure_reason(ErrorCode error) {
  switch (error) {
    case 0:
      return OpenFailure::none;
    case ENOENT:
    case ENOTDIR:
      return OpenFailure::not_found;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return OpenFailure::denied;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
      return OpenFailure::bad_name;
    case ENXIO:
    case ENODEV:
      return OpenFailure::no_device;
    default:
      return OpenFailure::other;
  }
}

namespace {

InterruptHandler installed_handler = nullptr;

// Routed here only by install_interrupt_handler, after the handler is set.
void on_signal(int signal_number) {
  switch (signal_number) {
    case SIGINT:
      installed_handler({ConsoleEvent::control_c, 130});
      break;
    case SIGQUIT:
      installed_handler({ConsoleEvent::control_break, 1});
      break;
    case SIGHUP:
      installed_handler({ConsoleEvent::menu_close, 2});
      break;
    default:
      installed_handler({ConsoleEvent::other, 128 + signal_number});
      break;
  }
  _exit(128 + signal_number);
}

}  // namespace

void install_interrupt_handler(InterruptHandler handler) {
  installed_handler = handler;
  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  for (const int s : {SIGINT, SIGQUIT, SIGHUP, SIGTERM}) sigaddset(&action.sa_mask, s);
  for (const int s : {SIGINT, SIGQUIT, SIGHUP, SIGTERM}) sigaction(s, &action, nullptr);
  // A closed pipe on standard output, and a file grown to the size limit,
  // must come back as write errors, not end the process without a word.
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
}

namespace {

constexpr std::size_t large_page = std::size_t{2} << 20;
constexpr std::size_t large_storage = 4 * large_page;

// Advice only: a refusal changes nothing.
void advise_large_pages(void* storage, std::size_t bytes) {
  const auto first = (reinterpret_cast<std::uintptr_t>(storage) + large_page - 1) / large_page * large_page;
  const auto end = (reinterpret_cast<std::uintptr_t>(storage) + bytes) / large_page * large_page;
  if (end > first) madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
}

}  // namespace

void* allocate_storage(std::size_t bytes) {
  if (bytes < large_storage) return std::malloc(bytes);
  const std::size_t rounded = (bytes + large_page - 1) / large_page * large_page;
  void* storage = std::aligned_alloc(large_page, rounded);
  if (storage != nullptr) advise_large_pages(storage, rounded);
  return storage;
}

// The C library moves the pages of large storage to grow it, not its bytes.
void* resize_storage(void* storage, std::size_t bytes) {
  void* resized = std::realloc(storage, bytes);
  if (resized != nullptr && bytes >= large_storage) advise_large_pages(resized, bytes);
  return resized;
}

void release_storage(void* storage) { std::free(storage); }

void mask_floating_point_exceptions() {
  // 0/0 must give a quiet NaN, never a trap, whatever the caller's environment.
  fedisableexcept(FE_ALL_EXCEPT);
  std::feclearexcept(FE_ALL_EXCEPT);
}

void exit_process(std::uint32_t status) { _exit(static_cast<int>(status & 0xFFu)); }

}  // namespace platform
