// A fault the system could cause, on demand: preloaded into the program by
// the fault tests (LD_PRELOAD), it makes one chosen system call fail, or
// sends the program a console event just before it.
//
// TIRAL_FAULT holds one or more faults, separated by ';', each
//   call:match:n:action
// - call: read, write, rename, unlink, tmpfile (an unnamed temporary file) or
//   exit (the process's exit handlers: match empty, action SIGINT);
// - match: a part of the file's path (of the descriptor's target for read
//   and write, "fd=N" for descriptor N); empty matches every file;
// - n: the matching call that fails, from 1; 0 for every one;
// - action: EIO, ENOSPC, EACCES or EOPNOTSUPP (the call fails with it), or
//   SIGINT (the signal is raised, then the call is made).
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Fault {
  char call[16];
  char match[256];
  long n;
  int error;  // 0: raise SIGINT instead
  long seen;
};

Fault faults[8];
int fault_count = -1;

void load_faults() {
  fault_count = 0;
  const char* text = std::getenv("TIRAL_FAULT");
  if (text == nullptr) return;
  while (*text != '\0' && fault_count < 8) {
    Fault& f = faults[fault_count];
    char action[16] = {};
    const char* end = std::strchr(text, ';');
    const std::size_t length = end != nullptr ? static_cast<std::size_t>(end - text) : std::strlen(text);
    char one[512] = {};
    std::memcpy(one, text, length < sizeof one - 1 ? length : sizeof one - 1);
    // Split by hand: the match may be empty.
    char* fields[4] = {};
    char* at = one;
    for (int i = 0; i < 4; ++i) {
      fields[i] = at;
      char* colon = std::strchr(at, ':');
      if (colon == nullptr) break;
      *colon = '\0';
      at = colon + 1;
    }
    if (fields[3] != nullptr) {
      std::snprintf(f.call, sizeof f.call, "%s", fields[0]);
      std::snprintf(f.match, sizeof f.match, "%s", fields[1]);
      f.n = std::strtol(fields[2], nullptr, 10);
      std::snprintf(action, sizeof action, "%s", fields[3]);
      f.error = std::strcmp(action, "EIO") == 0          ? EIO
                : std::strcmp(action, "ENOSPC") == 0     ? ENOSPC
                : std::strcmp(action, "EACCES") == 0     ? EACCES
                : std::strcmp(action, "EOPNOTSUPP") == 0 ? EOPNOTSUPP
                                                         : 0;
      f.seen = 0;
      ++fault_count;
    }
    if (end == nullptr) break;
    text = end + 1;
  }
}

bool path_matches(const Fault& f, const char* path) { return f.match[0] == '\0' || std::strstr(path, f.match); }

bool descriptor_matches(const Fault& f, int fd) {
  char wanted[32];
  std::snprintf(wanted, sizeof wanted, "fd=%d", fd);
  if (std::strcmp(f.match, wanted) == 0) return true;
  if (std::strncmp(f.match, "fd=", 3) == 0) return false;
  char link[64], target[4096];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t length = readlink(link, target, sizeof target - 1);
  if (length < 0) return false;
  target[length] = '\0';
  return path_matches(f, target);
}

// -1 with errno set when the call must fail; 0 when it goes ahead.
int inject(const char* call, int fd, const char* path) {
  if (fault_count < 0) load_faults();
  for (int i = 0; i < fault_count; ++i) {
    Fault& f = faults[i];
    if (std::strcmp(f.call, call) != 0) continue;
    if (path != nullptr ? !path_matches(f, path) : !descriptor_matches(f, fd)) continue;
    ++f.seen;
    if (f.n != 0 && f.seen != f.n) continue;
    if (f.error == 0) {
      raise(SIGINT);
      return 0;
    }
    errno = f.error;
    return -1;
  }
  return 0;
}

template <typename Function>
Function next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int open_with(const char* name, const char* path, int flags, va_list arguments) {
  const mode_t mode = (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(arguments, mode_t) : 0;
  if ((flags & O_TMPFILE) == O_TMPFILE && inject("tmpfile", -1, path) != 0) return -1;
  return next<int (*)(const char*, int, ...)>(name)(path, flags, mode);
}

// Registered before the program's own static objects exist, so it runs after
// their destructors: the latest moment an interrupt can reach the program.
void at_exit() { inject("exit", -1, ""); }

__attribute__((constructor)) void arm_exit_fault() {
  load_faults();
  for (int i = 0; i < fault_count; ++i) {
    if (std::strcmp(faults[i].call, "exit") == 0) {
      std::atexit(at_exit);
      return;
    }
  }
}

}  // namespace

extern "C" {

ssize_t read(int fd, void* buffer, size_t size) {
  if (inject("read", fd, nullptr) != 0) return -1;
  return next<ssize_t (*)(int, void*, size_t)>("read")(fd, buffer, size);
}

ssize_t write(int fd, const void* buffer, size_t size) {
  if (inject("write", fd, nullptr) != 0) return -1;
  return next<ssize_t (*)(int, const void*, size_t)>("write")(fd, buffer, size);
}

int rename(const char* from, const char* to) {
  if (inject("rename", -1, from) != 0) return -1;
  return next<int (*)(const char*, const char*)>("rename")(from, to);
}

int unlink(const char* path) {
  if (inject("unlink", -1, path) != 0) return -1;
  return next<int (*)(const char*)>("unlink")(path);
}

int open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const int fd = open_with("open", path, flags, arguments);
  va_end(arguments);
  return fd;
}

int open64(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const int fd = open_with("open64", path, flags, arguments);
  va_end(arguments);
  return fd;
}

}  // extern "C"
