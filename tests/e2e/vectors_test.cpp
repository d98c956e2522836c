// End-to-end runs of the built tiral binary against recorded vectors.
//
// Every subfolder of the shared vectors folder (TIRAL_VECTORS_DIR) and of our
// own cases folder (TIRAL_CASES_DIR) describes one whole run: the files the
// working folder holds before it, the bytes typed at the prompts, and the
// exact console output, exit status, report and files expected after it.
// Each folder becomes one test instance named after the folder.
//
// A run: a fresh working folder (real path shorter than 200 bytes) and a
// private, empty TMPDIR; the input file and a copy of setup/ go into the
// working folder; tiral runs there with only PATH and TMPDIR in its
// environment, the answers ({cwd} replaced by the folder's real path) on
// standard input followed by end of file, and 20 seconds to finish.
// Afterwards the working folder must hold nothing but the input file, the
// setup/ copies and the report, and TMPDIR must be empty. Both are removed
// after each test (set TIRAL_KEEP_TEST_FOLDERS=1 to keep them).

#include <gtest/gtest.h>

#include "child_process.hpp"
#include "test_files.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

#ifndef TIRAL_BINARY
#error "TIRAL_BINARY must name the built program"
#endif
#ifndef TIRAL_VECTORS_DIR
#define TIRAL_VECTORS_DIR ""
#endif
#ifndef TIRAL_CASES_DIR
#define TIRAL_CASES_DIR ""
#endif

constexpr int time_limit_seconds = 20;
constexpr std::size_t max_work_path_length = 200;
const std::string cwd_token = "{cwd}";
const std::string system_text_line = "forrtl: {system error text}\r\n";

// ---------------------------------------------------------------- helpers

using test_support::file_bytes;
using test_support::write_file;

std::string replace_all(std::string text, const std::string& from, const std::string& to) {
  std::size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
  return text;
}

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// Printable form of bytes: CR, LF, tab, backslash and other controls escaped.
std::string escape(const std::string& s) {
  std::string out;
  for (const char c : s) {
    const auto ch = static_cast<unsigned char>(c);
    switch (ch) {
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (ch < 0x20 || ch >= 0x7f) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\x%02x", ch);
          out += buf;
        } else {
          out += static_cast<char>(ch);
        }
    }
  }
  return out;
}

// Empty when equal; otherwise where the two texts first differ, with both
// texts around that place.
std::string describe_difference(const std::string& what, const std::string& expected, const std::string& actual) {
  if (expected == actual) return {};
  std::size_t off = 0;
  const std::size_t common = std::min(expected.size(), actual.size());
  while (off < common && expected[off] == actual[off]) ++off;
  const std::size_t line = 1 + static_cast<std::size_t>(std::count(
                                   expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(off), '\n'));
  const std::size_t line_start = expected.rfind('\n', off == 0 ? 0 : off - 1);
  const std::size_t column = off == 0 ? 1 : off - (line_start == std::string::npos ? 0 : line_start + 1) + 1;
  const std::size_t before = 60;
  const std::size_t after = 60;
  const std::size_t from = off > before ? off - before : 0;
  auto around = [&](const std::string& s) {
    std::string head = from < s.size() ? s.substr(from, std::min(off, s.size()) - from) : "";
    std::string tail = off < s.size() ? s.substr(off, after) : "";
    std::string r = (from > 0 ? "..." : "") + escape(head) + " >>>" + escape(tail);
    if (off + after < s.size()) r += "...";
    if (off >= s.size()) r += "<end>";
    return r;
  };
  std::ostringstream msg;
  msg << what << " differs at byte " << off << " (line " << line << ", column " << column << "); expected "
      << expected.size() << " bytes, got " << actual.size() << " bytes\n"
      << "  expected: " << around(expected) << "\n"
      << "  actual:   " << around(actual) << "\n";
  return msg.str();
}

