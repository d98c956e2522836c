// Faults and hostile input through the real program: each failure ends with
// its diagnostic and status, nothing the user owns is lost, no work file
// survives, and no input makes the program crash or hang.
#include <gtest/gtest.h>

#include "test_files.hpp"

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <regex>
#include <string>
#include <thread>

#include "child_process.hpp"

namespace {

using e2e::Child;
namespace fs = std::filesystem;

const std::string prompts =
    "         Input Filename:         Output Filename:       First year (yyyy): ";

class Faults : public ::testing::Test {
 protected:
  void SetUp() override {
    // Open to every user, for the test that runs as an ordinary user.
    for (const fs::path& p : {folders_.root(), work(), temp()}) chmod(p.c_str(), 0777);
  }

  fs::path work() const { return folders_.work(); }
  fs::path temp() const { return folders_.temp(); }

  void write(const std::string& name, const std::string& bytes) const {
    ASSERT_TRUE(test_support::write_file(work() / name, bytes)) << name;
  }
  std::string read(const std::string& name) const { return test_support::file_bytes(work() / name).value_or(""); }

  // Runs the program (or another copy of it) with `answers`; returns its exit status.
  int run(const std::string& answers, const std::function<void()>& before_exec = {},
          const std::string& binary = TIRAL_BINARY) {
    Child child;
    child.command = {binary};
    child.start(work(), temp(), before_exec);
    child.type(answers);
    const int status = child.finish();
    out_ = child.out;
    err_ = child.err;
    return status;
  }
  const std::string& out() const { return out_; }
  const std::string& err() const { return err_; }
  bool stdout_ends_with_prompts() const {
    return out().size() >= prompts.size() && out().compare(out().size() - prompts.size(), prompts.size(), prompts) == 0;
  }

  e2e::RunFolders folders_{"tiral-faults"};
  std::string out_, err_;  // of the last run
};

TEST_F(Faults, ReportFileThatMayOnlyBeRead) {
  write("climate.txt", "1 2 3\n");
  write("report.txt", "an older report\n");
  chmod((work() / "report.txt").c_str(), 0444);
  // The tests run as root, who may write anything: the program runs as nobody,
  // from a copy that nobody can reach wherever the build folder lies.
  const fs::path copy = folders_.root() / "tiral";
  fs::copy_file(TIRAL_BINARY, copy);
  chmod(copy.c_str(), 0755);
  const int status = run("climate.txt\nreport.txt\n2001\n", [] {
    if (geteuid() == 0 && setuid(65534) != 0) _exit(126);
  }, copy.string());
  EXPECT_EQ(status, 47);
  EXPECT_EQ(err(), "forrtl: severe (47): write to READONLY file, unit 400, file " + (work() / "report.txt").string() +
                       "\r\n");
  EXPECT_TRUE(stdout_ends_with_prompts());
  EXPECT_EQ(read("report.txt"), "an older report\n");
  EXPECT_TRUE(fs::is_empty(temp()));
}

TEST_F(Faults, NamesThatCannotBeOpened) {
  fs::create_directory(work() / "folder");
  write("climate.txt", "1 2 3\n");
  struct Case {
    std::string answers;
    int status;
    std::string message;  // the last line of standard error
    bool system_text;     // a line with the system's error text comes first
  };
  const std::string w = work().string();
  const Case cases[] = {
      {"folder\nreport.txt\n2001\n", 9, "permission to access file denied, unit 10, file " + w + "/folder", true},
      {"climate.txt\nfolder\n2001\n", 9, "permission to access file denied, unit 400, file " + w + "/folder", true},
      {"''\nreport.txt\n2001\n", 43, "file name specification error, unit 10, file ", false},
      {"'   '\nreport.txt\n2001\n", 43, "file name specification error, unit 10, file ", false},
      {"climate.txt/x\nreport.txt\n2001\n", 29, "file not found, unit 10, file " + w + "/climate.txt/x", true},
      {"climate.txt\nnodir/deeper/r.txt\n2001\n", 29, "file not found, unit 400, file " + w + "/nodir/deeper/r.txt",
       true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.answers), c.status) << c.answers;
    const std::string line = "forrtl: severe (" + std::to_string(c.status) + "): " + c.message + "\r\n";
    if (c.system_text) {
      EXPECT_EQ(err().rfind("forrtl: ", 0), 0u) << err();
      EXPECT_EQ(err().substr(err().find("\r\n") + 2), line);
    } else {
      EXPECT_EQ(err(), line);
    }
    EXPECT_TRUE(stdout_ends_with_prompts()) << "no line feed after a completed prompt";
  }
  EXPECT_EQ(read("climate.txt"), "1 2 3\n");
  EXPECT_TRUE(fs::is_empty(temp()));
}

TEST_F(Faults, TooManyOpenFilesForTheWorkFiles) {
  write("climate.txt", "1 2 3\n");
  // Standard streams and five work files: the sixth cannot be had.
  const int status = run("climate.txt\nreport.txt\n2001\n", [] {
    const rlimit limit{8, 8};
    setrlimit(RLIMIT_NOFILE, &limit);
  });
  EXPECT_EQ(status, 30);
  EXPECT_EQ(err().rfind("forrtl: ", 0), 0u);
  // Unit 106 here; a sanitizer's own descriptors may make it an earlier one.
  EXPECT_TRUE(std::regex_search(
      err(), std::regex("forrtl: severe \\(30\\): open failure, unit 1(0[1-9]|1[0-2]), file " + temp().string() + "/")))
      << err();
  EXPECT_TRUE(fs::is_empty(temp()));
  EXPECT_FALSE(fs::exists(work() / "report.txt"));
}

