// The three answers as operands, and the table and chart options, through the
// real program: a run with operands makes the report a dialog run with the
// same answers in quotation marks makes, and says nothing on standard
// output; a command line that cannot run ends with one line and status 3,
// leaving every file as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "child_process.hpp"

namespace {

namespace fs = std::filesystem;

std::string year_of_records() {
  std::string records;
  for (int day = 0; day < 365; ++day) records += std::to_string(10 + day % 20) + " " + std::to_string(day % 7) + " 60\n";
  return records;
}

// Days from 1 March 1992 in the ISO form, under a header line: a dated file
// whose first record is not in January.
std::string dated_records() {
  std::string records = "DATE,TMAX,TMIN,RH\n";
  const int month_days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  for (int month = 3; month <= 12; ++month) {
    for (int day = 1; day <= month_days[month - 1]; ++day) {
      char line[48];
      std::snprintf(line, sizeof line, "1992-%02d-%02d,%d,%d,70\n", month, day, 12 + day % 9, day % 5);
      records += line;
    }
  }
  return records;
}

// Every entry of a folder with its bytes (a link with its target).
std::map<std::string, std::string> snapshot(const fs::path& folder) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    entries[name] = entry.is_symlink() ? "-> " + fs::read_symlink(entry.path()).string()
                                       : test_support::file_bytes(entry.path()).value_or("?");
  }
  return entries;
}

struct Outcome {
  int status = 0;
  std::string out, err;
};

Outcome run(const fs::path& work, const fs::path& temp, const std::vector<std::string>& arguments,
        const std::string& typed = "") {
  e2e::Child child;
  child.command.insert(child.command.end(), arguments.begin(), arguments.end());
  child.start(work, temp);
  child.type(typed);
  Outcome result;
  result.status = child.finish();
  result.out = child.out;
  result.err = child.err;
  return result;
}

class Operands : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"in.txt", "-data.txt", "my data, 1.txt"}) {
      ASSERT_TRUE(test_support::write_file(work() / name, year_of_records()));
    }
    ASSERT_TRUE(test_support::write_file(work() / "dated.csv", dated_records()));
    fs::create_symlink("in.txt", work() / "link.txt");
  }
  fs::path work() const { return folders_.work(); }
  fs::path temp() const { return folders_.temp(); }

  // The report and the warnings of a dialog run with these answers, each
  // name quoted.
  std::string dialog_run(const std::string& input, const std::string& report, const std::string& year,
                         std::string& err) {
    e2e::RunFolders other("tiral-operands-dialog");
    fs::copy_file(work() / trimmed(input), other.work() / trimmed(input));
    const Outcome dialog = run(other.work(), other.temp(), {}, "\"" + input + "\"\n\"" + report + "\"\n" + year + "\n");
    EXPECT_EQ(dialog.status, 0) << dialog.err;
    err = dialog.err;
    return test_support::file_bytes(other.work() / trimmed(report)).value_or("no report");
  }
  static std::string trimmed(std::string name) {
    name.erase(0, name.find_first_not_of(' '));
    name.erase(name.find_last_not_of(' ') + 1);
    return name;
  }

  e2e::RunFolders folders_{"tiral-operands"};
};

