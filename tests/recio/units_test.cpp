#include "recio/units.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "recio/run_end.hpp"
#include "test_files.hpp"
#include "test_support.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "recio/array_storage.hpp"
#include "recio/messages.hpp"
#include "recio/record_input.hpp"
#include "recio/record_output.hpp"

namespace {

namespace fs = std::filesystem;
using test_support::file_bytes;
using test_support::write_file;

std::vector<std::string> take_all(std::int32_t unit) {
  std::vector<std::string> records;
  std::string_view record;
  while (recio::take_record(unit, record).got) records.emplace_back(record);
  return records;
}

// A private working folder and temporary folder for each test.
class Units : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directory(root_ / "tmp"); }
  void TearDown() override {
    for (std::int32_t unit : {10, 11, 101, 102, 400}) recio::close_unit(unit);
  }
  std::string name(const std::string& file) const { return (root_ / file).string(); }
  bool temp_folder_empty() const { return fs::is_empty(root_ / "tmp"); }

  test_support::TempFolder root_{"tiral-units"};
  test_support::TmpdirSetTo tmpdir_{root_ / "tmp"};
};

TEST_F(Units, OpenThatCreatesMakesAMissingFileEmptyAndKeepsIt) {
  recio::open_named(10, name("absent.txt"), recio::WhenMissing::create);
  EXPECT_TRUE(take_all(10).empty());
  recio::close_unit(10);
  ASSERT_TRUE(fs::exists(root_ / "absent.txt"));
  EXPECT_EQ(fs::file_size(root_ / "absent.txt"), 0u);
}

TEST_F(Units, FirstRecordCutsLongerFileLaterRecordsExtend) {
  write_file(root_ / "report.txt", std::string(5000, 'x') + "\r\n");
  recio::open_named(400, name("report.txt"), recio::WhenMissing::create);
  recio::write_list(400, {"one"});
  recio::write_list(400, {"two"});
  recio::close_unit(400);
  EXPECT_EQ(file_bytes(root_ / "report.txt"), " one\r\n two\r\n");
}

TEST_F(Units, RecordLongerThanAnyBufferAlsoCutsTheFile) {
  write_file(root_ / "report.txt", std::string(300000, 'x'));
  const std::string long_text(100000, 'y');
  recio::open_named(400, name("report.txt"), recio::WhenMissing::create);
  recio::write_list(400, {std::string_view(long_text)});
  recio::close_unit(400);
  EXPECT_EQ(file_bytes(root_ / "report.txt"), " " + long_text + "\r\n");
}

TEST_F(Units, ReadingAFileKeepsItUnchanged) {
  write_file(root_ / "in.txt", "1 2 3\n4 5 6\n");
  recio::open_named(10, "  " + name("in.txt") + "     ", recio::WhenMissing::create);
  EXPECT_EQ(take_all(10), (std::vector<std::string>{"1 2 3", "4 5 6"}));
  recio::rewind_unit(10);
  EXPECT_EQ(take_all(10).size(), 2u);
  recio::close_unit(10);
  EXPECT_EQ(file_bytes(root_ / "in.txt"), "1 2 3\n4 5 6\n");
}

TEST_F(Units, RecordEndsAndTheLastLineWithoutLineFeed) {
  struct Case {
    std::string bytes;
    std::vector<std::string> records;
  };
  const Case cases[] = {
      {"a\r\nb\nc\r\n", {"a", "b", "c"}},
      {"a\nlast", {"a", "last"}},  // text after the last line feed is the last record
      {"a\r\nlast\r", {"a", "last"}},
      {"a\n\r", {"a", ""}},
      {"\n\r\n", {"", ""}},
      {"\xEF\xBB\xBF"
       "a\n",
       {"a"}},  // a byte-order mark at the start is skipped, once
      {"\xEF\xBB\xBF\xEF\xBB\xBF"
       "a\n",
       {"\xEF\xBB\xBF"
        "a"}},
      {"\xEF\xBB\xBF", {}},
      {"\xEF\xBB\xBF\n", {""}},
      {"\xEF\xBB", {"\xEF\xBB"}},
      {"\xEF\xBBx\n", {"\xEF\xBBx"}},
      {"a\n\xEF\xBB\xBF"
       "b\n",
       {"a",
        "\xEF\xBB\xBF"
        "b"}},
      {"a\rb\n", {"a\rb"}},    // a carriage return alone ends nothing
      {"1 2 3\r", {"1 2 3"}},  // nor is one at the very end part of the last record
      {"a\r\r\n", {"a\r"}},
      {"", {}},
      {std::string(600000, 'z') + "\n", {std::string(600000, 'z')}},  // longer than any buffer
      // Of a line longer than 4 MiB only its first 4 MiB are kept: still one record.
      {std::string(5 << 20, 'y') + "\nnext\n", {std::string(4 << 20, 'y'), "next"}},
      {std::string(4 << 20, 'y') + "\nnext\n", {std::string(4 << 20, 'y'), "next"}},
      {std::string(9 << 20, 'y'), {std::string(4 << 20, 'y')}},
  };
  for (const Case& c : cases) {
    // Records held in memory are cut by the same rule.
    std::vector<std::string> in_memory;
    for (const std::string_view record : recio::cut_records(c.bytes)) in_memory.emplace_back(record);
    EXPECT_EQ(in_memory, c.records) << c.bytes.substr(0, 20);
    write_file(root_ / "in.txt", c.bytes);
    recio::open_named(10, name("in.txt"), recio::WhenMissing::create);
    EXPECT_EQ(take_all(10), c.records) << c.bytes.substr(0, 20);
    EXPECT_EQ(recio::records_taken(10), static_cast<std::int64_t>(c.records.size()));
    // The second pass sees the same records.
    recio::rewind_unit(10);
    EXPECT_EQ(take_all(10), c.records) << c.bytes.substr(0, 20);
    recio::close_unit(10);
  }
}