// Records a test failure describing the first difference, if any.
void expect_same(const std::string& what, const std::string& expected, const std::string& actual) {
  const std::string d = describe_difference(what, expected, actual);
  if (!d.empty()) ADD_FAILURE() << d;
}

// ----------------------------------------------------------- the folders

struct VectorCase {
  std::string root;   // folder holding the vector folders
  std::string name;   // vector folder name; empty: no vectors found
  std::string label;  // test instance name
};

// Shown by the test framework (failure lines, test lists) instead of raw
// bytes: the folder, named after its parent folder.
void PrintTo(const VectorCase& c, std::ostream* os) {
  const fs::path root = fs::path(c.root).lexically_normal();
  const std::string parent = root.has_filename() ? root.filename().string() : root.parent_path().filename().string();
  *os << parent << "/" << c.name;
}

std::string sanitise(const std::string& name) {
  std::string out;
  for (const char c : name) out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  if (out.empty()) out = "_";
  return out;
}

std::vector<VectorCase> discover(const std::string& root) {
  std::vector<VectorCase> cases;
  std::error_code ec;
  if (!root.empty() && fs::is_directory(root, ec)) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root, ec)) {
      if (entry.is_directory() && fs::exists(entry.path() / "answers"))
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::set<std::string> used;
    for (const auto& n : names) {
      std::string label = sanitise(n);
      std::string unique = label;
      for (int k = 2; used.count(unique); ++k) unique = label + "_" + std::to_string(k);
      used.insert(unique);
      cases.push_back({root, n, unique});
    }
  }
  if (cases.empty()) cases.push_back({root, "", "no_vectors_found"});
  return cases;
}

// ------------------------------------------- the Windows build under Wine
//
// TIRAL_RUNNER names a program that starts the binary ("wine" for the Windows
// build) and TIRAL_BINARY_OVERRIDE the binary it starts (tiral.exe). Only the
// start changes, and the names a Windows program shows: the working folder
// as Wine's drive Z: path with backslashes, the full device as Z:\dev\full.
// The runner gets the WINE* variables, HOME and the harness's own TMPDIR
// instead of the private one: Wine finds its running server through TMPDIR.
// TIRAL_RUNNER_TEMP names the folder the runner's programs use for temporary
// files (Wine's registry sets it): it must be empty after each run.

struct Runner {
  std::string program;  // full path; empty: the binary starts itself
  std::string binary;
  std::string temp;
  bool wine = false;
  std::vector<std::string> environment;  // the runner's own, besides PATH
};

std::string find_in_path(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return name;
}

const Runner& runner() {
  static const Runner r = [] {
    Runner made;
    made.binary = TIRAL_BINARY;
    if (const char* b = std::getenv("TIRAL_BINARY_OVERRIDE"); b && *b) made.binary = b;
    if (const char* p = std::getenv("TIRAL_RUNNER"); p && *p) {
      made.program = find_in_path(p);
      made.wine = fs::path(p).filename().string().rfind("wine", 0) == 0;
      for (char** e = environ; *e != nullptr; ++e) {
        const std::string var = *e;
        if (var.rfind("WINE", 0) == 0 || var.rfind("HOME=", 0) == 0) made.environment.push_back(var);
      }
      const char* own_tmp = std::getenv("TMPDIR");
      made.environment.push_back(std::string("TMPDIR=") + (own_tmp ? own_tmp : "/tmp"));
    }
    if (const char* t = std::getenv("TIRAL_RUNNER_TEMP"); t && *t) made.temp = t;
    return made;
  }();
  return r;
}

std::string wine_path(const std::string& posix_path) { return "Z:" + replace_all(posix_path, "/", "\\"); }