TEST_F(Operands, RunAsTheDialogWouldWithQuotedAnswers) {
  struct Case {
    std::vector<std::string> arguments;
    std::string input, report, year;  // the dialog's answers for the same run, names in quotation marks
  };
  const Case cases[] = {
      {{"in.txt", "r.txt", "1991"}, "in.txt", "r.txt", "1991"},
      {{"in.txt", "r.txt", "+1991"}, "in.txt", "r.txt", "1991"},
      {{"in.txt", "r.txt", "001991"}, "in.txt", "r.txt", "1991"},
      {{"in.txt", "r.txt", "0"}, "in.txt", "r.txt", "0"},
      {{"--", "in.txt", "r.txt", "-5"}, "in.txt", "r.txt", "-5"},
      {{"--", "in.txt", "r.txt", "-2147483648"}, "in.txt", "r.txt", "-2147483648"},
      {{"in.txt", "r.txt", "2147483647"}, "in.txt", "r.txt", "2147483647"},
      {{"--", "-data.txt", "r.txt", "1991"}, "-data.txt", "r.txt", "1991"},
      {{"my data, 1.txt", "r 2, b.txt", "1991"}, "my data, 1.txt", "r 2, b.txt", "1991"},
      {{"  in.txt ", " r.txt  ", "1991"}, "  in.txt ", " r.txt  ", "1991"},
      {{"--table", "t.csv", "in.txt", "r.txt", "1991"}, "in.txt", "r.txt", "1991"},
      // Without a year a dated file begins in the year of its first record.
      {{"dated.csv", "r.txt"}, "dated.csv", "r.txt", "1992"},
      {{"dated.csv", "r.txt", "1990"}, "dated.csv", "r.txt", "1990"},
      {{"--chart", "c.svg", "--", "dated.csv", "r.txt"}, "dated.csv", "r.txt", "1992"},
  };
  for (const Case& c : cases) {
    std::string what;
    for (const std::string& argument : c.arguments) what += "'" + argument + "' ";
    std::string warnings;
    const std::string expected = dialog_run(c.input, c.report, c.year, warnings);
    const auto before = snapshot(work());
    const Outcome got = run(work(), temp(), c.arguments);
    EXPECT_EQ(got.status, 0) << what << ": " << got.err;
    EXPECT_EQ(got.out, "") << what;
    EXPECT_EQ(got.err, warnings) << what;
    const std::string report = trimmed(c.report);
    EXPECT_EQ(test_support::file_bytes(work() / report).value_or("no report"), expected) << what;
    auto after = snapshot(work());
    after.erase(report);
    after.erase("t.csv");
    after.erase("c.svg");
    EXPECT_EQ(after, before) << what << ": the report is the only file made";
    fs::remove(work() / report);
    fs::remove(work() / "t.csv");
    fs::remove(work() / "c.svg");
    EXPECT_TRUE(fs::is_empty(temp())) << what;
  }
}

