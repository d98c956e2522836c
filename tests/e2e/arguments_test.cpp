// The command line through the real program: --help and --version answer and
// end, a command line that cannot run is refused with status 3; none of them
// reads an answer or makes a file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "child_process.hpp"

namespace {

namespace fs = std::filesystem;

// Every line of `text` ends with CR LF, and there is at least one.
bool crlf_lines(const std::string& text) {
  if (text.size() < 2 || text.compare(text.size() - 2, 2, "\r\n") != 0) return false;
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) {
    if (at == 0 || text[at - 1] != '\r') return false;
  }
  return true;
}

std::string year_of_records() {
  std::string records;
  for (int day = 0; day < 365; ++day) records += "1 2 3\n";
  return records;
}

TEST(Arguments, AnswerOrRefuseWithoutTheDialog) {
  const std::string version = "tiral " TIRAL_VERSION "\r\n";
  const std::string usage =
      "tiral: usage: tiral [--table FILE] [--chart FILE.svg] INPUT REPORT [FIRST_YEAR], or tiral [OPTIONS] alone to be "
      "asked (see tiral --help)\r\n";
  struct Case {
    std::vector<std::string> arguments;
    int status;
    std::string out;  // exact, or "HELP" for the usage text
    std::string err;
  };
  const Case cases[] = {
      {{"--version"}, 0, version, ""},
      {{"-V"}, 0, version, ""},
      {{"--help"}, 0, "HELP", ""},
      {{"-h"}, 0, "HELP", ""},
      {{"-V", "-h"}, 0, version, ""},
      {{"-h", "x y"}, 0, "HELP", ""},
      {{"in.txt", "report.txt", "-V"}, 0, version, ""},
      {{"--verbose"}, 3, "", "tiral: unknown option '--verbose' (see tiral --help)\r\n"},
      {{"--HELP"}, 3, "", "tiral: unknown option '--HELP' (see tiral --help)\r\n"},
      {{"-"}, 3, "", "tiral: unknown option '-' (see tiral --help)\r\n"},
      {{"-h", "--verbose"}, 3, "", "tiral: unknown option '--verbose' (see tiral --help)\r\n"},
      {{"climate.txt"}, 3, "", usage},
      {{""}, 3, "", usage},
      {{"--", "-h"}, 3, "", usage},
      {{"a", "b", "1991", "d"}, 3, "", usage},
      {{"--table", "t.csv", "in.txt"}, 3, "", usage},
      {{"--table"}, 3, "", "tiral: option '--table' needs a file name (see tiral --help)\r\n"},
      {{"in.txt", "report.txt", "1991", "--chart"}, 3, "",
       "tiral: option '--chart' needs a file name (see tiral --help)\r\n"},
      {{"--table", "a.csv", "--table=b.csv"}, 3, "", "tiral: option '--table' given twice\r\n"},
  };
  for (const Case& c : cases) {
    std::string what;
    for (const std::string& argument : c.arguments) what += "'" + argument + "' ";
    e2e::RunFolders folders("tiral-arguments");
    // A year of data and answers that would make a report if they were read.
    ASSERT_TRUE(test_support::write_file(folders.work() / "in.txt", year_of_records()));
    e2e::Child child;
    child.command.insert(child.command.end(), c.arguments.begin(), c.arguments.end());
    child.start(folders.work(), folders.temp());
    child.type("in.txt\nreport.txt\n1991\n");
    EXPECT_EQ(child.finish(), c.status) << what;
    if (c.out == "HELP") {
      EXPECT_EQ(child.out.rfind("Usage: tiral ", 0), 0u) << what << ": " << child.out;
      EXPECT_NE(child.out.find("man tiral"), std::string::npos) << what;
      EXPECT_NE(child.out.find("Input Filename"), std::string::npos) << what;
      EXPECT_TRUE(crlf_lines(child.out)) << what;
    } else {
      EXPECT_EQ(child.out, c.out) << what;
    }
    EXPECT_EQ(child.err, c.err) << what;
    std::vector<std::string> made;
    for (const auto& entry : fs::directory_iterator(folders.work())) made.push_back(entry.path().filename().string());
    EXPECT_EQ(made, std::vector<std::string>{"in.txt"}) << what;
    EXPECT_TRUE(fs::is_empty(folders.temp())) << what;
  }
}

}  // namespace