TEST_F(Units, OpenThatRefusesMissingOpensAnExistingFileAsTheOtherDoes) {
  write_file(root_ / "in.txt", "1 2 3\n");
  recio::open_named(10, name("in.txt"), recio::WhenMissing::refuse);
  EXPECT_EQ(take_all(10), (std::vector<std::string>{"1 2 3"}));
  recio::close_unit(10);
  EXPECT_EQ(file_bytes(root_ / "in.txt"), "1 2 3\n");
}

// Nothing writes the input, the file that must exist: it is opened for
// reading only, so that no watcher sees a write, and a file the user may only
// read is read all the same.
TEST_F(Units, OpenThatRefusesMissingOpensForReadingOnly) {
  write_file(root_ / "in.txt", "1 2 3\n");
  recio::open_named(10, name("in.txt"), recio::WhenMissing::refuse);
  int modes_seen = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (fs::read_symlink(entry.path(), error) != root_ / "in.txt") continue;
    ++modes_seen;
    EXPECT_EQ(fcntl(std::stoi(entry.path().filename().string()), F_GETFL) & O_ACCMODE, O_RDONLY);
  }
  EXPECT_EQ(modes_seen, 1);
  recio::close_unit(10);
}

TEST_F(Units, ScratchFilesReadBackAfterRewindAndLeaveNoTrace) {
  recio::open_scratch(101);
  recio::open_scratch(102);
  EXPECT_TRUE(temp_folder_empty()) << "work files must not be visible in the directory";
  EXPECT_EQ(recio::unit_file_name(101).rfind((root_ / "tmp").string() + "/", 0), 0u) << recio::unit_file_name(101);
  EXPECT_NE(recio::unit_file_name(101), recio::unit_file_name(102));
  for (int i = 1; i <= 12; ++i) recio::write_list(101, {"record ", i});
  recio::rewind_unit(101);
  const auto records = take_all(101);
  ASSERT_EQ(records.size(), 12u);
  EXPECT_EQ(records.front(), " record            1");
  EXPECT_EQ(records.back(), " record           12");
  std::string_view record;
  EXPECT_FALSE(recio::take_record(101, record).got) << "a thirteenth read meets the end";
  recio::close_unit(101);
  recio::close_unit(102);
  EXPECT_FALSE(recio::unit_connected(101));
  EXPECT_TRUE(temp_folder_empty());
  EXPECT_FALSE(fs::exists(root_ / "fort.101"));
}

TEST_F(Units, CloseOfAnUnconnectedUnitDoesNothing) {
  recio::close_unit(77);
  recio::rewind_unit(77);
  EXPECT_FALSE(recio::unit_connected(77));
}

TEST_F(Units, LargeOutputAcrossManyBuffersIsKeptInOrder) {
  recio::open_scratch(101);
  const recio::Format format = recio::parse_format("(3F6.2)");
  for (int i = 0; i < 50000; ++i) recio::write_formatted(101, format, {static_cast<float>(i) / 100.0f, -1.5f, 0.25f});
  recio::write_formatted(101, format, {1000.0f, -100.0f, 0.25f});
  recio::rewind_unit(101);
  const auto records = take_all(101);
  ASSERT_EQ(records.size(), 50001u);
  EXPECT_EQ(records[50000], "************  0.25");
  EXPECT_EQ(records[1234], " 12.34 -1.50  0.25");
  EXPECT_EQ(records[49999], "499.99 -1.50  0.25");
  // Records laid out in the unit's buffer, across every one of its flushes,
  // are the records the format gives.
  std::string expected;
  for (int i = 0; i < 50000; ++i) {
    expected.clear();
    const std::vector<recio::OutputItem> items{static_cast<float>(i) / 100.0f, -1.5f, 0.25f};
    recio::build_formatted_record(expected, format, items);
    ASSERT_EQ(records[static_cast<std::size_t>(i)], expected) << i;
  }
}