// The file names of diagnostics ("..., file NAME" at the end of a line) that
// are absolute POSIX paths, as the Windows program shows them.
std::string wine_diagnostic_names(const std::string& expected, const std::string& cwd) {
  const std::string marker = ", file ";
  std::string out;
  std::size_t at = 0;
  while (at < expected.size()) {
    std::size_t end = expected.find('\n', at);
    end = end == std::string::npos ? expected.size() : end + 1;
    std::string line = expected.substr(at, end - at);
    at = end;
    const std::size_t name_at = line.rfind(marker);
    if (name_at != std::string::npos) {
      std::size_t name_end = line.size();
      while (name_end > 0 && (line[name_end - 1] == '\n' || line[name_end - 1] == '\r')) --name_end;
      const std::size_t from = name_at + marker.size();
      const std::string name = replace_all(line.substr(from, name_end - from), cwd_token, cwd);
      if (!name.empty() && name.front() == '/') line = line.substr(0, from) + wine_path(name) + line.substr(name_end);
    }
    out += line;
  }
  return out;
}

// Copies src's contents into dst: folders, regular files (bytes only: the
// shared folder is laid read-only, and the copies are the run's ordinary
// files) and symbolic links as links with the same target.
std::string copy_tree(const fs::path& src, const fs::path& dst) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(src, ec)) {
    const fs::path from = entry.path();
    const fs::path to = dst / from.filename();
    struct stat st {};
    if (lstat(from.c_str(), &st) != 0) return "lstat " + from.string();
    if (S_ISLNK(st.st_mode)) {
      fs::path target = fs::read_symlink(from, ec);
      if (ec) return "readlink " + from.string();
      if (symlink(target.c_str(), to.c_str()) != 0) return "symlink " + to.string();
    } else if (S_ISDIR(st.st_mode)) {
      if (mkdir(to.c_str(), 0755) != 0 && errno != EEXIST) return "mkdir " + to.string();
      if (std::string e = copy_tree(from, to); !e.empty()) return e;
    } else if (S_ISREG(st.st_mode)) {
      auto bytes = file_bytes(from);
      if (!bytes || !write_file(to, *bytes)) return "copy " + from.string();
    } else {
      return "unsupported file type " + from.string();
    }
  }
  if (ec) return "read folder " + src.string();
  return {};
}

// Every entry below dir, as paths relative to base, links not followed.
void list_tree(const fs::path& base, const fs::path& dir, std::vector<std::string>& out) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    out.push_back(fs::relative(entry.path(), base, ec).generic_string());
    struct stat st {};
    if (lstat(entry.path().c_str(), &st) == 0 && S_ISDIR(st.st_mode)) list_tree(base, entry.path(), out);
  }
}

