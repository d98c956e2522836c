// Console interrupts through the real program: at each prompt and in the
// middle of a long run, with the diagnostic, the exit status, and no work
// file left behind.
#include <gtest/gtest.h>

#include "test_files.hpp"

#include <fstream>
#include <string>
#include <thread>

#include "child_process.hpp"

namespace {

using e2e::Child;
namespace fs = std::filesystem;

class Interrupts : public ::testing::Test {
 protected:
  fs::path work() const { return folders_.work(); }
  fs::path temp() const { return folders_.temp(); }

  // A long input file: enough records that the run is still busy when the signal comes.
  void write_long_input(int records) {
    std::ofstream file(work() / "long.txt", std::ios::binary);
    std::string chunk;
    for (int i = 0; i < records; ++i) {
      chunk += std::to_string(10 + i % 17) + ".5 " + std::to_string(i % 11 - 3) + ".25 " + std::to_string(40 + i % 53) +
               ".0\n";
      if (chunk.size() > (1 << 20)) {
        file << chunk;
        chunk.clear();
      }
    }
    file << chunk;
  }

  e2e::RunFolders folders_{"tiral-interrupt"};
};

const std::string input_prompt = "         Input Filename: ";
const std::string output_prompt = "        Output Filename: ";
const std::string year_prompt = "      First year (yyyy): ";

struct SignalCase {
  int signal_number;
  const char* event;
  int exit_status;
};

const SignalCase signal_cases[] = {
    {SIGINT, "control-C", 130},
    {SIGQUIT, "control-BREAK", 1},
    {SIGHUP, "menu-CLOSE", 2},
    {SIGTERM, "unknown", 143},
};

std::string interrupt_line(const char* event) {
  return std::string("forrtl: error (200): program aborting due to ") + event + " event\r\n";
}

TEST_F(Interrupts, AtTheInputPromptEachEvent) {
  for (const SignalCase& c : signal_cases) {
    Child child;
    child.start(work(), temp());
    ASSERT_TRUE(child.wait_for_output(input_prompt)) << child.out;
    kill(child.pid, c.signal_number);
    EXPECT_EQ(child.finish(), c.exit_status) << c.event;
    EXPECT_EQ(child.err, interrupt_line(c.event));
    // The pending prompt gets its line ended before the message.
    EXPECT_EQ(child.out.substr(child.out.size() - input_prompt.size() - 1), input_prompt + "\n");
  }
  EXPECT_TRUE(fs::is_empty(work()));
}

TEST_F(Interrupts, AtTheOutputAndYearPrompts) {
  ASSERT_TRUE(test_support::write_file(work() / "climate.txt", "1 2 3\n"));
  for (const bool at_year : {false, true}) {
    Child child;
    child.start(work(), temp());
    child.type("climate.txt\n");
    std::string prompt = output_prompt;
    if (at_year) {
      child.type("report.txt\n");
      prompt = year_prompt;
    }
    ASSERT_TRUE(child.wait_for_output(prompt)) << child.out;
    kill(child.pid, SIGINT);
    EXPECT_EQ(child.finish(), 130);
    EXPECT_EQ(child.err, interrupt_line("control-C"));
    EXPECT_EQ(child.out.substr(child.out.size() - prompt.size() - 1), prompt + "\n");
  }
  EXPECT_EQ(test_support::file_bytes(work() / "climate.txt"), "1 2 3\n");
  EXPECT_FALSE(fs::exists(work() / "report.txt"));
}

TEST_F(Interrupts, InTheMiddleOfALongRunNoWorkFileSurvives) {
  write_long_input(3'000'000);
  const auto input_size = fs::file_size(work() / "long.txt");
  for (const int signal_number : {SIGINT, SIGTERM, SIGKILL}) {
    Child child;
    child.start(work(), temp());
    child.type("long.txt\nreport.txt\n1900\n");
    ASSERT_TRUE(child.wait_for_output(year_prompt));
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    kill(child.pid, signal_number);
    const int status = child.finish();
    if (signal_number == SIGKILL) {
      EXPECT_EQ(status, -SIGKILL);
    } else {
      EXPECT_EQ(status, signal_number == SIGINT ? 130 : 143);
      // A run that got past its calendar walk has said that the records
      // are no whole years; the interrupt line comes after that.
      const std::string line = interrupt_line(signal_number == SIGINT ? "control-C" : "unknown");
      const std::string walk = " Warning: the records end 1928 days before 31 December 10118.\r\n";
      EXPECT_TRUE(child.err == line || child.err == walk + line) << child.err;
      // The answer to the last prompt ended its line: no extra line feed.
      EXPECT_EQ(child.out.substr(child.out.size() - year_prompt.size()), year_prompt);
    }
    EXPECT_TRUE(fs::is_empty(temp())) << "work files left after signal " << signal_number;
    EXPECT_EQ(fs::file_size(work() / "long.txt"), input_size);
  }
}

// With pipes on standard input and output, the console stream is exactly
// these bytes, and nothing follows the last prompt.
TEST_F(Interrupts, ConsoleStreamOnPipes) {
  ASSERT_TRUE(test_support::write_file(work() / "climate.txt", ""));
  Child child;
  child.start(work(), temp());
  child.type("climate.txt\nclimate.txt\nreport.txt\n1991\n");
  EXPECT_EQ(child.finish(), 0);
  EXPECT_EQ(child.out, std::string(52, ' ') +
                           "Dew point temperature report\r\n \r\n This program calculates average daily dew point "
                           "temperatures using daily\r\n max. and min. temperature and mean humidity data.\r\n The "
                           "first value of the input file must have the value of January 1st\r\n and the last one of "
                           "December 31st!\r\n \r\n         Input Filename:         Output Filename: Please choose "
                           "another Output Filename!\r\n        Output Filename:       First year (yyyy): ");
  EXPECT_EQ(child.err, " Warning: the input file holds no record.\r\n");
}

}  // namespace