TEST_F(Operands, RefusedWithOneLineAndNoFileTouched) {
  ASSERT_TRUE(test_support::write_file(work() / "old.csv", "kept\n"));
  const std::string year_error = "tiral: the first year must be a whole number, not '";
  struct Case {
    std::vector<std::string> arguments;
    std::string err;
  };
  const Case cases[] = {
      {{"in.txt", "r.txt", "19.91"}, year_error + "19.91'"},
      {{"in.txt", "r.txt", ""}, year_error + "'"},
      {{"in.txt", "r.txt", " 1991"}, year_error + " 1991'"},
      {{"in.txt", "r.txt", "1991 "}, year_error + "1991 '"},
      {{"in.txt", "r.txt", "+"}, year_error + "+'"},
      {{"in.txt", "r.txt", "1e3"}, year_error + "1e3'"},
      {{"in.txt", "r.txt", "0x7C7"}, year_error + "0x7C7'"},
      {{"in.txt", "r.txt", "2147483648"}, year_error + "2147483648'"},
      {{"--", "in.txt", "r.txt", "-2147483649"}, year_error + "-2147483649'"},
      {{"in.txt", "r.txt", "99999999999999999999999"}, year_error + "99999999999999999999999'"},
      {{"in.txt", "r.txt", "-5"}, "tiral: unknown option '-5' (see tiral --help)"},
      {{"in.txt", "in.txt", "1991"}, "tiral: the report would replace the input file 'in.txt'"},
      {{"in.txt", "./in.txt", "1991"}, "tiral: the report would replace the input file 'in.txt'"},
      {{"in.txt", "sub/../in.txt", "1991"}, "tiral: the report would replace the input file 'in.txt'"},
      {{"in.txt", " in.txt  ", "1991"}, "tiral: the report would replace the input file 'in.txt'"},
      {{"in.txt", "link.txt", "1991"}, "tiral: the report would replace the input file 'in.txt'"},
      {{"link.txt", "in.txt"}, "tiral: the report would replace the input file 'link.txt'"},
      {{"new.txt", "./new.txt", "1991"}, "tiral: the report would replace the input file 'new.txt'"},
      {{"--table", "in.txt", "in.txt", "r.txt", "1991"}, "tiral: the table would replace the input file 'in.txt'"},
      {{"--table=link.txt", "in.txt", "r.txt", "1991"}, "tiral: the table would replace the input file 'in.txt'"},
      {{"--table", "r.txt", "in.txt", "r.txt", "1991"}, "tiral: the table would replace the report 'r.txt'"},
      {{"--chart", "./r.txt", "in.txt", "r.txt", "1991"}, "tiral: the chart would replace the report 'r.txt'"},
      {{"--chart", "in.txt", "in.txt", "r.txt", "1991"}, "tiral: the chart would replace the input file 'in.txt'"},
      {{"--table", "old.csv", "--chart", "old.csv", "in.txt", "r.txt", "1991"},
       "tiral: the chart would replace the table 'old.csv'"},
      // No year: an undated file, and one that does not exist, which the
      // look at its dates must not make.
      {{"in.txt", "r.txt"}, "tiral: in.txt has no dates; give the first year after the report name"},
      {{"missing.txt", "r.txt"}, "tiral: missing.txt has no dates; give the first year after the report name"},
      {{"--table", "old.csv", "in.txt", "r.txt"}, "tiral: in.txt has no dates; give the first year after the report name"},
  };
  for (const Case& c : cases) {
    std::string what;
    for (const std::string& argument : c.arguments) what += "'" + argument + "' ";
    const auto before = snapshot(work());
    const Outcome got = run(work(), temp(), c.arguments);
    EXPECT_EQ(got.status, 3) << what;
    EXPECT_EQ(got.out, "") << what;
    EXPECT_EQ(got.err, c.err + "\r\n") << what;
    EXPECT_EQ(snapshot(work()), before) << what;
    EXPECT_TRUE(fs::is_empty(temp())) << what;
  }
}

// A name is the dialog's 255-character field: one that does not fit is
// refused at its open with 43, as a typed one is, and nothing is written.
TEST_F(Operands, NameLongerThanTheFieldIsRefusedAtItsOpen) {
  const std::string long_name(256, 'a');
  struct Case {
    std::vector<std::string> arguments;
    std::string unit;
  };
  const Case cases[] = {
      {{"in.txt", long_name, "1991"}, "400"},
      {{long_name, "r.txt", "1991"}, "10"},
      {{long_name, "r.txt"}, "10"},
      {{"--table", long_name, "in.txt", "r.txt", "1991"}, "401"},
      {{"--chart", long_name, "in.txt", "r.txt", "1991"}, "402"},
  };
  for (const Case& c : cases) {
    const Outcome got = run(work(), temp(), c.arguments);
    EXPECT_EQ(got.status, 43) << c.unit;
    EXPECT_EQ(got.out, "") << c.unit;
    EXPECT_EQ(got.err.rfind("forrtl: severe (43): file name specification error, unit " + c.unit + ", file ", 0), 0u)
        << c.unit << ": " << got.err;
    fs::remove(work() / "r.txt");
  }
}

