// Faults of the system, made on demand by a preloaded shim (fault_shim.cpp):
// a report appears whole or not at all, a refused read is a failure, and no
// fault turns into a quiet success, a hang or a leftover file.
#include <gtest/gtest.h>

#include "test_files.hpp"

#include <sys/resource.h>
#include <sys/stat.h>

#include <regex>
#include <set>
#include <string>

#include "child_process.hpp"

namespace {

using e2e::Child;
namespace fs = std::filesystem;

const std::string old_report = "an older report\nwith two lines\n";

std::string years(int count) {
  std::string records;
  for (int day = 0; day < 365 * count; ++day) records += "3 2 50\n";
  return records;
}

class SystemFaults : public e2e::FolderTest {
 protected:
  SystemFaults() : FolderTest("tiral-system-faults") {}
  std::set<std::string> work_files() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(work())) names.insert(entry.path().filename().string());
    return names;
  }

  // A run with `fault` (TIRAL_FAULT of the shim, none when empty).
  int run(const std::string& answers, const std::string& fault = "", const std::function<void()>& before_exec = {},
          const std::vector<std::string>& arguments = {}) {
    Child child;
    child.command.insert(child.command.end(), arguments.begin(), arguments.end());
    if (!fault.empty()) {
      child.environment = {"LD_PRELOAD=" + std::string(TIRAL_FAULT_SHIM), "TIRAL_FAULT=" + fault,
                           "ASAN_OPTIONS=verify_asan_link_order=0"};
    }
    child.time_limit = std::chrono::seconds(20);
    child.start(work(), temp(), before_exec);
    child.type(answers);
    const int status = child.finish();
    err_ = child.err;
    timed_out_ = child.timed_out;
    return status;
  }

  std::string err_;
  bool timed_out_ = false;
};

const auto as_nobody = [] {
  if (geteuid() == 0 && setuid(65534) != 0) _exit(126);
};

// Any end before the report's last record leaves the old report byte for
// byte, its other links too, and no new file beside it.
TEST_F(SystemFaults, AnEndBeforeTheReportIsWholeLeavesTheOldReport) {
  struct Case {
    const char* label;
    std::string fault;
    int status;
    std::string last_line;
    rlim_t size_limit = 0;
  };
  const std::string report = (work() / "report.txt").string();
  const Case cases[] = {
      {"write refused", "write:report.txt:1:EIO", 38,
       "forrtl: severe (38): error during write, unit 400, file " + report + "\r\n"},
      {"disk full", "write:report.txt:1:ENOSPC", 38,
       "forrtl: severe (38): error during write, unit 400, file " + report + "\r\n"},
      {"size limit", "", 38, "forrtl: severe (38): error during write, unit 400, file " + report + "\r\n", 1536},
      {"interrupt at the write", "write:report.txt:1:SIGINT", 130,
       "forrtl: error (200): program aborting due to control-C event\r\n"},
      {"interrupt at the rename", "rename:report.txt:1:SIGINT", 130,
       "forrtl: error (200): program aborting due to control-C event\r\n"},
      {"rename refused", "rename:report.txt:1:EACCES", 28,
       "forrtl: severe (28): CLOSE error, unit 400, file " + report + "\r\n"},
  };
  for (const Case& c : cases) {
    write("climate.txt", years(1));
    write("report.txt", old_report);
    fs::remove(work() / "other-name.txt");
    fs::create_hard_link(work() / "report.txt", work() / "other-name.txt");
    const rlim_t limit = c.size_limit;
    const int status = run("climate.txt\nreport.txt\n2001\n", c.fault, [limit] {
      if (limit == 0) return;
      const rlimit size{limit, limit};
      setrlimit(RLIMIT_FSIZE, &size);
    });
    EXPECT_EQ(status, c.status) << c.label << ": " << err_;
    EXPECT_TRUE(err_.ends_with(c.last_line)) << c.label << ": " << err_;
    EXPECT_EQ(read("report.txt"), old_report) << c.label;
    EXPECT_EQ(read("other-name.txt"), old_report) << c.label;
    EXPECT_EQ(work_files(), (std::set<std::string>{"climate.txt", "other-name.txt", "report.txt"})) << c.label;
    EXPECT_EQ(read("climate.txt"), years(1)) << c.label;
    EXPECT_TRUE(fs::is_empty(temp())) << c.label;
  }
}

