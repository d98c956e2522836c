// POSIX implementation of the platform layer.
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

void guard_standard_streams() {
  // Opens take the lowest free descriptor, so each placeholder lands on the
  // stream it stands for; its access mode is the one the stream never uses.
  const int refusing_mode[] = {O_WRONLY, O_RDONLY, O_RDONLY};
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    const int placeholder = open("/dev/null", refusing_mode[fd]);
    if (placeholder != fd) {
      // Without a placeholder a data file could become the stream: stop here.
      exit_process(recio::fatal_exit_status(recio::Message::open_failure));
    }
  }
}

namespace {

std::string current_directory() {
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return {};
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

// Lexical folding of "." and ".." segments, like the full-path resolution of
// the console platform this program first ran on.
std::string fold_segments(const std::string& absolute) {
  std::vector<std::string_view> parts;
  std::string_view rest(absolute);
  while (!rest.empty()) {
    const auto slash = rest.find('/');
    const auto part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string result;
  for (const auto part : parts) {
    result += '/';
    result += part;
  }
  if (result.empty()) result.push_back('/');
  if (absolute.size() > 1 && absolute.back() == '/' && result.back() != '/') result += '/';
  return result;
}

bool is_write_refusal(int error) { return error == EACCES || error == EPERM || error == EROFS || error == ETXTBSY; }

}  // namespace

std::string full_path(std::string_view name) {
  if (name.empty()) return {};
  std::string absolute;
  if (name.front() == '/') {
    absolute = std::string(name);
  } else {
    absolute = current_directory();
    if (absolute.empty()) return {};
    absolute += '/';
    absolute += name;
  }
  return fold_segments(absolute);
}

OpenResult open_file(const std::string& name, IfMissing if_missing) {
  OpenResult result;
  const int create = if_missing == IfMissing::create ? O_CREAT : 0;
  int fd = open(name.c_str(), O_RDWR | create | O_CLOEXEC, 0666);
  if (fd < 0 && is_write_refusal(errno)) {
    // Only the reason for the refusal is worth telling when reading fails too.
    const int refusal = errno;
    fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
      result.error = refusal;
      return result;
    }
    result.read_only = true;
  }
  if (fd < 0) {
    result.error = errno;
    return result;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    result.error = errno;
    close(fd);
    return result;
  }
  if (S_ISDIR(info.st_mode)) {
    // A folder is no data file: refused as the console platform refuses it.
    close(fd);
    result.error = EISDIR;
    return result;
  }
  if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) {
    // Files are read twice from their start; a pipe cannot go back, and one
    // opened for writing too would never report its end.
    close(fd);
    result.error = ESPIPE;
    return result;
  }
  result.handle = {fd};
  result.regular_file = S_ISREG(info.st_mode);
  return result;
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
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) {
    result.error = errno;
    result.path = full_path(path);
    return result;
  }
  result.path = full_path(name.data());
  // Gone from the directory at once: no work file survives even a killed run.
  unlink(name.data());
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

bool same_existing_file(const std::string& first, const std::string& second) {
  struct stat a {
  }, b{};
  if (first.empty() || second.empty()) return false;
  if (stat(first.c_str(), &a) != 0 || stat(second.c_str(), &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool same_full_path(const std::string& first, const std::string& second) {
  const std::string full = full_path(first);
  return !full.empty() && full == full_path(second);
}

std::string error_text(ErrorCode error) { return std::strerror(error); }

recio::Message open_failure_message(ErrorCode error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return recio::Message::file_not_found;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return recio::Message::permission_denied;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
      return recio::Message::bad_file_name;
    case ENXIO:
    case ENODEV:
      return recio::Message::no_such_device;
    default:
      return recio::Message::open_failure;
  }
}

namespace {

InterruptHandler installed_handler = nullptr;

void on_signal(int signal_number) {
  if (installed_handler == nullptr) _exit(128 + signal_number);
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

void mask_floating_point_exceptions() { std::feclearexcept(FE_ALL_EXCEPT); }

void exit_process(std::uint32_t status) { _exit(static_cast<int>(status & 0xFFu)); }

}  // namespace platform
