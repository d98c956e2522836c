// Console interrupts through the real program: at each prompt and in the
// middle of a long run, with the diagnostic, the exit status, and no work
// file left behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

// The program running with pipes on its three standard streams.
struct Child {
  pid_t pid = -1;
  int input = -1;
  int output = -1;
  int errors = -1;
  std::string out;
  std::string err;

  void start(const fs::path& workdir, const fs::path& tmpdir) {
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
      const std::string tmp = "TMPDIR=" + tmpdir.string();
      char* const argv[] = {const_cast<char*>(TIRAL_BINARY), nullptr};
      char* const envp[] = {const_cast<char*>("PATH=/usr/bin:/bin"), const_cast<char*>(tmp.c_str()), nullptr};
      execve(TIRAL_BINARY, argv, envp);
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

class Interrupts : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tiral-interrupt-XXXXXX";
    root_ = mkdtemp(pattern);
    fs::create_directory(root_ / "work");
    fs::create_directory(root_ / "tmp");
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path work() const { return root_ / "work"; }
  bool temp_empty() const { return fs::is_empty(root_ / "tmp"); }

  // A long input file: enough records that the run is still busy when the signal comes.
  void write_long_input(int records) {
    std::ofstream file(work() / "long.txt", std::ios::binary);
    std::string chunk;
    for (int i = 0; i < records; ++i) {
      chunk += std::to_string(10 + i % 17) + ".5 " + std::to_string(i % 11 - 3) + ".25 " + std::to_string(40 + i % 53) +
               ".0\n";
      if (chunk.size() > (1 << 20)) {
        file << chunk;
        chunk.clear();
      }
    }
    file << chunk;
  }

  fs::path root_;
};

const std::string input_prompt = "         Input Filename: ";
const std::string output_prompt = "        Output Filename: ";
const std::string year_prompt = "      First year (yyyy): ";

struct SignalCase {
  int signal_number;
  const char* event;
  int exit_status;
};

const SignalCase signal_cases[] = {
    {SIGINT, "control-C", 130},
    {SIGQUIT, "control-BREAK", 1},
    {SIGHUP, "menu-CLOSE", 2},
    {SIGTERM, "unknown", 143},
};

std::string interrupt_line(const char* event) {
  return std::string("forrtl: error (200): program aborting due to ") + event + " event\r\n";
}

TEST_F(Interrupts, AtTheInputPromptEachEvent) {
  for (const SignalCase& c : signal_cases) {
    Child child;
    child.start(work(), root_ / "tmp");
    ASSERT_TRUE(child.wait_for_output(input_prompt)) << child.out;
    kill(child.pid, c.signal_number);
    EXPECT_EQ(child.finish(), c.exit_status) << c.event;
    EXPECT_EQ(child.err, interrupt_line(c.event));
    // The pending prompt gets its line ended before the message.
    EXPECT_EQ(child.out.substr(child.out.size() - input_prompt.size() - 1), input_prompt + "\n");
  }
  EXPECT_TRUE(fs::is_empty(work()));
}

TEST_F(Interrupts, AtTheOutputAndYearPrompts) {
  std::ofstream(work() / "climate.txt") << "1 2 3\n";
  for (const bool at_year : {false, true}) {
    Child child;
    child.start(work(), root_ / "tmp");
    child.type("climate.txt\n");
    std::string prompt = output_prompt;
    if (at_year) {
      child.type("report.txt\n");
      prompt = year_prompt;
    }
    ASSERT_TRUE(child.wait_for_output(prompt)) << child.out;
    kill(child.pid, SIGINT);
    EXPECT_EQ(child.finish(), 130);
    EXPECT_EQ(child.err, interrupt_line("control-C"));
    EXPECT_EQ(child.out.substr(child.out.size() - prompt.size() - 1), prompt + "\n");
  }
  std::ifstream in(work() / "climate.txt");
  std::stringstream contents;
  contents << in.rdbuf();
  EXPECT_EQ(contents.str(), "1 2 3\n");
  EXPECT_FALSE(fs::exists(work() / "report.txt"));
}

TEST_F(Interrupts, InTheMiddleOfALongRunNoWorkFileSurvives) {
  write_long_input(3'000'000);
  const auto input_size = fs::file_size(work() / "long.txt");
  for (const int signal_number : {SIGINT, SIGTERM, SIGKILL}) {
    Child child;
    child.start(work(), root_ / "tmp");
    child.type("long.txt\nreport.txt\n1900\n");
    ASSERT_TRUE(child.wait_for_output(year_prompt));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    kill(child.pid, signal_number);
    const int status = child.finish();
    if (signal_number == SIGKILL) {
      EXPECT_EQ(status, -SIGKILL);
    } else {
      EXPECT_EQ(status, signal_number == SIGINT ? 130 : 143);
      EXPECT_EQ(child.err, interrupt_line(signal_number == SIGINT ? "control-C" : "unknown"));
      // The answer to the last prompt ended its line: no extra line feed.
      EXPECT_EQ(child.out.substr(child.out.size() - year_prompt.size()), year_prompt);
    }
    EXPECT_TRUE(temp_empty()) << "work files left after signal " << signal_number;
    EXPECT_EQ(fs::file_size(work() / "long.txt"), input_size);
  }
}

// With pipes on standard input and output, the console stream is exactly
// these bytes, and nothing follows the last prompt.
TEST_F(Interrupts, ConsoleStreamOnPipes) {
  std::ofstream(work() / "climate.txt") << "";
  Child child;
  child.start(work(), root_ / "tmp");
  child.type("climate.txt\nclimate.txt\nreport.txt\n1991\n");
  EXPECT_EQ(child.finish(), 0);
  EXPECT_EQ(child.out, std::string(52, ' ') +
                           "Dew point temperature report\r\n \r\n This program calculates average daily dew point "
                           "temperatures using daily\r\n max. and min. temperature and mean humidity data.\r\n The "
                           "first value of the input file must have the value of January 1st\r\n and the last one of "
                           "December 31st!\r\n \r\n         Input Filename:         Output Filename: Please choose "
                           "another Output Filename!\r\n        Output Filename:       First year (yyyy): ");
  EXPECT_EQ(child.err, "");
}

}  // namespace