// The table and the chart come after the report, and as whole: an end
// while one of them is written leaves its old file, the report written.
TEST_F(SystemFaults, AnEndBeforeTheTableOrChartIsWholeLeavesTheOldFile) {
  for (const std::string name : {"table.csv", "chart.svg"}) {
    for (const auto& [fault, want] : {std::pair{":1:EIO", 38}, std::pair{":1:SIGINT", 130}}) {
      write("climate.txt", years(1));
      write(name, old_report);
      const std::string option = name == "table.csv" ? "--table" : "--chart";
      const int status = run("", "write:" + name + fault, {}, {option, name, "climate.txt", "report.txt", "2001"});
      EXPECT_EQ(status, want) << name << fault << ": " << err_;
      EXPECT_EQ(read(name), old_report) << name << fault;
      EXPECT_EQ(work_files(), (std::set<std::string>{"climate.txt", name, "report.txt"})) << name << fault;
      fs::remove(work() / name);
      fs::remove(work() / "report.txt");
    }
  }
}

// A run that completes replaces the report whole, with its mode; other links
// keep the old report; a link keeps pointing at the report it names.
TEST_F(SystemFaults, ACompleteReportTakesTheOldOnesPlace) {
  write("climate.txt", years(1));
  ASSERT_EQ(run("climate.txt\nfirst.txt\n2001\n"), 0) << err_;
  const std::string expected = read("first.txt");
  write("report.txt", old_report + std::string(5000, 'x'));
  chmod((work() / "report.txt").c_str(), 0640);
  fs::create_hard_link(work() / "report.txt", work() / "other-name.txt");
  fs::create_directory(work() / "kept");
  fs::create_symlink("../report.txt", work() / "kept" / "link.txt");
  ASSERT_EQ(run("climate.txt\nkept/link.txt\n2001\n"), 0) << err_;
  EXPECT_EQ(read("report.txt"), expected);
  EXPECT_TRUE(fs::is_symlink(work() / "kept" / "link.txt"));
  EXPECT_EQ((fs::status(work() / "report.txt").permissions() & fs::perms::all),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(read("other-name.txt"), old_report + std::string(5000, 'x'));
  // A new report has the default mode (the tests' umask is 022).
  EXPECT_EQ((fs::status(work() / "first.txt").permissions() & fs::perms::all),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
  EXPECT_EQ(work_files(), (std::set<std::string>{"climate.txt", "first.txt", "kept", "other-name.txt", "report.txt"}));
}

// What stays as it was: a folder that takes no new file, with a report that
// may be written, gets the report rewritten in place; a report that may only
// be read ends with 47 and is left as it was.
TEST_F(SystemFaults, AReportWithoutANewFileBesideItIsWrittenAsBefore) {
  write("climate.txt", years(1));
  ASSERT_EQ(run("climate.txt\nfirst.txt\n2001\n"), 0) << err_;
  const std::string expected = read("first.txt");
  fs::create_directory(work() / "shut");
  write("shut/r.txt", old_report + std::string(5000, 'x'));
  write("shut/ro.txt", old_report);
  chmod((work() / "shut" / "r.txt").c_str(), 0666);
  chmod((work() / "shut" / "ro.txt").c_str(), 0444);
  chmod((work() / "shut").c_str(), 0555);
  const fs::path copy = folders_.root() / "tiral";
  fs::copy_file(TIRAL_BINARY, copy);
  chmod(copy.c_str(), 0755);
  const auto run_as_nobody = [&](const std::string& answers) {
    Child child;
    child.command = {copy.string()};
    child.start(work(), temp(), as_nobody);
    child.type(answers);
    return child.finish();
  };
  EXPECT_EQ(run_as_nobody("climate.txt\nshut/r.txt\n2001\n"), 0);
  EXPECT_EQ(read("shut/r.txt"), expected);
  EXPECT_EQ(run_as_nobody("climate.txt\nshut/ro.txt\n2001\n"), 47);
  EXPECT_EQ(read("shut/ro.txt"), old_report);
  EXPECT_EQ(std::distance(fs::directory_iterator(work() / "shut"), fs::directory_iterator()), 2);
}

// A link to the input made after the dialog let the name pass: the report's
// OPEN looks again, and the input stays as it was.
TEST_F(SystemFaults, ALinkToTheInputMadeDuringTheRunIsRefused) {
  write("climate.txt", years(1));
  Child child;
  child.start(work(), temp());
  child.type("climate.txt\nrep.txt\n");
  ASSERT_TRUE(child.wait_for_output("      First year (yyyy): ")) << child.out;
  fs::create_symlink("climate.txt", work() / "rep.txt");
  child.type("2001\n");
  EXPECT_EQ(child.finish(), 30) << child.err;
  EXPECT_EQ(child.err, "forrtl: severe (30): open failure, unit 400, file " + (work() / "rep.txt").string() + "\r\n");
  EXPECT_EQ(read("climate.txt"), years(1));
  EXPECT_EQ(work_files(), (std::set<std::string>{"climate.txt", "rep.txt"}));
}

// A report named by the process's own standard output, appended to a log,
// goes to the end of the log: nothing of the log is cut.
TEST_F(SystemFaults, AReportOnTheOwnStandardStreamKeepsTheLog) {
  write("climate.txt", years(1));
  ASSERT_EQ(run("climate.txt\nfirst.txt\n2001\n"), 0) << err_;
  const std::string report = read("first.txt");
  const std::string earlier = "an earlier line of the log\n";
  for (const std::string name : {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"}) {
    write("all.txt", earlier);
    const std::string log = (work() / "all.txt").string();
    EXPECT_EQ(run("climate.txt\n" + name + "\n2001\n", "",
                  [log] {
                    const int fd = open(log.c_str(), O_WRONLY | O_APPEND);
                    if (fd < 0 || dup2(fd, 1) < 0) _exit(125);
                  }),
              0)
        << name << ": " << err_;
    const std::string all = read("all.txt");
    EXPECT_TRUE(all.starts_with(earlier)) << name;
    EXPECT_TRUE(all.ends_with("First year (yyyy): " + report)) << name;
  }
}

// A read the system refuses, on the input or on a work file, ends the run
// with message 39 after the system's text; no report is written.
TEST_F(SystemFaults, ARefusedReadEndsTheRun) {
  struct Case {
    const char* label;
    std::string fault;
    std::string pattern;  // the message line
  };
  const Case cases[] = {
      {"input, first read", "read:climate.txt:1:EIO",
       "error during read, unit 10, file " + (work() / "climate.txt").string()},
      {"input, later read", "read:climate.txt:2:EIO",
       "error during read, unit 10, file " + (work() / "climate.txt").string()},
      {"work file", "read:" + temp().string() + ":1:EIO",
       "error during read, unit 101, file " + temp().string() + "/\\S+"},
  };
  for (const Case& c : cases) {
    // Large enough that the input takes more than one read.
    write("climate.txt", years(100));
    fs::remove(work() / "report.txt");
    EXPECT_EQ(run("climate.txt\nreport.txt\n2001\n", c.fault), 39) << c.label << ": " << err_;
    // After the warnings of the records read so far, if any.
    EXPECT_TRUE(std::regex_search(
        err_, std::regex("(^|\n)forrtl: Input/output error\r\nforrtl: severe \\(39\\): " + c.pattern + "\r\n$")))
        << c.label << ": " << err_;
    EXPECT_FALSE(fs::exists(work() / "report.txt")) << c.label;
    EXPECT_TRUE(fs::is_empty(temp())) << c.label;
  }
}

// Warnings that cannot be written: the report is written all the same, and
// the run ends with 38, not 0.
TEST_F(SystemFaults, LostWarningsAreNoSuccess) {
  write("climate.txt", "3 2 50\n");
  EXPECT_EQ(run("climate.txt\nreport.txt\n2001\n", "write:fd=2:0:EIO"), 38);
  EXPECT_EQ(err_, "");
  EXPECT_NE(read("report.txt").find(" Number of Records =            1\r\n"), std::string::npos);
  // Without a warning, a standard error that refuses writing changes nothing.
  write("climate.txt", years(1));
  EXPECT_EQ(run("climate.txt\nreport.txt\n2001\n", "write:fd=2:0:EIO"), 0);
}

// A FIFO that may be read but not written, as input or report, is refused
// at once: no open waits for a writer.
TEST_F(SystemFaults, AReadOnlyFifoDoesNotHoldTheRun) {
  write("climate.txt", years(1));
  ASSERT_EQ(mkfifo((work() / "fifo").c_str(), 0444), 0);
  const fs::path copy = folders_.root() / "tiral";
  fs::copy_file(TIRAL_BINARY, copy);
  chmod(copy.c_str(), 0755);
  for (const std::string answers : {"fifo\nreport.txt\n2001\n", "climate.txt\nfifo\n2001\n"}) {
    Child child;
    child.command = {copy.string()};
    child.time_limit = std::chrono::seconds(10);
    child.start(work(), temp(), as_nobody);
    child.type(answers);
    EXPECT_EQ(child.finish(), 30) << answers << child.err;
    EXPECT_FALSE(child.timed_out) << answers;
  }
}

// Where no unnamed work file can be made, a console event while a named one
// exists still leaves none behind.
TEST_F(SystemFaults, AnInterruptWhileAWorkFileHasANameLeavesNone) {
  write("climate.txt", years(1));
  const int status = run("climate.txt\nreport.txt\n2001\n", "tmpfile::0:EOPNOTSUPP;unlink:.tiral-work-:3:SIGINT");
  EXPECT_EQ(status, 130) << err_;
  EXPECT_EQ(err_, "forrtl: error (200): program aborting due to control-C event\r\n");
  EXPECT_TRUE(fs::is_empty(temp()));
  EXPECT_FALSE(fs::exists(work() / "report.txt"));
}

// The interrupt diagnostic holds from the first moment to the last: an event
// while the usage is written, or while the exit handlers run after a whole
// run, ends with its line and status, not with the bare signal or a crash.
TEST_F(SystemFaults, AnInterruptAtEitherEndOfTheProcessHasItsLine) {
  write("climate.txt", years(1));
  struct Case {
    std::vector<std::string> arguments;
    const char* fault;
  };
  const Case cases[] = {{{"--help"}, "write:fd=1:1:SIGINT"}, {{"climate.txt", "report.txt", "2001"}, "exit::1:SIGINT"}};
  for (const Case& c : cases) {
    EXPECT_EQ(run("", c.fault, {}, c.arguments), 130) << c.fault;
    EXPECT_EQ(err_, "forrtl: error (200): program aborting due to control-C event\r\n") << c.fault;
  }
  // The run itself was over: its report is whole.
  EXPECT_NE(read("report.txt").find(" Number of Records =          365\r\n"), std::string::npos);
}

// Memory does not grow with a line's length: an input without line ends
// reads to its warning and a report inside a 256 MiB memory cgroup.
TEST_F(SystemFaults, ALineWithoutEndFitsInASmallMemoryGroup) {
  const std::string group = e2e::make_memory_group(256u << 20);
  if (group.empty()) GTEST_SKIP() << "no memory cgroup can be made here (needs root and a writable cgroup file system)";
  write("climate.txt", years(10));
  fs::resize_file(work() / "climate.txt", std::uintmax_t{2} << 30);  // a 2 GiB sparse hole after the data
  const auto join = [group] { e2e::join_memory_group(group); };
  for (const std::string input : {"/dev/zero", "climate.txt"}) {
    fs::remove(work() / "report.txt");
    const int status = run(input + "\nreport.txt\n1991\n", "", join);
    EXPECT_EQ(status, 0) << input << ": " << err_;
    EXPECT_NE(err_.find("of the input file cannot be read; reading stops there"), std::string::npos) << input;
    EXPECT_TRUE(fs::exists(work() / "report.txt")) << input;
  }
  e2e::remove_memory_group(group);
}

}  // namespace
