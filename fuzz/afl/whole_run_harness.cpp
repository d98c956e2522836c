// Whole-run fuzz harness: one input holds what is typed at the prompts and
// the bytes of the input file; the real run sequence runs on them in a
// private folder of its own.
//
// Input:  [SETUP] ANSWERS "--input--\n" FILE
//   SETUP    optional first line "--setup--" FLAGS "\n": each of the digits
//            0, 1, 2 closes that standard stream before the run, and "f"
//            followed by digits limits the size of files the run writes to
//            that many bytes, so that closed streams and full files meet
//            the same promises as every other run; "o" lays an old report,
//            report.txt, in the working folder; "i", "q", "h" or "t" and
//            digits N send ctrl-c, ctrl-break, the console's closing or a
//            termination after the Nth record I/O statement (0: before the
//            first); "x", a call (r read, w write, o open, n rename), an
//            error (I EIO, S ENOSPC, A EACCES) and digits N refuse the Nth
//            such call of the run (run_faults.hpp);
//   ANSWERS  the bytes of standard input (the prompts' answers);
//   FILE     the bytes of the file `climate.txt` in the working folder.
// Without the marker the whole input is standard input and the working folder
// is empty. In ANSWERS every '/' becomes '_' and the second dot of ".." becomes
// '_', so a typed name can only ever be a name in the working folder: nothing
// a run opens or creates lies outside the private folder.
//
// Layout: BASE/stdin (the answers), BASE/work/ (working folder, input file,
// report), BASE/tmp/ (TMPDIR, the work files), BASE made with mkdtemp under
// $TMPDIR (or /tmp). The run is a child process, since the record layer ends
// a run with _exit; this process waits for it, removes BASE and then ends as
// the child did (same signal or status), so the fuzzer sees each crash. A
// child whose parent is killed (a hang's timeout) is killed too.
//
// A run that loses or corrupts data is a crash as well (abort): after any
// run, whatever its end, climate.txt holds its bytes unchanged (or a whole
// report, when it was typed as the report's name), an old report is
// unchanged or replaced by a whole report, no work file is left in TMPDIR,
// no new report file (".NAME.tiral-XXXXXX") in the working folder, and the
// working folder holds nothing but climate.txt, the old report and at most
// two more entries: the report and a typed input file that the open created
// empty. So is a run whose exit status does not tell what befell it: a
// console event ends with its own status; a refused read with 39, a write
// with 38 (on standard error: anything but 0), an open with 9 (EACCES) or 30
// unless the program's own second try took over, a rename with 28.
//
// Usage: whole_run_harness [FILE]   (FILE, or standard input, is the input)
// Standard output and error are this process's (the fuzzer sends them to
// /dev/null). Environment: TIRAL_AFL_KEEP=1 keeps BASE and names it.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "file_io.hpp"
#include "recio/run_end.hpp"
#include "run/run_sequence.hpp"
#include "run_faults.hpp"

