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

const std::string prompts = "         Input Filename:         Output Filename:       First year (yyyy): ";

// One whole year of records: a run that says nothing about its data.
std::string one_year() {
  std::string records;
  for (int day = 0; day < 365; ++day) records += "3 2 50\n";
  return records;
}

// Sets a resource limit in the child before the program starts.
// The resource's own type, so no cast to a library-internal name is needed.
std::function<void()> limited(decltype(RLIMIT_AS) resource, rlim_t value) {
  return [resource, value] {
    const rlimit limit{value, value};
    setrlimit(resource, &limit);
  };
}

class Faults : public e2e::FolderTest {
 protected:
  Faults() : FolderTest("tiral-faults") {}

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

  std::string out_, err_;  // of the last run
};

TEST_F(Faults, ReportFileThatMayOnlyBeRead) {
  write("climate.txt", one_year());
  write("report.txt", "an older report\n");
  chmod((work() / "report.txt").c_str(), 0444);
  // The tests run as root, who may write anything: the program runs as nobody,
  // from a copy that nobody can reach wherever the build folder lies.
  const fs::path copy = folders_.root() / "tiral";
  fs::copy_file(TIRAL_BINARY, copy);
  chmod(copy.c_str(), 0755);
  const int status = run(
      "climate.txt\nreport.txt\n2001\n",
      [] {
        if (geteuid() == 0 && setuid(65534) != 0) _exit(126);
      },
      copy.string());
  EXPECT_EQ(status, 47);
  EXPECT_EQ(err(),
            "forrtl: severe (47): write to READONLY file, unit 400, file " + (work() / "report.txt").string() + "\r\n");
  EXPECT_TRUE(stdout_ends_with_prompts());
  EXPECT_EQ(read("report.txt"), "an older report\n");
  EXPECT_TRUE(fs::is_empty(temp()));
}

TEST_F(Faults, NamesThatCannotBeOpened) {
  fs::create_directory(work() / "folder");
  write("climate.txt", one_year());
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
  EXPECT_EQ(read("climate.txt"), one_year());
  EXPECT_TRUE(fs::is_empty(temp()));
}

TEST_F(Faults, TooManyOpenFilesForTheWorkFiles) {
  write("climate.txt", "3 2 50\n");
  // Standard streams and five work files: the sixth cannot be had.
  const int status = run("climate.txt\nreport.txt\n2001\n", limited(RLIMIT_NOFILE, 8));
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
  for (int i = 0; i < 3'000'000; ++i) records += "3 2 50\n";
  write("big.txt", records);
  // Three arrays of 12 MB each do not fit in 24 MB of address space.
  const int status = run("big.txt\nreport.txt\n2001\n", limited(RLIMIT_AS, 24 << 20));
  EXPECT_EQ(status, 41);
  EXPECT_EQ(err(), "forrtl: severe (41): insufficient virtual memory\r\n");
  EXPECT_TRUE(fs::is_empty(temp()));
}