// Blanks inside a field of a unit's records are ignored, never read as zeros.
TEST_F(Units, FormattedReadIgnoresBlanksInAField) {
  write_file(root_ / "in.txt", " 1 2 3 1 2 3\n");
  const recio::Format format = recio::parse_format("(2F6.2)");
  float a = 0, b = 0;
  std::int32_t status = -7;
  recio::open_named(10, name("in.txt"), recio::WhenMissing::create);
  recio::read_formatted(10, format, {recio::input(a), recio::input(b)}, &status);
  recio::close_unit(10);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(test_support::same_float(1.23f, a));
}

TEST_F(Units, ReadStatusAtEndOfFileAndOnBadData) {
  write_file(root_ / "in.txt", "1.0 2.0\n");
  float a = 0, b = 0, c = 9;
  std::int32_t status = 0;
  recio::open_named(10, name("in.txt"), recio::WhenMissing::create);
  recio::read_list_directed(10, {recio::input(a), recio::input(b), recio::input(c)}, &status);
  EXPECT_EQ(status, -1);
  EXPECT_EQ(a, 1.0f);
  EXPECT_EQ(b, 2.0f);
  EXPECT_EQ(c, 9.0f);
  recio::read_list_directed(10, {recio::input(a)}, &status);
  EXPECT_EQ(status, -1) << "the end stays the end";
  recio::close_unit(10);
}

// --- fatal paths, each in a child process ---

using FatalUnits = Units;

TEST_F(FatalUnits, OpenInAMissingFolderIsFileNotFound) {
  const std::string path = name("nodir/report.txt");
  EXPECT_EXIT(
      recio::open_named(400, path, recio::WhenMissing::create), ::testing::ExitedWithCode(29),
      "forrtl: No such file or directory\r\nforrtl: severe \\(29\\): file not found, unit 400, file " + path + "\r\n");
}

TEST_F(FatalUnits, OpenFailuresMapToTheirMessages) {
  fs::create_directory(root_ / "folder");
  struct Case {
    std::string name;
    int exit_code;
    std::string message;
  };
  const Case cases[] = {
      {name("folder"), 9, "permission to access file denied, unit 10, file " + name("folder")},
      {std::string(256, 'n'), 43, "file name specification error, unit 10"},  // one name part too long
      {"      ", 43, "file name specification error, unit 10, file \r\n"},
      {name("in.txt/x"), 29, "file not found, unit 10"},
  };
  write_file(root_ / "in.txt", "");
  for (const Case& c : cases) {
    EXPECT_EXIT(recio::open_named(10, c.name, recio::WhenMissing::create), ::testing::ExitedWithCode(c.exit_code),
                ::testing::HasSubstr(c.message))
        << c.name;
  }
}

TEST_F(FatalUnits, OpenThatRefusesMissingCreatesNothing) {
  fs::create_symlink(root_ / "nowhere.txt", root_ / "dangling.txt");
  for (const std::string missing : {"absent.txt", "dangling.txt"}) {
    EXPECT_EXIT(
        recio::open_named(10, name(missing), recio::WhenMissing::refuse), ::testing::ExitedWithCode(29),
        "^forrtl: [^\r\n]+\r\nforrtl: severe \\(29\\): file not found, unit 10, file " + name(missing) + "\r\n$");
  }
  EXPECT_FALSE(fs::exists(root_ / "absent.txt"));
  EXPECT_FALSE(fs::exists(root_ / "nowhere.txt"));
}

