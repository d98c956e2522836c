// The built program as a child process with pipes on its standard streams.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

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

// The program running with pipes on its three standard streams.
struct Child {
  pid_t pid = -1;
  int input = -1;
  int output = -1;
  int errors = -1;
  std::string out;
  std::string err;

  // `before_exec` runs in the child (limits, another user) before the program starts.
  std::string binary = TIRAL_BINARY;  // another copy may be run, e.g. by another user

  void start(const fs::path& workdir, const fs::path& tmpdir, const std::function<void()>& before_exec = {}) {
    // A program that ended early must fail the test, not kill it with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    int in_pipe[2], out_pipe[2], err_pipe[2];
    ASSERT_EQ(pipe(in_pipe), 0);
    ASSERT_EQ(pipe(out_pipe), 0);
    ASSERT_EQ(pipe(err_pipe), 0);
    pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      dup2(in_pipe[0], 0);
      dup2(out_pipe[1], 1);
      dup2(err_pipe[1], 2);
      for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) close(fd);
      if (chdir(workdir.c_str()) != 0) _exit(127);
      if (before_exec) before_exec();
      const std::string tmp = "TMPDIR=" + tmpdir.string();
      char* const argv[] = {binary.data(), nullptr};
      char* const envp[] = {const_cast<char*>("PATH=/usr/bin:/bin"), const_cast<char*>(tmp.c_str()), nullptr};
      execve(binary.c_str(), argv, envp);
      _exit(127);
    }
    close(in_pipe[0]);
    close(out_pipe[1]);
    close(err_pipe[1]);
    input = in_pipe[1];
    output = out_pipe[0];
    errors = err_pipe[0];
  }

  void type(const std::string& text) const { ASSERT_EQ(write(input, text.data(), text.size()), ssize_t(text.size())); }

  // Reads standard output until it ends with `tail` or the time is up.
  bool wait_for_output(const std::string& tail) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (out.size() >= tail.size() && out.compare(out.size() - tail.size(), tail.size(), tail) == 0) return true;
      pollfd p{output, POLLIN, 0};
      if (poll(&p, 1, 100) > 0) {
        char buffer[4096];
        const ssize_t got = read(output, buffer, sizeof buffer);
        if (got <= 0) return false;
        out.append(buffer, static_cast<std::size_t>(got));
      }
    }
    return false;
  }

  static void drain(int fd, std::string& into) {
    char buffer[4096];
    ssize_t got;
    while ((got = read(fd, buffer, sizeof buffer)) > 0) into.append(buffer, static_cast<std::size_t>(got));
    close(fd);
  }

  // Waits for the end; returns the exit status, or -signal when killed.
  int finish() {
    if (input >= 0) close(input);
    input = -1;
    drain(output, out);
    drain(errors, err);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }
};

}  // namespace e2e