// A line that never ends takes no more memory than its first few MiB: the
// run stops reading there with the reading warning and writes its report,
// where it used to fill memory until none was left.
TEST_F(Faults, EndlessLineEndsWithTheReadingWarning) {
  std::string years;
  for (int i = 0; i < 3650; ++i) years += "3 2 50\n";
  write("holed.txt", years);
  // Ten years, then a hole of 2 GiB that reads as zero bytes.
  fs::resize_file(work() / "holed.txt", years.size() + (std::uintmax_t{2} << 30));
  struct Case {
    std::string input;
    std::string warning;
  };
  const Case cases[] = {
      {"/dev/zero", " Warning: line 1 of the input file cannot be read; reading stops there, after 0 records.\r\n"},
      {"holed.txt",
       " Warning: line 3651 of the input file cannot be read; reading stops there, after 3650 records.\r\n"},
  };
  for (const Case& c : cases) {
    fs::remove(work() / "report.txt");
    EXPECT_EQ(run(c.input + "\nreport.txt\n2001\n", limited(RLIMIT_AS, 256 << 20)), 0) << c.input << ": " << err();
    EXPECT_TRUE(err().starts_with(c.warning)) << c.input << ": " << err();
    EXPECT_TRUE(fs::exists(work() / "report.txt")) << c.input;
    EXPECT_TRUE(fs::is_empty(temp())) << c.input;
  }
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

// Inputs that are no weather data at all still give a report and status 0,
// and a warning that says how much of them was used.
TEST_F(Faults, HostileInputFilesEndNormally) {
  std::mt19937 random(7);
  std::string garbage(1 << 20, '\0');
  for (char& c : garbage) c = static_cast<char>(random());
  const std::string no_year = " Warning: fewer than 365 records make no whole year; no record is used.\r\n";
  const std::string no_tmp_max = " Warning: every tmp_max value is no-data, so its means are NaN.\r\n";
  const std::string line_1 =
      " Warning: line 1 of the input file cannot be read; reading stops there, after 0 records.\r\n";
  struct Case {
    const char* label;
    std::string bytes;
    const char* records;  // the "Number of Records" line of the report
    std::string warning;  // standard error; empty: any one warning line
  };
  const Case cases[] = {
      {"binary garbage", garbage, nullptr, ""},
      {"NUL bytes", std::string(100000, '\0') + "\n3 2 50\n", " Number of Records =            0", line_1},
      // Only the line's first 4 MiB are read: one value, and the file ends
      // before the record's other two.
      {"one line of 100 MB", std::string(50'000'000, '1') + " 2 3" + std::string(50'000'000, ' ') + "\n",
       " Number of Records =            0",
       " Warning: the input file ends inside a record; reading stops there, after 0 records.\r\n"},
      {"a million commas", std::string(1'000'000, ',') + "\n", " Number of Records =            1",
       " Warning: 1 record leaves a value empty, which keeps the last value read in its column (line 1).\r\n"
       " Warning: every hmd value is no-data, so its means are NaN.\r\n" +
           no_year},
      {"a million blank lines", std::string(1'000'000, '\n') + "3 2 50\n", " Number of Records =            1",
       no_year},
      {"CR without LF", std::string("1 2 3\r4 5 6\r7 8 9\r"), " Number of Records =            0", line_1},
      {"huge numbers", "1e40 -1e40 1e400\n" + std::string(400, '9') + " 0." + std::string(400, '0') + "1 50\n",
       " Number of Records =            2", no_tmp_max + no_year},
  };
  for (const Case& c : cases) {
    write("data.txt", c.bytes);
    EXPECT_EQ(run("data.txt\nreport.txt\n2001\n"), 0) << c.label << ": " << err();
    if (c.warning.empty()) {
      EXPECT_TRUE(std::regex_match(err(), std::regex(" Warning: [^\r\n]*\r\n"))) << c.label << ": " << err();
    } else {
      EXPECT_EQ(err(), c.warning) << c.label;
    }
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
  write("climate.txt", one_year());
  // A value of 2049 characters is read, but a name cut to the field's 255 is
  // refused: no file of the cut name is touched. One more character is an error.
  const std::string name_2049(2049, 'n');
  EXPECT_EQ(run("climate.txt\n" + name_2049 + "\n2001\n"), 43);
  EXPECT_EQ(err(),
            "forrtl: severe (43): file name specification error, unit 400, file " + std::string(255, 'n') + "\r\n");
  EXPECT_FALSE(fs::exists(work() / std::string(255, 'n')));
  EXPECT_EQ(run("climate.txt\n" + name_2049 + "x\n2001\n"), 59);
  EXPECT_EQ(err(), "forrtl: severe (59): list-directed I/O syntax error, unit 5, file CONIN$\r\n");
  EXPECT_EQ(out().substr(out().size() - 26), "        Output Filename: \n");
}

// Answers that are not what they look like end the run before any file is
// touched: a name from a repeat form (43, the text typed named), a year that
// is a word (59, like any text that is no number), a year of a sign or point
// alone (64). A null value or a slash leaves the year 0.
TEST_F(Faults, AnswersThatAreNotWhatTheyLookLike) {
  write("climate.txt", one_year());
  write("notes.txt", "my notes\n");
  struct Case {
    std::string answers;
    int status;
    std::string err;
  };
  const std::string bad_name = "forrtl: severe (43): file name specification error, unit ";
  const std::string no_number = "forrtl: severe (59): list-directed I/O syntax error, unit 5, file CONIN$\r\n";
  const std::string no_value = "forrtl: severe (64): input conversion error, unit 5, file CONIN$\r\n";
  const Case cases[] = {
      {"3*climate.txt\nreport.txt\n2001\n", 43, bad_name + "10, file 3*climate.txt\r\n"},
      {"climate.txt\n2*notes.txt\n2001\n", 43, bad_name + "400, file 2*notes.txt\r\n"},
      {"climate.txt\nreport.txt\nFriday\n", 59, no_number},
      {"climate.txt\nreport.txt\n.F.\n", 59, no_number},
      {"climate.txt\nreport.txt\ntrue\n", 59, no_number},
      {"climate.txt\nreport.txt\nT\n", 59, no_number},
      {"climate.txt\nreport.txt\n-\n", 64, no_value},
      {"climate.txt\nreport.txt\n+\n", 64, no_value},
      {"climate.txt\nreport.txt\n.\n", 64, no_value},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.answers), c.status) << c.answers;
    EXPECT_EQ(err(), c.err) << c.answers;
    EXPECT_EQ(read("notes.txt"), "my notes\n");
    EXPECT_FALSE(fs::exists(work() / "report.txt")) << c.answers;
  }
  for (const std::string year : {",", "/"}) {
    EXPECT_EQ(run("climate.txt\nreport.txt\n" + year + "\n"), 0) << year;
    EXPECT_NE(read("report.txt").find("Period (   0 -    0)"), std::string::npos) << year;
  }
}

