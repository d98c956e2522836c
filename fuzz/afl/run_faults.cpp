// The linker's --wrap sends the program's calls of the wrapped names here
// (__wrap_NAME) and this file reaches the real ones as __real_NAME. The
// record layer's statements are C++ functions: their wrappers carry the
// mangled names as assembler labels, and a signature that changes fails the
// harness's link instead of passing the statement by unseen.
#include "run_faults.hpp"

#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string_view>

#include "recio/record_input.hpp"
#include "recio/record_output.hpp"
#include "recio/units.hpp"

namespace run_faults {
namespace {

bool armed = false;
Plan plan;
Outcome* outcome = nullptr;
std::int64_t statements = 0;
int statement_depth = 0;  // a statement inside another is not counted again
std::int64_t calls_seen = 0;

void raise_event() {
  outcome->event_raised = true;
  raise(plan.event_signal);
}

// Statements count when the outermost one is done: the event comes between
// two statements, as a user's key press would be noticed.
struct Statement {
  Statement() { ++statement_depth; }
  ~Statement() {
    if (--statement_depth != 0 || !armed) return;
    outcome->statements = ++statements;
    if (plan.event_signal != 0 && statements == plan.event_after && !outcome->event_raised) raise_event();
  }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
};

void name_descriptor(int fd) {
  char link[64];
  std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t length = readlink(link, outcome->path, sizeof outcome->path - 1);
  outcome->path[length > 0 ? length : 0] = '\0';
}

// True (errno set) when this call is the one the plan refuses.
bool refuse(Call call, int fd, const char* path) {
  if (!armed || plan.refused != call || outcome->refused) return false;
  if (++calls_seen != plan.refused_at) return false;
  outcome->refused = true;
  outcome->fd = fd;
  if (path != nullptr) {
    std::snprintf(outcome->path, sizeof outcome->path, "%s", path);
  } else {
    name_descriptor(fd);
  }
  errno = plan.error;
  return true;
}

}  // namespace

Outcome* make_shared_outcome() {
  void* memory = mmap(nullptr, sizeof(Outcome), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return nullptr;
  return new (memory) Outcome();
}

void arm(const Plan& wanted, Outcome* shared) {
  plan = wanted;
  outcome = shared;
  armed = true;
  if (plan.event_signal != 0 && plan.event_after == 0) raise_event();
}

}  // namespace run_faults

using run_faults::Call;

extern "C" {

ssize_t __real_read(int fd, void* buffer, size_t size);
ssize_t __real_write(int fd, const void* buffer, size_t size);
int __real_open(const char* path, int flags, ...);
int __real_rename(const char* from, const char* to);

ssize_t __wrap_read(int fd, void* buffer, size_t size) {
  if (run_faults::refuse(Call::read, fd, nullptr)) return -1;
  return __real_read(fd, buffer, size);
}

ssize_t __wrap_write(int fd, const void* buffer, size_t size) {
  if (run_faults::refuse(Call::write, fd, nullptr)) return -1;
  return __real_write(fd, buffer, size);
}

int __wrap_open(const char* path, int flags, ...) {
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
    va_list arguments;
    va_start(arguments, flags);
    mode = static_cast<mode_t>(va_arg(arguments, unsigned int));
    va_end(arguments);
  }
  using run_faults::outcome;
  // A later open of the refused path is the program's own fallback at work.
  if (outcome != nullptr && outcome->refused && !outcome->retried && std::strcmp(outcome->path, path) == 0) {
    outcome->retried = true;
  }
  if (run_faults::refuse(Call::open, -1, path)) {
    outcome->unnamed = (flags & O_TMPFILE) == O_TMPFILE;
    return -1;
  }
  return __real_open(path, flags, mode);
}

int __wrap_rename(const char* from, const char* to) {
  if (run_faults::refuse(Call::rename, -1, from)) return -1;
  return __real_rename(from, to);
}

}  // extern "C"

