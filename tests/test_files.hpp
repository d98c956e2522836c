// Files for the tests: whole-file reads and writes, a private folder for each
// test, and TMPDIR pointed into it. POSIX only.
#pragma once

#include <gtest/gtest.h>

#include "file_io.hpp"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace test_support {

// A fresh private folder under /tmp, removed with all it holds when the object
// goes; kept, to look at after a failure, when TIRAL_KEEP_TEST_FOLDERS is set.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name) {
    std::string pattern = "/tmp/" + name + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      ADD_FAILURE() << "cannot make a folder like " << pattern;
      return;
    }
    path_ = pattern;
  }
  ~TempFolder() {
    if (path_.empty()) return;
    if (const char* keep = std::getenv("TIRAL_KEEP_TEST_FOLDERS"); keep != nullptr && *keep != '\0') {
      std::printf("kept %s\n", path_.c_str());
      return;
    }
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  bool made() const { return !path_.empty(); }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Points TMPDIR at `folder` while the object lives: where the work files go.
class TmpdirSetTo {
 public:
  explicit TmpdirSetTo(const std::filesystem::path& folder) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    setenv("TMPDIR", folder.c_str(), 1);
  }
  ~TmpdirSetTo() {
    if (old_) {
      setenv("TMPDIR", old_->c_str(), 1);
    } else {
      unsetenv("TMPDIR");
    }
  }
  TmpdirSetTo(const TmpdirSetTo&) = delete;
  TmpdirSetTo& operator=(const TmpdirSetTo&) = delete;

 private:
  std::optional<std::string> old_;
};

}  // namespace test_support