namespace {

constexpr std::string_view setup_marker = "--setup--";
constexpr std::string_view input_marker = "--input--\n";

// What the optional first line asks of the run's surroundings.
struct Setup {
  bool closed[3] = {false, false, false};
  bool limit_file_size = false;
  rlim_t file_size = 0;
  bool old_report = false;
  run_faults::Plan faults;
};

// At most nine digits from flags[i + 1] on, i left on the last one.
std::int64_t take_number(std::string_view flags, std::size_t& i) {
  std::int64_t number = 0;
  for (int digits = 0; digits < 9 && i + 1 < flags.size() && flags[i + 1] >= '0' && flags[i + 1] <= '9'; ++digits) {
    number = number * 10 + (flags[++i] - '0');
  }
  return number;
}

// The console events by their flags: ctrl-c, ctrl-break, the console's
// closing, and any other end asked of the process.
int event_signal(char flag) {
  switch (flag) {
    case 'i':
      return SIGINT;
    case 'q':
      return SIGQUIT;
    case 'h':
      return SIGHUP;
    case 't':
      return SIGTERM;
    default:
      return 0;
  }
}

int refusal_error(char flag) {
  switch (flag) {
    case 'I':
      return EIO;
    case 'S':
      return ENOSPC;
    case 'A':
      return EACCES;
    default:
      return 0;
  }
}

// Takes the setup line off the front of `data`, if there is one.
Setup take_setup(std::string& data) {
  Setup setup;
  if (!data.starts_with(setup_marker)) return setup;
  const std::size_t end = std::min(data.find('\n'), data.size());
  const std::string_view flags = std::string_view(data).substr(setup_marker.size(), end - setup_marker.size());
  for (std::size_t i = 0; i < flags.size(); ++i) {
    if (flags[i] >= '0' && flags[i] <= '2') setup.closed[flags[i] - '0'] = true;
    if (flags[i] == 'o') setup.old_report = true;
    if (flags[i] == 'f') {
      setup.limit_file_size = true;
      // Nine digits at most: a limit beyond a gigabyte tests nothing more.
      setup.file_size = static_cast<rlim_t>(take_number(flags, i));
    }
    if (const int signal_number = event_signal(flags[i]); signal_number != 0) {
      setup.faults.event_signal = signal_number;
      setup.faults.event_after = take_number(flags, i);
    }
    // x, the call, the error, the count: "xwS3" refuses the third write with ENOSPC.
    if (flags[i] == 'x' && i + 2 < flags.size()) {
      const char call = flags[i + 1];
      const int error = refusal_error(flags[i + 2]);
      if ((call == 'r' || call == 'w' || call == 'o' || call == 'n') && error != 0) {
        i += 2;
        const std::int64_t at = take_number(flags, i);
        setup.faults.refused = static_cast<run_faults::Call>(call);
        setup.faults.error = error;
        setup.faults.refused_at = at == 0 ? 1 : at;
      }
    }
  }
  data.erase(0, end == data.size() ? end : end + 1);
  return setup;
}
constexpr const char* input_file_name = "climate.txt";
// Every report begins with this record.
constexpr std::string_view report_start = " This file has been generated by the program 'tiral.exe'\r\n";

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "whole_run_harness: %s: %s\n", what, std::strerror(errno));
  std::exit(2);
}

std::string read_everything(int fd) {
  std::string data;
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) fail("cannot read the fuzz input");
    if (got == 0) return data;
    data.append(buffer, static_cast<std::size_t>(got));
  }
}

// No path separator and no parent step: every name stays in the working folder.
void confine_names(std::string& answers) {
  for (std::size_t i = 0; i < answers.size(); ++i) {
    if (answers[i] == '/') answers[i] = '_';
    if (answers[i] == '.' && i > 0 && answers[i - 1] == '.') answers[i] = '_';
  }
}

// The private folder is new and the harness's own: a file that cannot be
// written there is the harness's failure, not the run's.
void write_file(const std::string& path, std::string_view bytes) {
  if (!test_support::write_file(path, std::string(bytes))) fail("cannot write a file in the private folder");
}

// The report that an earlier run left, for the inputs that ask for one: a
// failed run must leave it as it is, a finished one replace it whole.
constexpr const char* old_report_name = "report.txt";
constexpr std::string_view report_end = " Dew point temperatures from daily records\r\n";
constexpr std::string_view old_report_line = " a line of the report of an earlier run\r\n";

std::string old_report_bytes() {
  std::string bytes(report_start);
  for (int line = 0; line < 200; ++line) bytes += old_report_line;
  bytes += report_end;
  return bytes;
}

bool complete_report(std::string_view bytes) {
  return bytes.starts_with(report_start) && bytes.ends_with(report_end) &&
         bytes.find(old_report_line) == std::string_view::npos;
}

