// Whole-run fuzz harness: one input holds what is typed at the prompts and
// the bytes of the input file; the real run sequence runs on them in a
// private folder of its own.
//
// Input:  ANSWERS "--input--\n" FILE
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
// Usage: whole_run_harness [FILE]   (FILE, or standard input, is the input)
// Standard output and error are this process's (the fuzzer sends them to
// /dev/null). Environment: TIRAL_AFL_KEEP=1 keeps BASE and names it.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <string>
#include <string_view>

#include "run/run_sequence.hpp"

namespace {

constexpr std::string_view input_marker = "--input--\n";
constexpr const char* input_file_name = "climate.txt";

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

void write_file(const std::string& path, std::string_view bytes) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) fail("cannot create a file in the private folder");
  while (!bytes.empty()) {
    const ssize_t written = write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) fail("cannot write a file in the private folder");
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  close(fd);
}

void make_folder(const std::string& path) {
  if (mkdir(path.c_str(), 0755) != 0) fail("cannot make a folder in the private folder");
}

[[noreturn]] void run_child(const std::string& base, pid_t parent) {
  // A hang's timeout kills the parent; the run must not outlive it.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(1);
  if (chdir((base + "/work").c_str()) != 0) fail("cannot enter the working folder");
  if (setenv("TMPDIR", (base + "/tmp").c_str(), 1) != 0) fail("cannot set TMPDIR");
  const int answers = open((base + "/stdin").c_str(), O_RDONLY);
  if (answers < 0 || dup2(answers, STDIN_FILENO) < 0) fail("cannot lay the answers on standard input");
  close(answers);
  std::exit(tiral::run_program());
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

  std::fflush(nullptr);
  const pid_t parent = getpid();
  const pid_t child = fork();
  if (child < 0) fail("cannot fork");
  if (child == 0) run_child(base, parent);

  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) fail("cannot wait for the run");
  }

  const char* keep = std::getenv("TIRAL_AFL_KEEP");
  if (keep != nullptr && keep[0] != '\0' && keep[0] != '0') {
    std::fprintf(stderr, "whole_run_harness: private folder kept: %s\n", base.c_str());
  } else {
    std::error_code ignored;
    std::filesystem::remove_all(base, ignored);
  }

  if (WIFSIGNALED(status)) {
    // End as the run did, so that the fuzzer records a crash.
    const int signal_number = WTERMSIG(status);
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
