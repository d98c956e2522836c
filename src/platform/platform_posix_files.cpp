// POSIX side of the platform layer: names and the opening of named files,
// with the whole-file replacement. The rest is in platform_posix.cpp.
#include "platform/platform.hpp"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace platform {

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

namespace {

// Opens without waiting: a FIFO without a writer (or reader) must not hold
// the run; the flag is cleared once the open is done.
int open_at_once(const std::string& name, int flags, mode_t mode = 0) {
  const int fd = open(name.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
  if (fd >= 0) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

// The descriptor of a name that names the process's own standard output or
// error (/dev/stdout, /dev/fd/2, /proc/self/fd/1 ...); -1 for any other.
int standard_stream_named(const std::string& path) {
  for (const int fd : {STDOUT_FILENO, STDERR_FILENO}) {
    const std::string number = std::to_string(fd);
    if (path == "/dev/fd/" + number || path == "/proc/self/fd/" + number ||
        path == "/proc/" + std::to_string(getpid()) + "/fd/" + number ||
        path == (fd == STDOUT_FILENO ? "/dev/stdout" : "/dev/stderr")) {
      return fd;
    }
  }
  return -1;
}

// The path a name leads to, symbolic links followed now, the last one's
// target possibly missing; `in_place` when the way passes a descriptor link
// of /proc or /dev/fd, whose target is no path to write to.
struct Destination {
  std::string path;
  int stream = -1;  // a standard stream named on the way
  bool in_place = false;
  ErrorCode error = 0;
};

std::string folder_of(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

Destination resolve_destination(const std::string& name) {
  Destination result;
  // Unfolded, so that ".." after a linked folder goes where the system goes;
  // folded only to be told apart.
  std::string path = name.front() == '/' ? name : current_directory() + "/" + name;
  if (path.front() != '/') {
    // No current folder to be had: the name is opened as it is, in place.
    result.in_place = true;
    return result;
  }
  for (int links = 0; links < 40; ++links) {
    const std::string folded = fold_segments(path);
    if ((result.stream = standard_stream_named(folded)) >= 0) return result;
    if (folded.starts_with("/proc/") || folded.starts_with("/dev/fd/")) {
      result.in_place = true;
      result.path = folded;
      return result;
    }
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) break;
    std::vector<char> target(4096);
    const ssize_t length = readlink(path.c_str(), target.data(), target.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) break;
    const std::string next(target.data(), static_cast<std::size_t>(length));
    path = next.front() == '/' ? next : folder_of(path) + "/" + next;
  }
  // The folder, links and all, as the system sees it now; the last part as named.
  const std::string base = path.substr(path.rfind('/') + 1);
  if (base.empty() || base == "." || base == "..") {
    result.path = path;  // a folder: the open refuses it
    return result;
  }
  char* folder = realpath(folder_of(path).c_str(), nullptr);
  if (folder == nullptr) {
    result.error = errno;
    return result;
  }
  result.path = std::string(folder) + (std::string_view(folder) == "/" ? "" : "/") + base;
  std::free(folder);
  return result;
}

mode_t default_file_mode() {
  static const mode_t mode = [] {
    const mode_t mask = umask(0);
    umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  return mode;
}

// A new, empty, hidden file beside `final_path`, with the mode (and, where
// the system allows, the owner) of `old` or the default; -1 when the folder
// takes none.
int create_beside(const std::string& final_path, const struct stat* old, std::string& new_path) {
  const auto slash = final_path.rfind('/');
  std::string pattern = final_path.substr(0, slash + 1) + "." + final_path.substr(slash + 1) + ".tiral-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = mkostemp(name.data(), O_CLOEXEC);
  if (fd < 0) return -1;
  new_path = name.data();
  if (old != nullptr) {
    // Best effort: a group or owner the user may not give is left as made.
    if (fchown(fd, old->st_uid, old->st_gid) != 0) {
      // the new file keeps the user's own
    }
    fchmod(fd, old->st_mode & 07777);
  } else {
    fchmod(fd, default_file_mode());
  }
  return fd;
}

OpenResult finish_open(int fd, OpenResult result) {
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

// Read-write, else read-only when writing is refused.
OpenResult open_for_update(const std::string& name, int create) {
  OpenResult result;
  int fd = open_at_once(name, O_RDWR | create, 0666);
  if (fd < 0 && is_write_refusal(errno)) {
    // Only the reason for the refusal is worth telling when reading fails too.
    const int refusal = errno;
    fd = open_at_once(name, O_RDONLY);
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
  return finish_open(fd, result);
}

OpenResult open_replacement(const std::string& name, int create) {
  const Destination destination = resolve_destination(name);
  if (destination.stream >= 0) {
    // Written to as it is: no reopen (which would start a log over) and no cut.
    OpenResult result;
    result.handle = {destination.stream};
    return result;
  }
  if (destination.error != 0) {
    OpenResult result;
    result.error = destination.error;
    return result;
  }
  if (destination.in_place) return open_for_update(name, create);
  const std::string& final_path = destination.path;
  // The old file as today's open finds it: a file the user may only read
  // stays read-only, a device or a refusal stays what it was.
  OpenResult result = open_for_update(final_path, 0);
  if (result.error == ENOENT) {
    std::string new_path;
    if (const int fd = create_beside(final_path, nullptr, new_path); fd >= 0) {
      OpenResult created;
      created.handle = {fd};
      created.regular_file = true;
      created.final_path = final_path;
      created.new_path = std::move(new_path);
      return created;
    }
    return open_for_update(final_path, create);
  }
  if (result.error != 0 || result.read_only || !result.regular_file) return result;
  const int old_fd = static_cast<int>(result.handle.value);
  struct stat old {};
  std::string new_path;
  if (fstat(old_fd, &old) != 0) return result;
  const int fd = create_beside(final_path, &old, new_path);
  // A folder that takes no new file: the old file is rewritten in place.
  if (fd < 0) return result;
  close(old_fd);
  result.handle = {fd};
  result.final_path = final_path;
  result.new_path = std::move(new_path);
  return result;
}

OpenResult open_by_access(const std::string& name, IfMissing if_missing, Access access) {
  const int create = if_missing == IfMissing::create ? O_CREAT : 0;
  if (access == Access::replace) return open_replacement(name, create);
  if (access == Access::read) {
    // Nothing is written to it: a read-only open, which no watcher takes for a write.
    const int fd = open_at_once(name, O_RDONLY);
    if (fd >= 0) return finish_open(fd, {});
    if (errno == ENOENT && if_missing == IfMissing::fail) {
      OpenResult missing;
      missing.error = ENOENT;
      return missing;
    }
  }
  return open_for_update(name, create);
}

}  // namespace

OpenResult open_file(const std::string& name, IfMissing if_missing, Access access) {
  OpenResult result = open_by_access(name, if_missing, access);
  result.reason = open_failure_reason(result.error);
  return result;
}

ErrorCode commit_replacement(FileHandle handle, const std::string& new_path, const std::string& final_path) {
  ErrorCode error = close(static_cast<int>(handle.value)) != 0 ? errno : 0;
  if (error == 0 && rename(new_path.c_str(), final_path.c_str()) != 0) error = errno;
  if (error != 0) unlink(new_path.c_str());
  return error;
}

void discard_replacement(FileHandle handle, const char* new_path) {
  close(static_cast<int>(handle.value));
  unlink(new_path);
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

}  // namespace platform