TEST_F(FatalUnits, NameNotTypedWholeOrEmptyIsRefusedBeforeTheFileSystemIsAsked) {
  write_file(root_ / "in.txt", "");
  struct Case {
    std::string field;
    tiral::NameAnswer answer;
    std::string file;  // as the diagnostic names it
  };
  const Case cases[] = {
      {name("in.txt"), {true, ""}, name("in.txt")},          // exists, yet is not what was typed
      {name("absent.txt"), {true, ""}, name("absent.txt")},  // 43 before 29
      {"   ", {true, ""}, ""},
      // More text after the name on its line: the line is named, before the empty name and 29.
      {name("absent.txt"), {false, "absent.txt b"}, "absent.txt b"},
      {"   ", {false, "'' x"}, "'' x"},
      // A name from a repeat form: the text typed is named, even of a file that exists.
      {name("in.txt"), {false, "3*in.txt", true}, "3\\*in.txt"},
      {name("in.txt"), {true, "in.txt, x"}, name("in.txt")},  // the cut first
      {"   ", {}, ""},
      // A zero byte would end the name early for the system: in.txt is not what was typed.
      {name("in.txt") + std::string(1, '\0') + "junk", {}, name("in.txt") + std::string(1, '\0') + "junk"},
      {"in.txt" + std::string(1, '\0') + "junk", {}, "in.txt" + std::string(1, '\0') + "junk"},
      {name("in.txt") + std::string(1, '\0') + "   ", {}, name("in.txt")},
  };
  for (const Case& c : cases) {
    for (const recio::WhenMissing when_missing : {recio::WhenMissing::refuse, recio::WhenMissing::create}) {
      EXPECT_EXIT(recio::open_named(10, c.field, when_missing, c.answer), ::testing::ExitedWithCode(43),
                  "^forrtl: severe \\(43\\): file name specification error, unit 10, file " + c.file + "\r\n$")
          << c.field << " " << static_cast<int>(when_missing);
    }
  }
  EXPECT_FALSE(fs::exists(root_ / "absent.txt"));
  EXPECT_EQ(file_bytes(root_ / "in.txt"), "");
}

#ifndef __SANITIZE_ADDRESS__
// Any allocation that fails ends the run with message 41, through a path
// that needs no memory itself. (The sanitizer's allocator reports instead.)
TEST_F(FatalUnits, FailedAllocationEndsWithTheMemoryMessage) {
  write_file(root_ / "report.txt", std::string(100, 'o'));
  EXPECT_EXIT(
      {
        recio::install_memory_diagnostic();
        recio::open_named(400, name("report.txt"), recio::WhenMissing::create);
        recio::write_list(400, {"kept"});
        // A call, not a new-expression, which the compiler may leave out.
        ::operator delete(::operator new(static_cast<std::size_t>(-1) / 2));
      },
      ::testing::ExitedWithCode(41), "^forrtl: severe \\(41\\): insufficient virtual memory\r\n$");
  EXPECT_EQ(file_bytes(root_ / "report.txt"), " kept\r\n");
}
#endif

// An interrupt between two records ends the file after the last record
// written, as the normal end does; a file only read keeps every byte.
TEST_F(FatalUnits, InterruptBetweenRecordsLeavesNoOldTextBehindThem) {
  const std::string older = std::string(5000, 'o') + "\n";
  write_file(root_ / "report.txt", older);
  write_file(root_ / "in.txt", "1 2 3\n4 5 6\n7 8 9\n");
  EXPECT_EXIT(
      {
        recio::install_interrupt_diagnostic();
        recio::open_named(10, name("in.txt"), recio::WhenMissing::refuse);
        std::string_view record;
        recio::take_record(10, record);
        recio::open_named(400, name("report.txt"), recio::WhenMissing::create);
        recio::write_list(400, {"first"});
        recio::write_list(400, {"second"});
        raise(SIGINT);
      },
      ::testing::ExitedWithCode(130), "^forrtl: error \\(200\\): program aborting due to control-C event\r\n$");
  EXPECT_EQ(file_bytes(root_ / "report.txt"), " first\r\n second\r\n");
  EXPECT_EQ(file_bytes(root_ / "in.txt"), "1 2 3\n4 5 6\n7 8 9\n");
}

TEST_F(FatalUnits, WriteToAFullDeviceIsAWriteError) {
  EXPECT_EXIT(
      {
        recio::open_named(400, "/dev/full", recio::WhenMissing::create);
        recio::write_list(400, {"text"});
        recio::close_unit(400);
      },
      ::testing::ExitedWithCode(38),
      "forrtl: .*\r\nforrtl: severe \\(38\\): error during write, unit 400, file /dev/full\r\n");
}

