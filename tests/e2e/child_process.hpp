// The built program as a child process with pipes on its standard streams.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "test_files.hpp"

namespace e2e {

namespace fs = std::filesystem;

// A working folder and an empty private TMPDIR for runs of the program, both
// inside one private folder that goes with the object.
class RunFolders {
 public:
  explicit RunFolders(const std::string& name) : root_(name) {
    fs::create_directory(work());
    fs::create_directory(temp());
  }
  const fs::path& root() const { return root_.path(); }
  fs::path work() const { return root_ / "work"; }
  fs::path temp() const { return root_ / "tmp"; }

 private:
  test_support::TempFolder root_;
};

// The program running in its own process group, with pipes on its three
// standard streams, PATH and TMPDIR as its whole environment, and a time
// limit after which the group is killed.
class Child {
 public:
  using Clock = std::chrono::steady_clock;

  // What starts: the program, or a runner (e.g. wine) and the program.
  std::vector<std::string> command = {TIRAL_BINARY};
  // Variables besides PATH and TMPDIR; a TMPDIR here replaces the private one.
  std::vector<std::string> environment;
  std::chrono::seconds time_limit{90};

  pid_t pid = -1;
  std::string out;
  std::string err;
  bool timed_out = false;  // the time limit ended the run

  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (pid > 0) stop();
    for (int* fd : {&input_, &output_, &errors_}) close_fd(*fd);
  }