// What a run must leave behind; the first broken promise, or nothing.
std::string broken_promise(const std::string& base, bool has_file, std::string_view file, bool old_report) {
  namespace fs = std::filesystem;
  std::error_code error;
  if (!fs::is_empty(base + "/tmp", error) || error) return "a work file survives the run in TMPDIR";
  if (has_file) {
    const std::optional<std::string> now = test_support::file_bytes(base + "/work/" + input_file_name);
    if (!now) return "the input file is gone";
    // Only where it was typed as the report's name may it become one, whole.
    if (*now != file && !complete_report(*now)) return "the input file has changed";
  }
  if (old_report) {
    const std::optional<std::string> now = test_support::file_bytes(base + "/work/" + old_report_name);
    if (!now) return "the old report is gone";
    if (*now != old_report_bytes() && !complete_report(*now)) return "the old report is neither kept nor replaced whole";
  }
  std::size_t others = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(base + "/work", error)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with('.') && name.find(".tiral-") != std::string::npos) return "a new report file survives the run";
    if (name != input_file_name && !(old_report && name == old_report_name)) ++others;
  }
  if (error) return "the working folder cannot be read";
  if (others > 2) return "the working folder holds more than input files and report";
  return {};
}

// The exit status that tells what befell the run; nothing when it is right.
std::string wrong_status(int status, const run_faults::Plan& plan, const run_faults::Outcome& outcome) {
  using run_faults::Call;
  char line[1400];
  if (outcome.event_raised) {
    // The interrupt line's status, whatever was refused before or after it.
    const int wanted = plan.event_signal == SIGINT    ? 130
                       : plan.event_signal == SIGQUIT ? 1
                       : plan.event_signal == SIGHUP  ? 2
                                                      : 128 + plan.event_signal;
    if (status == wanted) return {};
    std::snprintf(line, sizeof line, "a console event (signal %d) ends the run with status %d, not %d",
                  plan.event_signal, status, wanted);
    return line;
  }
  if (!outcome.refused) return {};
  int wanted = 0;
  switch (plan.refused) {
    case Call::read:
      wanted = 39;
      break;
    case Call::write:
      // A warning that cannot be written lets the run finish, but not with 0;
      // a fatal diagnostic that cannot be written keeps its own status.
      if (outcome.fd == STDERR_FILENO) {
        if (status != 0) return {};
        std::snprintf(line, sizeof line, "a refused write on standard error ends the run with status 0");
        return line;
      }
      wanted = 38;
      break;
    case Call::open:
      // The program's own second try (reading only, a named work file) may
      // well succeed: the run then stands on that.
      if (outcome.retried || outcome.unnamed) return {};
      // Without a placeholder for a closed standard stream, the run stops with the open failure.
      wanted = plan.error == EACCES && std::strcmp(outcome.path, "/dev/null") != 0 ? 9 : 30;
      break;
    case Call::rename:
      wanted = 28;
      break;
    case Call::none:
      return {};
  }
  if (status == wanted) return {};
  std::snprintf(line, sizeof line, "a refused %s (%s) of %s ends the run with status %d, not %d",
                plan.refused == Call::read    ? "read"
                : plan.refused == Call::write ? "write"
                : plan.refused == Call::open  ? "open"
                                              : "rename",
                std::strerror(plan.error), outcome.path, status, wanted);
  return line;
}

void make_folder(const std::string& path) {
  if (mkdir(path.c_str(), 0755) != 0) fail("cannot make a folder in the private folder");
}

