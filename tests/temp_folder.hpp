// A fresh private folder under /tmp for one test.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

namespace test_support {

inline std::filesystem::path make_temp_folder(const std::string& name) {
  std::string pattern = "/tmp/" + name + "-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    ADD_FAILURE() << "cannot make a folder like " << pattern;
    return {};
  }
  return buffer.data();
}

}  // namespace test_support