#ifndef TIRAL_SANITIZED
TEST_F(Faults, MemoryForTheDailyArraysRefused) {
  std::string records;
  for (int i = 0; i < 3'000'000; ++i) records += "1 2 3\n";
  write("big.txt", records);
  // Three arrays of 12 MB each do not fit in 24 MB of address space.
  const int status = run("big.txt\nreport.txt\n2001\n", [] {
    const rlimit limit{24 << 20, 24 << 20};
    setrlimit(RLIMIT_AS, &limit);
  });
  EXPECT_EQ(status, 41);
  EXPECT_EQ(err(), "forrtl: severe (41): insufficient virtual memory\r\n");
  EXPECT_TRUE(fs::is_empty(temp()));
}

// A line that never ends fills memory until none is left: the run ends with
// the memory message instead of crashing.
TEST_F(Faults, EndlessLineRunsOutOfMemoryCleanly) {
  const int status = run("/dev/zero\nreport.txt\n2001\n", [] {
    const rlimit limit{256 << 20, 256 << 20};
    setrlimit(RLIMIT_AS, &limit);
  });
  EXPECT_EQ(status, 41);
  EXPECT_EQ(err(), "forrtl: severe (41): insufficient virtual memory\r\n");
  EXPECT_TRUE(fs::is_empty(temp()));
}
#endif

// A pipe cannot be read twice from its start: refused at the open.
TEST_F(Faults, PipeAsInputIsRefused) {
  ASSERT_EQ(mkfifo((work() / "pipe").c_str(), 0666), 0);
  EXPECT_EQ(run("pipe\nreport.txt\n2001\n"), 30);
  EXPECT_EQ(err().rfind("forrtl: ", 0), 0u);
  EXPECT_NE(err().find("forrtl: severe (30): open failure, unit 10, file " + (work() / "pipe").string() + "\r\n"),
            std::string::npos)
      << err();
}

// Inputs that are no weather data at all still give a report and status 0.
TEST_F(Faults, HostileInputFilesEndNormally) {
  std::mt19937 random(7);
  std::string garbage(1 << 20, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  struct Case {
    const char* label;
    std::string bytes;
    const char* records;  // the "Number of Records" line of the report
  };
  const Case cases[] = {
      {"binary garbage", garbage, nullptr},
      {"NUL bytes", std::string(100000, '\0') + "\n1 2 3\n", " Number of Records =            0"},
      {"one line of 100 MB", std::string(50'000'000, '1') + " 2 3" + std::string(50'000'000, ' ') + "\n",
       " Number of Records =            1"},
      {"a million commas", std::string(1'000'000, ',') + "\n", " Number of Records =            1"},
      {"a million blank lines", std::string(1'000'000, '\n') + "1 2 3\n", " Number of Records =            1"},
      {"CR without LF", std::string("1 2 3\r4 5 6\r7 8 9\r"), " Number of Records =            0"},
      {"huge numbers", "1e40 -1e40 1e400\n" + std::string(400, '9') + " 0." + std::string(400, '0') + "1 50\n",
       " Number of Records =            2"},
  };
  for (const Case& c : cases) {
    write("data.txt", c.bytes);
    EXPECT_EQ(run("data.txt\nreport.txt\n2001\n"), 0) << c.label << ": " << err();
    EXPECT_EQ(err(), "") << c.label;
    const std::string report = read("report.txt");
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 40) << c.label;
    if (c.records != nullptr) {
      EXPECT_NE(report.find(std::string(c.records) + "\r\n"), std::string::npos) << c.label;
    }
    EXPECT_EQ(read("data.txt"), c.bytes) << c.label;
    EXPECT_TRUE(fs::is_empty(temp())) << c.label;
  }
}

// A file that grows or shrinks while the program reads it: whatever the second
// pass sees, nothing is stored past the arrays and the run ends normally.
TEST_F(Faults, InputChangingDuringTheRun) {
  std::string records;
  for (int i = 0; i < 400'000; ++i) records += "12.5 3.25 70\n";
  for (const bool grow : {true, false}) {
    write("moving.txt", records);
    Child child;
    child.start(work(), temp());
    child.type("moving.txt\nreport.txt\n2001\n");
    if (grow) {
      std::ofstream more(work() / "moving.txt", std::ios::binary | std::ios::app);
      for (int i = 0; i < 200'000; ++i) more << "20.5 10.25 50\n" << std::flush;
    } else {
      for (int size = 400'000; size > 0; size -= 40'000) {
        fs::resize_file(work() / "moving.txt", static_cast<std::uintmax_t>(size) * 13);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    }
    EXPECT_EQ(child.finish(), 0) << (grow ? "growing" : "shrinking") << ": " << child.err;
    const std::string report = read("report.txt");
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 40);
    EXPECT_TRUE(fs::is_empty(temp()));
  }
}

TEST_F(Faults, LongNamesAtThePrompts) {
  write("climate.txt", "1 2 3\n");
  // A value of 2049 characters is a name (cut to the field's 255); one more is an error.
  const std::string name_2049(2049, 'n');
  EXPECT_EQ(run("climate.txt\n" + name_2049 + "\n2001\n"), 0) << err();
  EXPECT_TRUE(fs::exists(work() / std::string(255, 'n')));
  EXPECT_EQ(run("climate.txt\n" + name_2049 + "x\n2001\n"), 59);
  EXPECT_EQ(err(), "forrtl: severe (59): list-directed I/O syntax error, unit 5, file CONIN$\r\n");
  EXPECT_EQ(out().substr(out().size() - 26), "        Output Filename: \n");
}

}  // namespace
