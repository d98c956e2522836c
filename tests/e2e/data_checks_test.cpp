// What the run says about the data it took, and names used whole or not at
// all, through the real program: every check in both forms, the order of
// several lines, the files that must stay silent, and the name rule on both
// units.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "child_process.hpp"

namespace {

using e2e::Child;
namespace fs = std::filesystem;

// `lines`, which hold `records` records (one a line unless given), then
// days of `day` up to a whole year of 2001, so the calendar says nothing.
std::string year_starting_with(const std::vector<std::string>& lines, std::size_t records = 0,
                               const std::string& day = "12.5 3.4 80") {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\n";
  for (std::size_t n = records != 0 ? records : lines.size(); n < 365; ++n) bytes += day + "\n";
  return bytes;
}

std::string repeated(const std::string& line, int times, const std::string& line_end = "\n") {
  std::string bytes;
  for (int i = 0; i < times; ++i) bytes += line + line_end;
  return bytes;
}

struct Outcome {
  int status;
  std::string out, err;
  std::vector<std::string> left;  // what the working folder holds after the run
};

// Runs the program on `input` as data.txt with `answers` typed.
Outcome run_program(const std::string& input, const std::string& answers) {
  const e2e::RunFolders folders("tiral-checks");
  EXPECT_TRUE(test_support::write_file(folders.work() / "data.txt", input));
  Child child;
  child.start(folders.work(), folders.temp());
  child.type(answers);
  Outcome outcome{child.finish(), child.out, child.err, {}};
  for (const auto& entry : fs::directory_iterator(folders.work())) outcome.left.push_back(entry.path().filename());
  EXPECT_TRUE(fs::is_empty(folders.temp()));
  return outcome;
}

const std::string w = " Warning: ";

TEST(DataChecks, EachCheckSaysItsLineOnceInItsForm) {
  struct Case {
    const char* label;
    std::string input;
    std::string err;
  };
  const std::string commas = "seem to use decimal commas, which here separate values";
  const Case cases[] = {
      {"empty file", "", w + "the input file holds no record.\r\n"},
      {"blank lines only", "\n  \n\t\n", w + "the input file holds no record.\r\n"},
      {"decimal commas, one", year_starting_with({"", "12,5 3,4 80,1"}, 1),
       w + "1 record seems to use decimal commas, which here separate values (line 2).\r\n" + w +
           "1 record has text after the values read, which is not used (line 2).\r\n"},
      {"decimal commas, tab inside", year_starting_with({"12.5,3.4\t80", "\t12.5,3.4\t80 "}),
       w + "2 records " + commas + " (first: line 1).\r\n"},
      {"text after the values", year_starting_with({"12.5 3.4 80 1991", "12.5 3.4 80 /", "2 1 T/", "5 4 50,,"}),
       w + "3 records have text after the values read, which is not used (first: line 1).\r\n" + w +
           "1 record holds a word, read as the number -1 or 0 (line 3).\r\n"},
      {"over several lines", year_starting_with({"12.5 3.4", "80", "", "12.5,3.4,", "80"}, 2),
       w + "2 records go on over more than one line (first: line 1).\r\n"},
      {"a null value's comma on the next line", year_starting_with({"12.5 3.4,", ","}, 1),
       w + "1 record goes on over more than one line (line 1).\r\n" + w +
           "1 record leaves a value empty, which keeps the last value read in its column (line 1).\r\n"},
      {"empty values", year_starting_with({"12.5,,80", ",3.4,80", "3*", "/", "12.5 1*/", "12.5 3.4 1*/"}),
       w + "1 record has text after the values read, which is not used (line 6).\r\n" + w +
           "6 records leave a value empty, which keeps the last value read in its column (first: line 1).\r\n"},
      {"words", year_starting_with({"TX TN F"}), w + "1 record holds a word, read as the number -1 or 0 (line 1).\r\n"},
      {"temperatures beyond observed", year_starting_with({"60.1 -90.1 50", "60.0 -90.0 50", "99.99 -99.99 50"}),
       w + "4 temperatures lie below -90 or above 60 degrees Celsius, beyond any ever observed, and are used as they "
           "are (first: line 1).\r\n"},
      {"one temperature beyond observed", year_starting_with({"12 -95 50"}),
       w + "1 temperature lies below -90 or above 60 degrees Celsius, beyond any ever observed, and is used as it is "
           "(line 1).\r\n"},
      {"minimum above maximum", year_starting_with({"12 12 50", "3.4 12.5 80", "3 4 -9999", "-9999 4 50", "1 2 3"}),
       w + "on 3 days the minimum temperature is above the maximum (first: line 2).\r\n"},
      {"humidity as fraction", repeated("12.5 3.4 0.85", 365),
       w + "every humidity is 1 or less; humidity is read in percent.\r\n"},
      {"columns without a valid value", repeated("-9999 -9999 -9999", 365),
       w + "every tmp_max value is no-data, so its means are NaN.\r\n" + w +
           "every tmp_min value is no-data, so its means are NaN.\r\n" + w +
           "every hmd value is no-data, so its means are NaN.\r\n"},
      {"order: read stop, checks, calendar",
       "12,5 3,4 80,1\n12.5 3.4 80 x\n12.5\n3.4 80\n,3.4,80\nT 3 80\n99 3 0.5\nend\n",
       w + "line 8 of the input file cannot be read; reading stops there, after 6 records.\r\n" + w +
           "1 record seems to use decimal commas, which here separate values (line 1).\r\n" + w +
           "2 records have text after the values read, which is not used (first: line 1).\r\n" + w +
           "1 record goes on over more than one line (line 3).\r\n" + w +
           "1 record leaves a value empty, which keeps the last value read in its column (line 5).\r\n" + w +
           "1 record holds a word, read as the number -1 or 0 (line 6).\r\n" + w +
           "1 temperature lies below -90 or above 60 degrees Celsius, beyond any ever observed, and is used as it is "
           "(line 7).\r\n" +
           w + "on 1 day the minimum temperature is above the maximum (line 6).\r\n" + w +
           "fewer than 365 records make no whole year; no record is used.\r\n"},
      {"a cut record is not checked", "12.5 3.4 80\n1,2\n",
       w +
           "the input file ends inside a record; reading stops "
           "there, after 1 record.\r\n" +
           w +
           "fewer than 365 records make no whole year; no record is "
           "used.\r\n"},
      {"silent: blanks", repeated("12.5 3.4 80", 365), ""},
      {"silent: tabs and commas",
       repeated("12.5\t3.4\t80", 183) + repeated("12.5,3.4,80", 91) + repeated("12.5, 3.4, 80", 91), ""},
      {"silent: CR LF, no last line end, BOM", "\xEF\xBB\xBF" + repeated("12.5 3.4 80", 364, "\r\n") + "12.5 3.4 80",
       ""},
      {"silent: -9999 markers, minimum equal to maximum, limits",
       year_starting_with({"-9999 3.4 80", "12.5 -9999 -9999", "5 5 50", "60.0 -90.0 100", "7 -7 1.5"}), ""},
      {"silent: repeat values are no text", year_starting_with({"4*33", "12.5 3.4 80,"}), ""},
  };
  for (const Case& c : cases) {
    const Outcome run = run_program(c.input, "data.txt\nreport.txt\n2001\n");
    EXPECT_EQ(run.status, 0) << c.label;
    EXPECT_EQ(run.err, c.err) << c.label;
  }
}

TEST(DataChecks, ExampleFileIsSilent) {
  const auto example = test_support::file_bytes(fs::path(TIRAL_SOURCE_DIR) / "examples" / "climate.txt");
  ASSERT_TRUE(example);
  const Outcome run = run_program(*example, "data.txt\nreport.txt\n1991\n");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
}

// An unquoted name with a blank would open the file named by the text before
// it; the whole answer is refused instead, and nothing is opened or made.
TEST(NameRule, NameFollowedByTextIsRefusedOnEitherUnit) {
  struct Case {
    std::string answers;
    int status;
    std::string err;
  };
  const std::string refused = "forrtl: severe (43): file name specification error, unit ";
  const std::string year = "\n2001\n";
  const Case cases[] = {
      {"my data.txt\nreport.txt" + year, 43, refused + "10, file my data.txt\r\n"},
      {"  'data.txt' b \t\nreport.txt" + year, 43, refused + "10, file 'data.txt' b\r\n"},
      {"absent data.txt\nreport.txt" + year, 43, refused + "10, file absent data.txt\r\n"},
      {"data.txt\nmy report.txt" + year, 43, refused + "400, file my report.txt\r\n"},
      {"data.txt\nreport.txt, x" + year, 43, refused + "400, file report.txt, x\r\n"},
      {"data.txt\nreport.txt /" + year, 43, refused + "400, file report.txt /\r\n"},
      {"data.txt\nreport.txt,," + year, 43, refused + "400, file report.txt,,\r\n"},
      {"data.txt\n\n\"report\n.txt\" b" + year, 43, refused + "400, file .txt\" b\r\n"},
      // A refused answer at the prompt, then a good one: only the name used is checked.
      {"data.txt\ndata.txt x\nreport.txt" + year, 0, ""},
      {"data.txt\nreport.txt," + year, 0, ""},
      {"data.txt\nreport.txt ,\t" + year, 0, ""},
      {"data.txt\n'report.txt'" + year, 0, ""},
      {"data.txt\n'my report.txt'" + year, 0, ""},
  };
  for (const Case& c : cases) {
    const Outcome run = run_program(repeated("12.5 3.4 80", 365), c.answers);
    EXPECT_EQ(run.status, c.status) << c.answers;
    EXPECT_EQ(run.err, c.err) << c.answers;
    if (c.status != 0) {
      EXPECT_EQ(run.left, std::vector<std::string>{"data.txt"}) << c.answers;
    }
  }
}

}  // namespace