TEST_F(FatalUnits, WriteToAFileOpenedForReadingOnly) {
  write_file(root_ / "locked.txt", "old contents\n");
  chmod(root_.path().c_str(), 0755);
  chmod((root_ / "locked.txt").c_str(), 0444);
  const std::string path = name("locked.txt");
  EXPECT_EXIT(
      {
        // Root may write anything: drop to an ordinary user first.
        if (geteuid() == 0 && setuid(65534) != 0) std::_Exit(99);
        recio::open_named(400, path, recio::WhenMissing::create);
        recio::write_list(400, {"text"});
      },
      ::testing::ExitedWithCode(47),
      "^forrtl: severe \\(47\\): write to READONLY file, unit 400, file " + path + "\r\n$");
  // A formatted record, laid out in the unit's buffer, is refused the same way.
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && setuid(65534) != 0) std::_Exit(99);
        recio::open_named(400, path, recio::WhenMissing::create);
        recio::write_formatted(400, recio::parse_format("(F6.2)"), {1.5f});
      },
      ::testing::ExitedWithCode(47), "write to READONLY file, unit 400");
  EXPECT_EQ(file_bytes(root_ / "locked.txt"), "old contents\n");
}

TEST_F(FatalUnits, ReadWithoutStatusEndsTheRun) {
  write_file(root_ / "in.txt", "abc\n\n1e\n");
  const std::string path = name("in.txt");
  std::int32_t year = 0;
  EXPECT_EXIT(
      {
        recio::open_named(10, path, recio::WhenMissing::create);
        recio::read_list_directed(10, {recio::input(year)});
      },
      ::testing::ExitedWithCode(59), "^forrtl: severe \\(59\\): list-directed I/O syntax error, unit 10, file " + path);
  EXPECT_EXIT(
      {
        recio::open_named(10, path, recio::WhenMissing::create);
        std::string_view skipped;
        recio::take_record(10, skipped);
        recio::read_list_directed(10, {recio::input(year)});
      },
      ::testing::ExitedWithCode(64), "^forrtl: severe \\(64\\): input conversion error, unit 10, file " + path);
  EXPECT_EXIT(
      {
        recio::open_named(10, path, recio::WhenMissing::create);
        recio::read_list_directed(10, {recio::input(year)});
      },
      ::testing::ExitedWithCode(59), "");
  write_file(root_ / "empty.txt", "");
  EXPECT_EXIT(
      {
        recio::open_named(10, name("empty.txt"), recio::WhenMissing::create);
        recio::read_list_directed(10, {recio::input(year)});
      },
      ::testing::ExitedWithCode(24), "^forrtl: severe \\(24\\): end-of-file during read, unit 10, file ");
}

// Misusing the daily arrays is a fault of the program, which no input can
// cause: an assertion, not a diagnostic for the user.
TEST_F(FatalUnits, ArrayStorageMisuseIsAnAssertion) {
  tiral::RealArray array;
#ifdef NDEBUG
  GTEST_SKIP() << "assertions are off in this build";
#else
  EXPECT_DEATH(recio::release_array(array), "only an allocated array is released");
  EXPECT_DEATH(
      {
        recio::allocate_array(array, 10);
        recio::allocate_array(array, 10);
      },
      "an array is allocated once");
  tiral::RealArray from;
  recio::allocate_array(from, 1);
  recio::allocate_array(array, 1);
  EXPECT_DEATH(recio::move_array(array, from), "an array is allocated once");
  recio::release_array(array);
  recio::release_array(from);
#endif
}

TEST_F(FatalUnits, ArrayStorageOfNoElements) {
  tiral::RealArray array;
  recio::allocate_array(array, 0);
  EXPECT_TRUE(array.allocated);
  EXPECT_EQ(array.storage, nullptr);
  recio::release_array(array);
  EXPECT_FALSE(array.allocated);
}

// A temporary folder the system refuses is told by the name a work file
// would have had there, whichever way the file is made.
TEST_F(FatalUnits, RefusedTemporaryFolderNamesTheWorkFile) {
  write_file(root_ / "plain", "");
  const struct {
    const char* folder;
    int exit_code;
    const char* message;
  } cases[] = {
      {"nodir", 29, "file not found"},
      {"plain", 29, "file not found"},
  };
  for (const auto& c : cases) {
    const test_support::TmpdirSetTo refused(root_ / c.folder);
    EXPECT_EXIT(recio::open_scratch(101), ::testing::ExitedWithCode(c.exit_code),
                "forrtl: severe \\(" + std::to_string(c.exit_code) + "\\): " + c.message + ", unit 101, file " +
                    name(c.folder) + "/\\.tiral-work-XXXXXX\r\n$")
        << c.folder;
  }
}

TEST_F(FatalUnits, ScratchFilesAreGoneAfterAFatalEnd) {
  EXPECT_EXIT(
      {
        recio::open_scratch(101);
        recio::write_list(101, {"day"});
        recio::open_named(400, name("nodir/x"), recio::WhenMissing::create);
      },
      ::testing::ExitedWithCode(29), "");
  EXPECT_TRUE(temp_folder_empty());
}

}  // namespace