[[noreturn]] void run_child(const std::string& base, pid_t parent, const Setup& setup, run_faults::Outcome* outcome) {
  // A hang's timeout kills the parent; the run must not outlive it.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(1);
  if (chdir((base + "/work").c_str()) != 0) fail("cannot enter the working folder");
  if (setenv("TMPDIR", (base + "/tmp").c_str(), 1) != 0) fail("cannot set TMPDIR");
  const int answers = open((base + "/stdin").c_str(), O_RDONLY);
  if (answers < 0 || dup2(answers, STDIN_FILENO) < 0) fail("cannot lay the answers on standard input");
  close(answers);
  if (setup.limit_file_size) {
    const rlimit size{setup.file_size, setup.file_size};
    if (setrlimit(RLIMIT_FSIZE, &size) != 0) fail("cannot limit the file size");
  }
  for (int stream = 0; stream < 3; ++stream) {
    if (setup.closed[stream]) close(stream);
  }
  // As main() does first.
  recio::install_memory_diagnostic();
  recio::install_interrupt_diagnostic();
  run_faults::arm(setup.faults, outcome);
  std::exit(tiral::run_program(tiral::CommandLine{}));  // the dialog, as a run without arguments
}

}  // namespace

int main(int argc, char** argv) {
  std::string data;
  if (argc > 1) {
    const int fd = open(argv[1], O_RDONLY);
    if (fd < 0) fail("cannot open the fuzz input");
    data = read_everything(fd);
    close(fd);
  } else {
    data = read_everything(STDIN_FILENO);
  }

  const Setup setup = take_setup(data);
  std::string answers = data;
  std::string_view file;
  bool has_file = false;
  if (const std::size_t at = data.find(input_marker); at != std::string::npos) {
    answers.resize(at);
    file = std::string_view(data).substr(at + input_marker.size());
    has_file = true;
  }
  confine_names(answers);

  const char* parent_tmp = std::getenv("TMPDIR");
  std::string pattern = (parent_tmp != nullptr && parent_tmp[0] == '/') ? parent_tmp : "/tmp";
  pattern += "/tiral-afl-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) fail("cannot make the private folder");
  const std::string base = pattern;
  make_folder(base + "/work");
  make_folder(base + "/tmp");
  write_file(base + "/stdin", answers);
  if (has_file) write_file(base + "/work/" + input_file_name, file);
  if (setup.old_report) write_file(base + "/work/" + old_report_name, old_report_bytes());
  run_faults::Outcome* outcome = run_faults::make_shared_outcome();
  if (outcome == nullptr) fail("cannot share memory with the run");

  std::fflush(nullptr);
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child < 0) fail("cannot fork");
  if (child == 0) run_child(base, parent, setup, outcome);

  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) fail("cannot wait for the run");
  }

  std::string broken = broken_promise(base, has_file, file, setup.old_report);
  if (broken.empty() && WIFEXITED(status)) broken = wrong_status(WEXITSTATUS(status), setup.faults, *outcome);
  const char* keep = std::getenv("TIRAL_AFL_KEEP");
  if (keep != nullptr && keep[0] != '\0' && keep[0] != '0') {
    std::fprintf(stderr, "whole_run_harness: private folder kept: %s\n", base.c_str());
    std::fprintf(stderr, "whole_run_harness: %lld record statements%s\n", static_cast<long long>(outcome->statements),
                 outcome->event_raised ? ", then the console event" : "");
    if (outcome->refused) {
      std::fprintf(stderr, "whole_run_harness: refused %c call on %s (descriptor %d)%s%s\n",
                   static_cast<char>(setup.faults.refused), outcome->path, outcome->fd,
                   outcome->retried ? ", opened again" : "", outcome->unnamed ? ", an unnamed work file" : "");
    }
  } else {
    std::error_code ignored;
    std::filesystem::remove_all(base, ignored);
  }

  if (!broken.empty()) {
    std::fprintf(stderr, "whole_run_harness: %s\n", broken.c_str());
    std::abort();
  }
  if (WIFSIGNALED(status)) {
    // End as the run did, so that the fuzzer records a crash; the line tells
    // a replay from a run's own exit status above 128.
    const int signal_number = WTERMSIG(status);
    std::fprintf(stderr, "whole_run_harness: the run ended by signal %d (%s)\n", signal_number,
                 strsignal(signal_number));
    signal(signal_number, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal_number);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(signal_number);
    _exit(128 + signal_number);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