// A standard stream closed at start is never taken by a file the program
// opens: the stream refuses its transfers, and no diagnostic or interrupt
// line ever lands in the user's data.
TEST_F(Faults, ClosedStandardStreamsNeverReachAFile) {
  const std::string footer = one_year() + "end of data\n";
  struct Case {
    const char* label;
    int closed;
    std::string answers;
    int status;
    std::string err;  // when standard error is open
    bool report;      // the report is written
  };
  const Case cases[] = {
      {"standard error, fatal diagnostic", 2, "in.txt\nnodir/r.txt\n1991\n", 29, "", false},
      // The report is written, but the warnings that say what it holds are
      // lost: no success.
      {"standard error, warnings", 2, "in.txt\nr.txt\n1991\n", 38, "", true},
      {"standard output", 1, "in.txt\nr.txt\n1991\n", 38,
       "forrtl: severe (38): error during write, unit 6, file CONOUT$\r\n", false},
      {"standard input", 0, "", 39, "forrtl: severe (39): error during read, unit 5, file CONIN$\r\n", false},
  };
  for (const Case& c : cases) {
    write("in.txt", footer);
    fs::remove(work() / "r.txt");
    Child child;
    const int closed = c.closed;
    child.start(work(), temp(), [closed] { close(closed); });
    if (!c.answers.empty()) child.type(c.answers);
    EXPECT_EQ(child.finish(), c.status) << c.label;
    err_ = child.err;
    if (c.closed != 2) {
      // The system's text for the refused transfer comes first.
      EXPECT_EQ(err().rfind("forrtl: ", 0), 0u) << c.label << ": " << err();
      EXPECT_EQ(err().substr(err().find("\r\n") + 2), c.err) << c.label;
    }
    EXPECT_EQ(read("in.txt"), footer) << c.label;
    EXPECT_EQ(fs::exists(work() / "r.txt"), c.report) << c.label;
    EXPECT_TRUE(fs::is_empty(temp())) << c.label;
  }
  // An interrupt while the input is open: its line is lost, not appended.
  std::string records;
  for (int i = 0; i < 3'000'000; ++i) records += "12.5 3.25 70\n";
  write("in.txt", records);
  Child child;
  child.start(work(), temp(), [] { close(2); });
  child.type("in.txt\nr.txt\n1991\n");
  // Past the start, which a sanitized build may not have left after 100 ms.
  ASSERT_TRUE(child.wait_for_output("      First year (yyyy): "));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  kill(child.pid, SIGINT);
  const int status = child.finish();
  // A run that ended first has warnings it could not write: 38.
  EXPECT_TRUE(status == 130 || status == 38) << status;
  EXPECT_EQ(fs::file_size(work() / "in.txt"), records.size());
  EXPECT_TRUE(fs::is_empty(temp()));
}