  // `before_exec` runs in the child (limits, another user) before the program starts.
  void start(const fs::path& workdir, const fs::path& tmpdir, const std::function<void()>& before_exec = {}) {
    // A program that ended early must fail the test, not kill it with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    int in_pipe[2], out_pipe[2], err_pipe[2];
    ASSERT_EQ(pipe2(in_pipe, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(out_pipe, O_CLOEXEC), 0);
    ASSERT_EQ(pipe2(err_pipe, O_CLOEXEC), 0);
    const char* parent_path = std::getenv("PATH");
    std::vector<std::string> variables = {std::string("PATH=") + (parent_path ? parent_path : "/usr/bin:/bin")};
    bool own_tmpdir = false;
    for (const std::string& variable : environment) own_tmpdir |= variable.rfind("TMPDIR=", 0) == 0;
    if (!own_tmpdir) variables.push_back("TMPDIR=" + tmpdir.string());
    variables.insert(variables.end(), environment.begin(), environment.end());
    std::vector<char*> argv, envp;
    for (std::string& word : command) argv.push_back(word.data());
    for (std::string& variable : variables) envp.push_back(variable.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const std::string work = workdir.string();
    deadline_ = Clock::now() + time_limit;
    pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      // Its own group, so that a run over time can be ended with all it started.
      setpgid(0, 0);
      signal(SIGPIPE, SIG_DFL);
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      if (dup2(in_pipe[0], 0) < 0 || dup2(out_pipe[1], 1) < 0 || dup2(err_pipe[1], 2) < 0) _exit(125);
      if (chdir(work.c_str()) != 0) _exit(126);
      if (before_exec) before_exec();
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    setpgid(pid, pid);  // also here: no race with the child's own call
    close(in_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    input_ = in_pipe[1];
    output_ = out_pipe[0];
    errors_ = err_pipe[0];
    for (const int fd : {input_, output_, errors_}) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  }

  // Sends `text` to standard input: what the pipe does not take now goes
  // while the output is read.
  void type(const std::string& text) {
    pending_ += text;
    send();
  }

  // Reads standard output until it ends with `tail`; false when the output
  // ends first or 10 seconds pass.
  bool wait_for_output(const std::string& tail) {
    const auto until = std::min(deadline_, Clock::now() + std::chrono::seconds(10));
    const auto has_tail = [&] {
      return out.size() >= tail.size() && out.compare(out.size() - tail.size(), tail.size(), tail) == 0;
    };
    while (!has_tail()) {
      if (output_ < 0 || !pump(until)) return false;
    }
    return true;
  }

  // Ends standard input once the typed text is sent, reads both outputs to
  // their end and waits for the program: its exit status, or -signal when
  // killed. At the time limit the group is killed and `timed_out` is set.
  int finish() {
    if (pid <= 0) return -1;  // never started
    closing_ = true;
    if (pending_.empty()) close_fd(input_);
    while (output_ >= 0 || errors_ >= 0 || input_ >= 0) {
      if (!pump(deadline_)) return stop();
    }
    // Both output pipes are closed; the program may still be ending.
    int status = 0;
    for (;;) {
      const pid_t waited = waitpid(pid, &status, WNOHANG);
      if (waited == pid) break;
      if ((waited < 0 && errno != EINTR) || Clock::now() >= deadline_) return stop();
      usleep(2000);
    }
    pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

 private:
  static void close_fd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
  }

  void send() {
    while (!pending_.empty() && input_ >= 0) {
      const ssize_t written = write(input_, pending_.data(), pending_.size());
      if (written > 0) {
        pending_.erase(0, static_cast<std::size_t>(written));
      } else if (errno == EAGAIN) {
        return;
      } else if (errno != EINTR) {
        pending_.clear();  // the program no longer reads: its end will show
        close_fd(input_);
      }
    }
    if (pending_.empty() && closing_) close_fd(input_);  // the answers end here: end of file
  }

  static void drain(int& fd, std::string& into) {
    char buffer[65536];
    for (;;) {
      const ssize_t got = read(fd, buffer, sizeof buffer);
      if (got > 0) {
        into.append(buffer, static_cast<std::size_t>(got));
      } else {
        if (got == 0 || (errno != EAGAIN && errno != EINTR)) close_fd(fd);
        return;
      }
    }
  }

  // Waits until a pipe is ready (or `until`) and serves it; false at `until`.
  bool pump(Clock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    if (left <= 0) return false;
    pollfd fds[3];
    nfds_t count = 0;
    if (input_ >= 0 && !pending_.empty()) fds[count++] = {input_, POLLOUT, 0};
    if (output_ >= 0) fds[count++] = {output_, POLLIN, 0};
    if (errors_ >= 0) fds[count++] = {errors_, POLLIN, 0};
    if (poll(fds, count, static_cast<int>(std::min<long long>(left, 100))) > 0) {
      send();
      if (output_ >= 0) drain(output_, out);
      if (errors_ >= 0) drain(errors_, err);
    }
    return true;
  }

  // Kills the whole group and reaps the program.
  int stop() {
    timed_out = true;
    kill(-pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    pid = -1;
    for (int* fd : {&input_, &output_, &errors_}) close_fd(*fd);
    return -SIGKILL;
  }

  int input_ = -1;
  int output_ = -1;
  int errors_ = -1;
  std::string pending_;
  bool closing_ = false;
  Clock::time_point deadline_;
};

// A test of whole runs in private folders open to every user (for the tests
// that run as an ordinary user), with the files of the working folder at hand.
class FolderTest : public ::testing::Test {
 protected:
  explicit FolderTest(const std::string& name) : folders_(name) {}
  void SetUp() override {
    for (const fs::path& p : {folders_.root(), work(), temp()}) chmod(p.c_str(), 0777);
  }
  fs::path work() const { return folders_.work(); }
  fs::path temp() const { return folders_.temp(); }
  void write(const std::string& name, const std::string& bytes) const {
    ASSERT_TRUE(test_support::write_file(work() / name, bytes)) << name;
  }
  std::string read(const std::string& name) const { return test_support::file_bytes(work() / name).value_or(""); }

  RunFolders folders_;
};

// A memory cgroup that holds its processes to `bytes` (swap included): its
// folder, or empty where none can be made (no root, no writable cgroup file
// system, no memory controller).
inline std::string make_memory_group(std::uint64_t bytes) {
  struct Hierarchy {
    const char* root;
    const char* limit;
    const char* swap_limit;
    const char* swap_value;  // empty: the same as the limit
  };
  const Hierarchy hierarchies[] = {{"/sys/fs/cgroup", "memory.max", "memory.swap.max", "0"},
                                   {"/sys/fs/cgroup/memory", "memory.limit_in_bytes", "memory.memsw.limit_in_bytes", ""}};
  const auto put = [](const fs::path& file, const std::string& text) {
    const int fd = open(file.c_str(), O_WRONLY);
    const bool written = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (fd >= 0) close(fd);
    return written;
  };
  for (const Hierarchy& h : hierarchies) {
    const fs::path group = fs::path(h.root) / ("tiral-test-" + std::to_string(getpid()));
    if (mkdir(group.c_str(), 0755) != 0) continue;
    const std::string limit = std::to_string(bytes);
    if (fs::exists(group / h.limit) && put(group / h.limit, limit)) {
      // Absent where the kernel keeps no swap account: then the limit alone holds.
      if (fs::exists(group / h.swap_limit)) put(group / h.swap_limit, *h.swap_value ? h.swap_value : limit);
      return group.string();
    }
    rmdir(group.c_str());
  }
  return {};
}

// In the child before it starts the program: only calls safe after fork.
inline void join_memory_group(const std::string& group) {
  char pid[24];
  const auto end = std::to_chars(pid, pid + sizeof pid, getpid()).ptr;
  const int fd = open((group + "/cgroup.procs").c_str(), O_WRONLY);
  if (fd < 0 || ::write(fd, pid, static_cast<std::size_t>(end - pid)) < 0) _exit(125);
  close(fd);
}

inline void remove_memory_group(const std::string& group) { rmdir(group.c_str()); }

}  // namespace e2e