// The table tells how complete each month was: the dated file's first record
// is on 1 March, so January and February of its year miss every day.
TEST_F(Operands, TableCountsTheDaysOfEachMonth) {
  const Outcome got = run(work(), temp(), {"--table", "t.csv", "dated.csv", "r.txt"});
  ASSERT_EQ(got.status, 0) << got.err;
  const std::string table = test_support::file_bytes(work() / "t.csv").value_or("");
  const std::string head = "input,first_year,last_year,month,tmp_max,tmp_min,hmd,dewpt,days,missing_days,failing_years\r\n";
  ASSERT_TRUE(table.starts_with(head)) << table;
  std::vector<std::string> counts;
  for (std::size_t at = head.size(); at < table.size();) {
    const std::size_t end = table.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    const std::string row = table.substr(at, end - at);
    EXPECT_TRUE(row.starts_with("dated.csv,1992,1992,")) << row;
    std::size_t cut = row.size();
    for (int cells = 0; cells < 3; ++cells) cut = row.rfind(',', cut - 1);
    counts.push_back(row.substr(cut + 1));
    at = end + 2;
  }
  const std::vector<std::string> expected = {"31,31,1", "29,29,1", "31,0,0", "30,0,0", "31,0,0", "30,0,0",
                                             "31,0,0",  "31,0,0",  "30,0,0", "31,0,0", "30,0,0", "31,0,0"};
  EXPECT_EQ(counts, expected);
}

// The options in a dialog run: the dialog is the same to the byte, and a
// table over a typed name is refused once the answers are in.
TEST_F(Operands, OptionsInADialogRun) {
  const std::string answers = "in.txt\nr.txt\n1991\n";
  const Outcome plain = run(work(), temp(), {}, answers);
  ASSERT_EQ(plain.status, 0) << plain.err;
  const std::string report = test_support::file_bytes(work() / "r.txt").value_or("");
  fs::remove(work() / "r.txt");

  const Outcome with_table = run(work(), temp(), {"--table", "t.csv", "--chart=c.svg"}, answers);
  EXPECT_EQ(with_table.status, 0) << with_table.err;
  EXPECT_EQ(with_table.out, plain.out);
  EXPECT_EQ(with_table.err, "");
  EXPECT_EQ(test_support::file_bytes(work() / "r.txt").value_or(""), report);
  EXPECT_TRUE(fs::is_regular_file(work() / "t.csv"));
  EXPECT_TRUE(fs::is_regular_file(work() / "c.svg"));
  fs::remove(work() / "r.txt");

  const Outcome refused = run(work(), temp(), {"--table", "r.txt"}, answers);
  EXPECT_EQ(refused.status, 3);
  EXPECT_EQ(refused.out, plain.out);
  EXPECT_EQ(refused.err, "tiral: the table would replace the report 'r.txt'\r\n");
  EXPECT_FALSE(fs::exists(work() / "r.txt"));
}

// The table and the chart are written as the report is: a refused write ends
// the run with 38 on their own unit, after the report is complete.
TEST_F(Operands, RefusedWritesOfTheTableAndChart) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
  const Outcome plain = run(work(), temp(), {"in.txt", "plain.txt", "1991"});
  ASSERT_EQ(plain.status, 0);
  struct Case {
    std::string option, unit;
  };
  for (const Case& c : {Case{"--table", "401"}, Case{"--chart", "402"}}) {
    const Outcome got = run(work(), temp(), {c.option, "/dev/full", "in.txt", "r.txt", "1991"});
    EXPECT_EQ(got.status, 38) << c.option;
    // The system's own text, then the message.
    const std::string message = "forrtl: severe (38): error during write, unit " + c.unit + ", file /dev/full\r\n";
    EXPECT_TRUE(got.err.starts_with("forrtl: ") && got.err.ends_with(message) &&
                got.err.find("\r\n") + 2 == got.err.size() - message.size())
        << c.option << ": " << got.err;
    EXPECT_EQ(test_support::file_bytes(work() / "r.txt"), test_support::file_bytes(work() / "plain.txt")) << c.option;
    EXPECT_TRUE(fs::is_empty(temp())) << c.option;
  }
  // A table that may only be read: its first write is refused.
  ASSERT_TRUE(test_support::write_file(work() / "ro.csv", "old\n"));
  chmod((work() / "ro.csv").c_str(), 0444);
  if (getuid() != 0) {
    const Outcome got = run(work(), temp(), {"--table", "ro.csv", "in.txt", "r.txt", "1991"});
    EXPECT_EQ(got.status, 47) << got.err;
    EXPECT_EQ(test_support::file_bytes(work() / "ro.csv").value_or(""), "old\n");
  }
}

}  // namespace