std::string strip_slash(std::string p) {
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

// ------------------------------------------------------------- the test

// What one vector folder holds.
struct Recorded {
  fs::path dir;
  std::string input_name;
  std::optional<std::string> input;
  std::string answers;
  std::string expected_stdout;
  std::string expected_stderr;
  int expected_status = 0;
  std::optional<std::string> report_name;
  std::optional<std::string> expected_report;
  std::vector<std::string> files_lines;  // expected-files
  fs::path setup;
  bool has_setup = false;
};

void load_recorded(const fs::path& dir, Recorded& recorded) {
  recorded.dir = dir;
  const auto input_name = file_bytes(dir / "input-name");
  ASSERT_TRUE(input_name) << "missing input-name in " << dir;
  recorded.input_name = *input_name;
  recorded.input = file_bytes(dir / "input");
  const auto answers = file_bytes(dir / "answers");
  ASSERT_TRUE(answers) << "missing answers in " << dir;
  recorded.answers = *answers;
  const auto expected_stdout = file_bytes(dir / "expected-stdout");
  const auto expected_stderr = file_bytes(dir / "expected-stderr");
  const auto expected_status_text = file_bytes(dir / "expected-status");
  ASSERT_TRUE(expected_stdout && expected_stderr && expected_status_text)
      << "missing expected-stdout, expected-stderr or expected-status in " << dir;
  recorded.expected_stdout = *expected_stdout;
  recorded.expected_stderr = *expected_stderr;
  recorded.report_name = file_bytes(dir / "report-name");
  recorded.expected_report = file_bytes(dir / "expected-report");
  ASSERT_EQ(recorded.report_name.has_value(), recorded.expected_report.has_value())
      << "report-name and expected-report go together in " << dir;
  const auto files_text = file_bytes(dir / "expected-files");
  if (files_text) recorded.files_lines = split_lines(*files_text);
  recorded.setup = dir / "setup";
  std::error_code ec;
  recorded.has_setup = fs::is_directory(recorded.setup, ec);

  std::istringstream s(*expected_status_text);
  ASSERT_TRUE(s >> recorded.expected_status) << "unreadable expected-status in " << dir;
}

// The working folder with the input file and the setup/ copies; `cwd` is
// its real path.
void prepare_folder(const Recorded& recorded, const e2e::RunFolders& folders, std::string& cwd) {
  const fs::path work = folders.work();
  std::error_code ec;
  cwd = fs::canonical(work, ec).string();
  ASSERT_FALSE(ec) << "cannot make the working folders";
  ASSERT_LT(cwd.size(), max_work_path_length) << "working folder path too long: " << cwd;

  if (recorded.input) {
    const fs::path p = work / recorded.input_name;
    fs::create_directories(p.parent_path(), ec);
    ASSERT_TRUE(write_file(p, *recorded.input)) << "cannot write the input file " << p;
  }
  if (recorded.has_setup) {
    const std::string e = copy_tree(recorded.setup, work);
    ASSERT_TRUE(e.empty()) << "cannot copy setup/: " << e;
  }
  for (const auto& line : recorded.files_lines) {
    if (line.rfind("setup/", 0) != 0) continue;
    const std::size_t sp = line.find(' ');
    const std::string path = line.substr(6, sp == std::string::npos ? std::string::npos : sp - 6);
    if (!path.empty() && path.back() == '/') {
      fs::create_directories(work / path, ec);
      ASSERT_FALSE(ec) << "cannot make folder " << path << ": " << ec.message();
    }
  }
}

// The answers typed, then the run to its end; `status` as finish() gives it.
void run_program(const Recorded& recorded, const e2e::RunFolders& folders, const std::string& cwd, e2e::Child& child,
                 int& status) {
  std::string stdin_bytes = replace_all(recorded.answers, cwd_token, runner().wine ? wine_path(cwd) : cwd);
  if (runner().wine) stdin_bytes = replace_all(stdin_bytes, "/dev/full", wine_path("/dev/full"));
  child.command = {runner().binary};
  if (!runner().program.empty()) child.command.insert(child.command.begin(), runner().program);
  child.environment = runner().environment;
  child.time_limit = std::chrono::seconds(time_limit_seconds);
  child.start(folders.work(), folders.temp());
  child.type(stdin_bytes);
  status = child.finish();
  ASSERT_FALSE(child.timed_out) << "no end after " << time_limit_seconds << " s; stdout so far:\n"
                                << escape(child.out) << "\nstderr so far:\n"
                                << escape(child.err);
}

// Standard output, standard error and the exit status.
void compare_console(const Recorded& recorded, const std::string& cwd, const e2e::Child& child, int status) {
  expect_same("stdout", recorded.expected_stdout, child.out);

  std::string want_err = replace_all(
      runner().wine ? wine_diagnostic_names(recorded.expected_stderr, cwd) : recorded.expected_stderr, cwd_token, cwd);
  std::string got_err = child.err;
  if (want_err.rfind(system_text_line, 0) == 0) {
    want_err.erase(0, system_text_line.size());
    const std::size_t nl = got_err.find('\n');
    const std::string first = nl == std::string::npos ? got_err : got_err.substr(0, nl + 1);
    const bool good_first =
        first.rfind("forrtl: ", 0) == 0 && first.size() >= 10 && first.compare(first.size() - 2, 2, "\r\n") == 0;
    EXPECT_TRUE(good_first) << "stderr: the first line should be 'forrtl: ' with the "
                               "system's text and CR LF, got: "
                            << escape(first);
    got_err.erase(0, first.size());
  }
  expect_same("stderr", want_err, got_err);

  if (status >= 0) {
    EXPECT_EQ(status, recorded.expected_status) << "exit status";
  } else {
    ADD_FAILURE() << "the program ended by signal " << -status << ", expected exit status " << recorded.expected_status;
  }
}

void compare_report(const Recorded& recorded, const fs::path& work) {
  if (!recorded.report_name) return;
  const auto got = file_bytes(work / *recorded.report_name);
  if (!got) {
    ADD_FAILURE() << "no report file '" << *recorded.report_name << "'";
  } else {
    expect_same("report " + *recorded.report_name, *recorded.expected_report, *got);
  }
}

// What the working folder may hold, relative to it, before expected-files.
std::set<std::string> files_allowed(const Recorded& recorded) {
  std::set<std::string> allowed;
  if (recorded.has_setup) {
    std::vector<std::string> entries;
    list_tree(recorded.setup, recorded.setup, entries);
    allowed.insert(entries.begin(), entries.end());
  }
  if (recorded.report_name) allowed.insert(fs::path(*recorded.report_name).lexically_normal().generic_string());
  if (recorded.input) allowed.insert(recorded.input_name);
  return allowed;
}

// One "input ..." line of expected-files; false for a line that is none.
bool compare_input_line(const Recorded& recorded, const fs::path& work, const std::string& line,
                        std::set<std::string>& allowed) {
  const fs::path in_path = work / recorded.input_name;
  struct stat st {};
  if (line == "input unchanged") {
    const auto got = file_bytes(in_path);
    if (!recorded.input) {
      ADD_FAILURE() << "'input unchanged' without an input file in the vector";
    } else if (!got) {
      ADD_FAILURE() << "input file '" << recorded.input_name << "' is gone";
    } else {
      expect_same("input file", *recorded.input, *got);
    }
  } else if (line == "input created empty") {
    allowed.insert(recorded.input_name);
    if (lstat(in_path.c_str(), &st) != 0) {
      ADD_FAILURE() << "input file was not created";
    } else if (!S_ISREG(st.st_mode) || st.st_size != 0) {
      ADD_FAILURE() << "input file should be an empty file, size " << st.st_size;
    }
  } else if (line == "input absent") {
    EXPECT_NE(lstat(in_path.c_str(), &st), 0) << "input file should not exist";
  } else {
    return false;
  }
  return true;
}

// One "setup/PATH unchanged" or "setup/PATH replaced by the report" line.
void compare_setup_line(const Recorded& recorded, const fs::path& work, const std::string& line,
                        std::set<std::string>& allowed) {
  const std::size_t sp = line.find(' ');
  ASSERT_NE(sp, std::string::npos) << "bad expected-files line: " << line;
  const std::string path = line.substr(6, sp - 6);
  const std::string what = line.substr(sp + 1);
  const fs::path wp = work / strip_slash(path);
  allowed.insert(strip_slash(path));
  struct stat st {};
  std::error_code ec;
  if (what == "unchanged") {
    if (path.back() == '/') {
      EXPECT_TRUE(lstat(wp.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) << "folder " << path << " should still be there";
      return;
    }
    struct stat orig {};
    ASSERT_EQ(lstat((recorded.setup / path).c_str(), &orig), 0) << "no setup/" << path;
    if (lstat(wp.c_str(), &st) != 0) {
      ADD_FAILURE() << path << " is gone";
    } else if (S_ISLNK(orig.st_mode)) {
      EXPECT_TRUE(S_ISLNK(st.st_mode)) << path << " should still be a link";
      if (S_ISLNK(st.st_mode)) {
        EXPECT_EQ(fs::read_symlink(wp, ec), fs::read_symlink(recorded.setup / path, ec))
            << path << " should keep its target";
      }
    } else {
      const auto want = file_bytes(recorded.setup / path);
      const auto got = file_bytes(wp);
      EXPECT_TRUE(S_ISREG(st.st_mode)) << path << " should be a plain file";
      if (want && got) {
        expect_same(path, *want, *got);
      }
    }
  } else if (what == "replaced by the report") {
    const auto got = file_bytes(wp);
    if (!got) {
      ADD_FAILURE() << path << " is gone";
    } else if (recorded.expected_report) {
      expect_same(path, *recorded.expected_report, *got);
    }
  } else {
    ADD_FAILURE() << "unknown expected-files line: " << line;
  }
}

// Every line of expected-files; what they name joins `allowed`.
void compare_expected_files(const Recorded& recorded, const fs::path& work, std::set<std::string>& allowed) {
  for (const auto& line : recorded.files_lines) {
    if (compare_input_line(recorded, work, line, allowed)) continue;
    if (line.rfind("setup/", 0) == 0) {
      ASSERT_NO_FATAL_FAILURE(compare_setup_line(recorded, work, line, allowed));
    } else {
      ADD_FAILURE() << "unknown expected-files line: " << line;
    }
  }
}

// Nothing else in the working folder; TMPDIR empty.
void compare_leftovers(const std::set<std::string>& allowed, const e2e::RunFolders& folders) {
  // A file inside a folder brings the folder along.
  std::set<std::string> with_parents = allowed;
  for (const auto& a : allowed) {
    for (fs::path p = fs::path(a).parent_path(); !p.empty(); p = p.parent_path())
      with_parents.insert(p.generic_string());
  }
  std::vector<std::string> present;
  list_tree(folders.work(), folders.work(), present);
  for (const auto& p : present) {
    EXPECT_TRUE(with_parents.count(p)) << "unexpected file left in the working folder: " << p;
  }
  std::vector<std::string> temps;
  list_tree(folders.temp(), folders.temp(), temps);
  for (const auto& p : temps) ADD_FAILURE() << "file left in TMPDIR: " << p;
  if (!runner().temp.empty()) {
    std::vector<std::string> runner_temps;
    list_tree(runner().temp, runner().temp, runner_temps);
    for (const auto& p : runner_temps) ADD_FAILURE() << "file left in " << runner().temp << ": " << p;
  }
}

class RecordedRun : public ::testing::TestWithParam<VectorCase> {};

TEST_P(RecordedRun, GivesTheRecordedResults) {
  const VectorCase& vector_case = GetParam();
  if (vector_case.name.empty()) {
    // Under CI the vectors must be there: a run that checked none is no pass.
    const char* ci = std::getenv("CI");
    if (ci != nullptr && *ci != '\0') FAIL() << "no vector folders in '" << vector_case.root << "' under CI";
    GTEST_SKIP() << "no vector folders in '" << vector_case.root << "'";
  }
  const std::string binary = runner().binary;
  ASSERT_EQ(access(binary.c_str(), X_OK), 0) << "program not built: " << binary;

  Recorded recorded;
  ASSERT_NO_FATAL_FAILURE(load_recorded(fs::path(vector_case.root) / vector_case.name, recorded));
  const e2e::RunFolders folders("tiral-e2e");
  std::string cwd;
  ASSERT_NO_FATAL_FAILURE(prepare_folder(recorded, folders, cwd));
  e2e::Child child;
  int status = 0;
  ASSERT_NO_FATAL_FAILURE(run_program(recorded, folders, cwd, child, status));

  compare_console(recorded, cwd, child, status);
  compare_report(recorded, folders.work());
  std::set<std::string> allowed = files_allowed(recorded);
  ASSERT_NO_FATAL_FAILURE(compare_expected_files(recorded, folders.work(), allowed));
  compare_leftovers(allowed, folders);
}

std::string case_label(const ::testing::TestParamInfo<VectorCase>& info) { return info.param.label; }

INSTANTIATE_TEST_SUITE_P(Vectors, RecordedRun, ::testing::ValuesIn(discover(TIRAL_VECTORS_DIR)), case_label);
INSTANTIATE_TEST_SUITE_P(Cases, RecordedRun, ::testing::ValuesIn(discover(TIRAL_CASES_DIR)), case_label);

}  // namespace
