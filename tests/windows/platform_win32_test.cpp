// The Win32 platform layer on its own: names, opening, work files, byte
// transfer, file identity, error texts and the exit status.
#include "platform/platform.hpp"

#include <gtest/gtest.h>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "recio/record_output.hpp"
#include "recio/units.hpp"

namespace {

namespace fs = std::filesystem;

HANDLE native(platform::FileHandle handle) { return reinterpret_cast<HANDLE>(handle.value); }

std::string temp_folder() {
  char buffer[MAX_PATH + 1];
  const DWORD length = GetTempPathA(sizeof buffer, buffer);
  return std::string(buffer, length);
}

// Names of our work files now in the temporary folder.
int work_files_in_temp() {
  int count = 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((temp_folder() + "tiral-*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do ++count;
  while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

std::string read_back(platform::FileHandle handle) {
  EXPECT_EQ(platform::seek_to_start(handle), 0);
  std::string bytes;
  char buffer[7];  // small on purpose: several reads
  for (;;) {
    const platform::ReadResult got = platform::read_some(handle, buffer, sizeof buffer);
    EXPECT_EQ(got.error, 0);
    if (got.bytes == 0 || got.error != 0) return bytes;
    bytes.append(buffer, got.bytes);
  }
}

class Win32Platform : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::current_path() / ("platform-test-" + std::to_string(GetCurrentProcessId()));
    fs::create_directories(folder_);
    fs::current_path(folder_);
  }
  void TearDown() override {
    fs::current_path(folder_.parent_path());
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  fs::path folder_;
};

TEST_F(Win32Platform, FullPathFoldsDotsAgainstTheCurrentFolder) {
  const std::string here = folder_.string();
  EXPECT_EQ(platform::full_path("report.txt"), here + "\\report.txt");
  EXPECT_EQ(platform::full_path("sub\\..\\.\\report.txt"), here + "\\report.txt");
  EXPECT_EQ(platform::full_path("sub/report.txt"), here + "\\sub\\report.txt");
  EXPECT_EQ(platform::full_path(""), "");
}

TEST_F(Win32Platform, OpenCreatesAMissingFileForReadingAndWriting) {
  const platform::OpenResult opened = platform::open_file("new.txt", platform::IfMissing::create);
  ASSERT_EQ(opened.error, 0);
  EXPECT_FALSE(opened.read_only);
  EXPECT_TRUE(opened.regular_file);
  EXPECT_TRUE(fs::exists(folder_ / "new.txt"));
  EXPECT_EQ(platform::close_file(opened.handle), 0);
  EXPECT_EQ(fs::file_size(folder_ / "new.txt"), 0u);
}

TEST_F(Win32Platform, BytesPassUnchangedAndTheFileIsCutAtThePosition) {
  const platform::OpenResult opened = platform::open_file("bytes.txt", platform::IfMissing::create);
  ASSERT_EQ(opened.error, 0);
  const std::string bytes =
      "a\r\nb\nc\xB0\r\n\x1A"
      "end";
  ASSERT_EQ(platform::write_all(opened.handle, bytes.data(), bytes.size()), 0);
  EXPECT_EQ(read_back(opened.handle), bytes);
  // Rewritten shorter from the start, then cut: nothing of the old tail stays.
  ASSERT_EQ(platform::seek_to_start(opened.handle), 0);
  ASSERT_EQ(platform::write_all(opened.handle, "xy", 2), 0);
  ASSERT_EQ(platform::truncate_at_position(opened.handle), 0);
  EXPECT_EQ(read_back(opened.handle), "xy");
  EXPECT_EQ(platform::close_file(opened.handle), 0);
}

TEST_F(Win32Platform, AReadOnlyFileOpensForReadingOnly) {
  {
    const platform::OpenResult opened = platform::open_file("locked.txt", platform::IfMissing::create);
    ASSERT_EQ(opened.error, 0);
    ASSERT_EQ(platform::write_all(opened.handle, "1 2 3\n", 6), 0);
    platform::close_file(opened.handle);
  }
  ASSERT_TRUE(SetFileAttributesA("locked.txt", FILE_ATTRIBUTE_READONLY));
  HANDLE probe = CreateFileA("locked.txt", GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    // Wine keeps the attribute as Unix mode bits, which do not bind root.
    CloseHandle(probe);
    SetFileAttributesA("locked.txt", FILE_ATTRIBUTE_NORMAL);
    GTEST_SKIP() << "this system lets us write a read-only file (Wine run as root)";
  }
  const platform::OpenResult opened = platform::open_file("locked.txt", platform::IfMissing::create);
  ASSERT_EQ(opened.error, 0);
  EXPECT_TRUE(opened.read_only);
  EXPECT_EQ(read_back(opened.handle), "1 2 3\n");
  platform::close_file(opened.handle);
  SetFileAttributesA("locked.txt", FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Win32Platform, AFolderIsRefusedAsPermissionDenied) {
  fs::create_directory(folder_ / "data");
  const platform::OpenResult opened = platform::open_file("data", platform::IfMissing::create);
  EXPECT_NE(opened.error, 0);
  EXPECT_EQ(opened.reason, platform::OpenFailure::denied);
}

TEST_F(Win32Platform, AMissingFileIsRefusedWhenItMustExist) {
  const platform::OpenResult opened = platform::open_file("absent.txt", platform::IfMissing::fail);
  EXPECT_EQ(opened.error, static_cast<platform::ErrorCode>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(opened.reason, platform::OpenFailure::not_found);
  EXPECT_FALSE(fs::exists(folder_ / "absent.txt"));
  std::ofstream(folder_ / "present.txt") << "1 2 3\n";
  const platform::OpenResult existing = platform::open_file("present.txt", platform::IfMissing::fail);
  ASSERT_EQ(existing.error, 0);
  EXPECT_FALSE(existing.read_only);
  platform::close_file(existing.handle);
}

// The closing that a console event does: a report ends after the last record
// written (no older text behind it), and a file only read keeps every byte.
TEST_F(Win32Platform, InterruptClosingCutsAWrittenFileOnly) {
  std::ofstream(folder_ / "report.txt", std::ios::binary) << std::string(5000, 'o') << "\n";
  std::ofstream(folder_ / "in.txt", std::ios::binary) << "1 2 3\n4 5 6\n";
  recio::open_named(10, "in.txt", recio::WhenMissing::refuse);
  std::string_view record;
  ASSERT_TRUE(recio::take_record(10, record).got);
  recio::open_named(400, "report.txt", recio::WhenMissing::create);
  recio::write_list(400, {"first"});
  recio::write_list(400, {"second"});
  recio::close_all_units_in_interrupt();
  std::ifstream report(folder_ / "report.txt", std::ios::binary), input(folder_ / "in.txt", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(report), {}), " first\r\n second\r\n");
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(input), {}), "1 2 3\n4 5 6\n");
}

// A whole-file unit: an end before its close leaves the old report as it
// was and no new file beside it; the close puts the new report in its place.
TEST_F(Win32Platform, AWholeFileReplacesTheOldOneOnlyAtItsClose) {
  const std::string old_report = std::string(5000, 'o') + "\n";
  const auto report = [this] {
    std::ifstream file(folder_ / "report.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
  };
  const auto files = [this] { return std::distance(fs::directory_iterator(folder_), fs::directory_iterator()); };
  std::ofstream(folder_ / "report.txt", std::ios::binary) << old_report;
  recio::open_named(400, "report.txt", recio::WhenMissing::create, {}, {.whole_file = true, .never_over = {}});
  recio::write_list(400, {"first"});
  recio::close_all_units_in_interrupt();
  EXPECT_EQ(report(), old_report);
  EXPECT_EQ(files(), 1);
  recio::open_named(400, "report.txt", recio::WhenMissing::create, {}, {.whole_file = true, .never_over = {}});
  recio::write_list(400, {"first"});
  recio::close_all_units();
  EXPECT_EQ(report(), old_report);
  EXPECT_EQ(files(), 1);
  recio::open_named(400, "report.txt", recio::WhenMissing::create, {}, {.whole_file = true, .never_over = {}});
  recio::write_list(400, {"second"});
  recio::close_unit(400);
  EXPECT_EQ(report(), " second\r\n");
  EXPECT_EQ(files(), 1);
}

TEST_F(Win32Platform, AMissingFolderIsFileNotFound) {
  const platform::OpenResult opened = platform::open_file("nodir\\report.txt", platform::IfMissing::create);
  EXPECT_EQ(opened.error, static_cast<platform::ErrorCode>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(opened.reason, platform::OpenFailure::not_found);
}

TEST_F(Win32Platform, ADeviceIsNoRegularFile) {
  const platform::OpenResult opened = platform::open_file("NUL", platform::IfMissing::create);
  ASSERT_EQ(opened.error, 0);
  EXPECT_FALSE(opened.regular_file);
  EXPECT_EQ(platform::write_all(opened.handle, "abc", 3), 0);
  platform::close_file(opened.handle);
}

TEST_F(Win32Platform, APipeIsRefusedAsAFile) {
  const std::string name = "\\\\.\\pipe\\tiral-test-" + std::to_string(GetCurrentProcessId());
  HANDLE server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  const platform::OpenResult opened = platform::open_file(name, platform::IfMissing::create);
  EXPECT_NE(opened.error, 0);
  EXPECT_EQ(opened.reason, platform::OpenFailure::other);
  CloseHandle(server);
}

TEST(Win32PlatformMessages, OpenFailuresHaveTheirReasons) {
  const struct {
    DWORD error;
    platform::OpenFailure reason;
  } cases[] = {
      {0, platform::OpenFailure::none},
      {ERROR_FILE_NOT_FOUND, platform::OpenFailure::not_found},
      {ERROR_PATH_NOT_FOUND, platform::OpenFailure::not_found},
      {ERROR_ACCESS_DENIED, platform::OpenFailure::denied},
      {ERROR_INVALID_NAME, platform::OpenFailure::bad_name},
      {ERROR_FILENAME_EXCED_RANGE, platform::OpenFailure::bad_name},
      {ERROR_BAD_PATHNAME, platform::OpenFailure::bad_name},
      {ERROR_INVALID_DRIVE, platform::OpenFailure::no_device},
      {ERROR_BAD_UNIT, platform::OpenFailure::no_device},
      {ERROR_NOT_READY, platform::OpenFailure::no_device},
      {ERROR_SHARING_VIOLATION, platform::OpenFailure::other},
      {ERROR_DISK_FULL, platform::OpenFailure::other},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::open_failure_reason(static_cast<platform::ErrorCode>(c.error)), c.reason) << c.error;
  }
}

TEST(Win32PlatformMessages, ErrorTextHasNoLineEnd) {
  for (const DWORD error : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_DISK_FULL}) {
    const std::string text = platform::error_text(static_cast<platform::ErrorCode>(error));
    ASSERT_FALSE(text.empty()) << error;
    EXPECT_NE(text.back(), '\n') << error;
    EXPECT_NE(text.back(), '\r') << error;
    EXPECT_NE(text.back(), ' ') << error;
    EXPECT_EQ(text.find('\n'), std::string::npos) << error;
  }
}

TEST_F(Win32Platform, SameFileUnderTwoNames) {
  platform::close_file(platform::open_file("climate.txt", platform::IfMissing::create).handle);
  platform::close_file(platform::open_file("other.txt", platform::IfMissing::create).handle);
  fs::create_directory(folder_ / "sub");
  EXPECT_TRUE(platform::same_existing_file("climate.txt", ".\\climate.txt"));
  EXPECT_TRUE(platform::same_existing_file("climate.txt", "sub/../climate.txt"));
  EXPECT_TRUE(platform::same_existing_file("climate.txt", (folder_ / "climate.txt").string()));
  EXPECT_FALSE(platform::same_existing_file("climate.txt", "other.txt"));
  EXPECT_FALSE(platform::same_existing_file("climate.txt", "missing.txt"));
  EXPECT_FALSE(platform::same_existing_file("missing.txt", "missing.txt"));
  EXPECT_FALSE(platform::same_existing_file("", ""));
  // A file held open without sharing still has an identity.
  HANDLE held = CreateFileA("other.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(platform::same_existing_file("other.txt", ".\\other.txt"));
  CloseHandle(held);
}

TEST(Win32PlatformScratch, AWorkFileLivesOnlyWhileOpen) {
  const int before = work_files_in_temp();
  const platform::ScratchResult created = platform::create_scratch_file();
  ASSERT_EQ(created.error, 0);
  EXPECT_EQ(created.path.rfind(temp_folder(), 0), 0u) << created.path;
  EXPECT_NE(GetFileAttributesA(created.path.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(work_files_in_temp(), before + 1);
  const std::string bytes = "12.30 -5.25 85.00\r\n";
  ASSERT_EQ(platform::write_all(created.handle, bytes.data(), bytes.size()), 0);
  EXPECT_EQ(read_back(created.handle), bytes);
  EXPECT_EQ(platform::close_file(created.handle), 0);
  EXPECT_EQ(GetFileAttributesA(created.path.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(work_files_in_temp(), before);
}

TEST(Win32PlatformScratch, TwelveWorkFilesHaveTwelveNames) {
  platform::ScratchResult created[12];
  for (auto& c : created) {
    c = platform::create_scratch_file();
    ASSERT_EQ(c.error, 0);
  }
  for (int i = 0; i < 12; ++i) {
    for (int j = i + 1; j < 12; ++j) EXPECT_NE(created[i].path, created[j].path);
  }
  for (auto& c : created) platform::close_file(c.handle);
}

TEST(Win32PlatformScratchDeathTest, AWorkFileDoesNotOutliveItsProcess) {
  const int before = work_files_in_temp();
  EXPECT_EXIT(
      {
        platform::create_scratch_file();
        platform::create_scratch_file();
        platform::exit_process(7);
      },
      ::testing::ExitedWithCode(7), "");
  EXPECT_EQ(work_files_in_temp(), before);
}

TEST(Win32PlatformExitDeathTest, TheFullStatusReachesTheParent) {
  EXPECT_EXIT(platform::exit_process(0xC0000000u + 29), ::testing::ExitedWithCode(static_cast<int>(0xC000001Du)), "");
  EXPECT_EXIT(platform::exit_process(0xC0000000u + 200), ::testing::ExitedWithCode(static_cast<int>(0xC00000C8u)), "");
  EXPECT_EXIT(platform::exit_process(0), ::testing::ExitedWithCode(0), "");
}

TEST(Win32PlatformPipes, AClosedWriterIsEndOfFile) {
  HANDLE read_end = nullptr, write_end = nullptr;
  ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
  ASSERT_EQ(platform::write_all({reinterpret_cast<std::intptr_t>(write_end)}, "1991\r\n", 6), 0);
  CloseHandle(write_end);
  char buffer[16];
  const platform::FileHandle reader{reinterpret_cast<std::intptr_t>(read_end)};
  const platform::ReadResult first = platform::read_some(reader, buffer, sizeof buffer);
  EXPECT_EQ(first.error, 0);
  EXPECT_EQ(std::string(buffer, first.bytes), "1991\r\n");
  const platform::ReadResult second = platform::read_some(reader, buffer, sizeof buffer);
  EXPECT_EQ(second.error, 0);
  EXPECT_EQ(second.bytes, 0u);
  CloseHandle(read_end);
}

TEST(Win32PlatformPipes, AClosedReaderIsAWriteError) {
  HANDLE read_end = nullptr, write_end = nullptr;
  ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
  CloseHandle(read_end);
  EXPECT_NE(platform::write_all({reinterpret_cast<std::intptr_t>(write_end)}, "x", 1), 0);
  CloseHandle(write_end);
}

TEST(Win32PlatformStreams, TheStandardStreamsAreNeverClosed) {
  for (const platform::FileHandle handle :
       {platform::standard_input(), platform::standard_output(), platform::standard_error()}) {
    EXPECT_EQ(platform::close_file(handle), 0);
    DWORD flags = 0;
    if (native(handle) != nullptr && native(handle) != INVALID_HANDLE_VALUE) {
      EXPECT_TRUE(GetHandleInformation(native(handle), &flags)) << "closed: " << handle.value;
    }
  }
}

}  // namespace