// A folder that refuses writing: the refusal is what the run reports, not the
// "not found" of the retry for reading only.
TEST_F(Faults, FolderThatRefusesWritingIsPermissionDenied) {
  write("climate.txt", one_year());
  chmod((work() / "climate.txt").c_str(), 0644);
  fs::create_directory(work() / "ro");
  chmod((work() / "ro").c_str(), 0555);
  fs::create_directory(work() / "shut");
  chmod((work() / "shut").c_str(), 0000);
  const fs::path copy = folders_.root() / "tiral";
  fs::copy_file(TIRAL_BINARY, copy);
  chmod(copy.c_str(), 0755);
  const auto as_nobody = [] {
    if (geteuid() == 0 && setuid(65534) != 0) _exit(126);
  };
  const std::string w = work().string();
  struct Case {
    std::string answers;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"climate.txt\nro/r.txt\n2001\n", 9, "permission to access file denied, unit 400, file " + w + "/ro/r.txt"},
      {"shut/in.txt\nr.txt\n2001\n", 9, "permission to access file denied, unit 10, file " + w + "/shut/in.txt"},
      {"ro/in.txt\nr.txt\n2001\n", 29, "file not found, unit 10, file " + w + "/ro/in.txt"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.answers, as_nobody, copy.string()), c.status) << c.answers;
    EXPECT_EQ(err().rfind("forrtl: ", 0), 0u) << err();
    EXPECT_EQ(err().substr(err().find("\r\n") + 2),
              "forrtl: severe (" + std::to_string(c.status) + "): " + c.message + "\r\n");
  }
  EXPECT_TRUE(fs::is_empty(work() / "ro"));
  chmod((work() / "shut").c_str(), 0755);
  EXPECT_TRUE(fs::is_empty(work() / "shut"));
}

// A file grown to the size limit is a write error on the unit being written,
// not a process killed without a word.
TEST_F(Faults, FileSizeLimitIsAWriteError) {
  write("climate.txt", one_year());
  struct Case {
    const char* label;
    rlim_t limit;
    std::string unit_pattern;
  };
  // The work files reach 1 KB long before the report; the report alone is
  // about 2 KB, each work file of one year under 1 KB.
  const Case cases[] = {
      {"report", 1536, "400, file " + (work() / "report.txt").string()},
      {"work file", 512, "1(0[1-9]|1[0-2]), file " + temp().string() + "/"},
  };
  for (const Case& c : cases) {
    fs::remove(work() / "report.txt");
    EXPECT_EQ(run("climate.txt\nreport.txt\n2001\n", limited(RLIMIT_FSIZE, c.limit)), 38) << c.label << ": " << err();
    EXPECT_TRUE(std::regex_search(
        err(), std::regex("^forrtl: [^\r\n]+\r\nforrtl: severe \\(38\\): error during write, unit " + c.unit_pattern)))
        << c.label << ": " << err();
    EXPECT_TRUE(fs::is_empty(temp())) << c.label;
  }
}

#ifndef TIRAL_SANITIZED
// Whatever allocation fails first, the run ends with message 41: a sweep of
// address-space limits from where the program can start to where it runs
// through meets no other end.
TEST_F(Faults, EveryFailedAllocationEndsWithTheMemoryMessage) {
  std::string undated, dated = "date,tmax,tmin,rh\n";
  for (int i = 0; i < 200'000; ++i) undated += "12.5 3.25 70\n";
  // A dated file with a day missing now and then: the days without a record
  // are held too.
  for (int year = 1901; year < 1901 + 550; ++year) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= 28; day += 1 + (day % 9 == 0 ? 1 : 0)) {
        dated += std::to_string(year) + (month < 10 ? "-0" : "-") + std::to_string(month) + (day < 10 ? "-0" : "-") +
                 std::to_string(day) + ",12.5,3.25,70\n";
      }
    }
  }
  for (const std::string* records : {&undated, &dated}) {
    write("data.txt", *records);
    ASSERT_EQ(run("data.txt\nreport.txt\n1901\n"), 0);
    const std::string report = read("report.txt");
    const std::string warnings = err();
    int completed = 0, refused = 0;
    for (rlim_t limit = 2 << 20; limit < (256u << 20) && completed < 4; limit += 64 << 10) {
      fs::remove(work() / "report.txt");
      const int status = run("data.txt\nreport.txt\n1901\n", limited(RLIMIT_AS, limit));
      // Below some limit the system cannot even load the program, which then
      // has written nothing.
      if (status == 127 && out().empty()) continue;
      ASSERT_TRUE(status == 0 || status == 41) << "limit " << limit << ": status " << status << ", " << err();
      if (status == 41) {
        ++refused;
        EXPECT_TRUE(err().ends_with("forrtl: severe (41): insufficient virtual memory\r\n")) << limit << ": " << err();
      } else {
        // Near the limit the file may have been read a second time: the same report.
        EXPECT_EQ(read("report.txt"), report) << limit;
        EXPECT_EQ(err(), warnings) << limit;
        ++completed;
      }
      EXPECT_TRUE(fs::is_empty(temp())) << limit;
      EXPECT_EQ(fs::file_size(work() / "data.txt"), records->size());
    }
    EXPECT_GT(refused, 10) << "the sweep must cross the allocations";
    EXPECT_EQ(completed, 4);
  }
}
#endif

}  // namespace