// The record layer's statements, by their mangled names.
namespace recio {

void real_open_named(std::int32_t, std::string_view, WhenMissing, const tiral::NameAnswer&, const OpenOptions&) __asm__(
    "__real__ZN5recio10open_namedEiSt17basic_string_viewIcSt11char_traitsIcEENS_11WhenMissingERKN5tiral"
    "10NameAnswerERKNS_11OpenOptionsE");
void wrap_open_named(std::int32_t unit, std::string_view name, WhenMissing when_missing, const tiral::NameAnswer& answer,
                     const OpenOptions& options) __asm__(
    "__wrap__ZN5recio10open_namedEiSt17basic_string_viewIcSt11char_traitsIcEENS_11WhenMissingERKN5tiral"
    "10NameAnswerERKNS_11OpenOptionsE");
void wrap_open_named(std::int32_t unit, std::string_view name, WhenMissing when_missing, const tiral::NameAnswer& answer,
                     const OpenOptions& options) {
  run_faults::Statement statement;
  real_open_named(unit, name, when_missing, answer, options);
}

void real_open_scratch(std::int32_t) __asm__("__real__ZN5recio12open_scratchEi");
void wrap_open_scratch(std::int32_t unit) __asm__("__wrap__ZN5recio12open_scratchEi");
void wrap_open_scratch(std::int32_t unit) {
  run_faults::Statement statement;
  real_open_scratch(unit);
}

void real_close_unit(std::int32_t) __asm__("__real__ZN5recio10close_unitEi");
void wrap_close_unit(std::int32_t unit) __asm__("__wrap__ZN5recio10close_unitEi");
void wrap_close_unit(std::int32_t unit) {
  run_faults::Statement statement;
  real_close_unit(unit);
}

void real_rewind_unit(std::int32_t) __asm__("__real__ZN5recio11rewind_unitEi");
void wrap_rewind_unit(std::int32_t unit) __asm__("__wrap__ZN5recio11rewind_unitEi");
void wrap_rewind_unit(std::int32_t unit) {
  run_faults::Statement statement;
  real_rewind_unit(unit);
}

void real_read_list_directed(std::int32_t, std::initializer_list<InputItem>, Status*, std::size_t*,
                             ReadTrace*) __asm__("__real__ZN5recio18read_list_directedEiSt16initializer_"
                                                 "listINS_9InputItemEEPiPmPNS_9ReadTraceE");
void wrap_read_list_directed(std::int32_t unit, std::initializer_list<InputItem> items, Status* status,
                             std::size_t* items_done,
                             ReadTrace* trace) __asm__("__wrap__ZN5recio18read_list_directedEiSt16initializer_"
                                                       "listINS_9InputItemEEPiPmPNS_9ReadTraceE");
void wrap_read_list_directed(std::int32_t unit, std::initializer_list<InputItem> items, Status* status,
                             std::size_t* items_done, ReadTrace* trace) {
  run_faults::Statement statement;
  real_read_list_directed(unit, items, status, items_done, trace);
}

void real_read_formatted(std::int32_t, const Format&, std::initializer_list<InputItem>, Status*) __asm__(
    "__real__ZN5recio14read_formattedEiRKNS_6FormatESt16initializer_listINS_9InputItemEEPi");
void wrap_read_formatted(std::int32_t unit, const Format& format, std::initializer_list<InputItem> items,
                         Status* status) __asm__(
    "__wrap__ZN5recio14read_formattedEiRKNS_6FormatESt16initializer_listINS_9InputItemEEPi");
void wrap_read_formatted(std::int32_t unit, const Format& format, std::initializer_list<InputItem> items,
                         Status* status) {
  run_faults::Statement statement;
  real_read_formatted(unit, format, items, status);
}

void real_write_list(std::int32_t, std::initializer_list<ListItem>) __asm__(
    "__real__ZN5recio10write_listEiSt16initializer_listINS_8ListItemEE");
void wrap_write_list(std::int32_t unit, std::initializer_list<ListItem> items) __asm__(
    "__wrap__ZN5recio10write_listEiSt16initializer_listINS_8ListItemEE");
void wrap_write_list(std::int32_t unit, std::initializer_list<ListItem> items) {
  run_faults::Statement statement;
  real_write_list(unit, items);
}

void real_write_formatted(std::int32_t, const Format&, std::initializer_list<OutputItem>, Advance) __asm__(
    "__real__ZN5recio15write_formattedEiRKNS_6FormatESt16initializer_listINS_10OutputItemEENS_7AdvanceE");
void wrap_write_formatted(std::int32_t unit, const Format& format, std::initializer_list<OutputItem> items,
                          Advance advance) __asm__(
    "__wrap__ZN5recio15write_formattedEiRKNS_6FormatESt16initializer_listINS_10OutputItemEENS_7AdvanceE");
void wrap_write_formatted(std::int32_t unit, const Format& format, std::initializer_list<OutputItem> items,
                          Advance advance) {
  run_faults::Statement statement;
  real_write_formatted(unit, format, items, advance);
}

// The readers that take records whole, one statement a record.
RecordTake real_take_unit_record(Unit&, std::string_view&) __asm__(
    "__real__ZN5recio11take_recordERNS_4UnitERSt17basic_string_viewIcSt11char_traitsIcEE");
RecordTake wrap_take_unit_record(Unit& unit, std::string_view& record) __asm__(
    "__wrap__ZN5recio11take_recordERNS_4UnitERSt17basic_string_viewIcSt11char_traitsIcEE");
RecordTake wrap_take_unit_record(Unit& unit, std::string_view& record) {
  run_faults::Statement statement;
  return real_take_unit_record(unit, record);
}

RecordTake real_take_record(std::int32_t, std::string_view&) __asm__(
    "__real__ZN5recio11take_recordEiRSt17basic_string_viewIcSt11char_traitsIcEE");
RecordTake wrap_take_record(std::int32_t unit, std::string_view& record) __asm__(
    "__wrap__ZN5recio11take_recordEiRSt17basic_string_viewIcSt11char_traitsIcEE");
RecordTake wrap_take_record(std::int32_t unit, std::string_view& record) {
  run_faults::Statement statement;
  return real_take_record(unit, record);
}

}  // namespace recio
