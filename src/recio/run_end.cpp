#include "recio/run_end.hpp"

#include <array>
#include <atomic>
#include <new>
#include <string>

#include "recio/messages.hpp"
#include "recio/texts.hpp"
#include "recio/unit_table.hpp"

namespace recio {

namespace {

void write_to(platform::FileHandle handle, std::string_view text) {
  platform::write_all(handle, text.data(), text.size());
}

// The message starts on a line of its own even after an unanswered prompt.
void end_prompt_line() {
  if (console_prompt_pending()) write_to(platform::standard_output(), "\n");
}

// Built before any interrupt can arrive: the handler itself only writes. Plain
// bytes in static storage, which no exit handler destroys before an interrupt
// that comes while they run.
struct InterruptLine {
  std::array<char, 128> bytes;
  std::size_t size;
};
std::array<InterruptLine, interrupt_words.size()> interrupt_lines{};

std::size_t event_index(platform::ConsoleEvent event) {
  switch (event) {
    case platform::ConsoleEvent::control_c:
      return 0;
    case platform::ConsoleEvent::control_break:
      return 1;
    case platform::ConsoleEvent::menu_close:
      return 2;
    case platform::ConsoleEvent::other:
      break;
  }
  return 3;
}

void on_interrupt(platform::Interrupt interrupt) {
  end_prompt_line();
  const InterruptLine& line = interrupt_lines[event_index(interrupt.event)];
  write_to(platform::standard_error(), std::string_view(line.bytes.data(), line.size));
  close_all_units_in_interrupt();
  platform::exit_process(static_cast<std::uint32_t>(interrupt.exit_status));
}

// Composed without the heap, which is what has run out when it is needed, and
// may run out before the diagnostic is even in place.
std::array<char, 128> memory_line{};
std::size_t memory_line_size = 0;

[[noreturn]] void out_of_memory() {
  // An allocation failing inside this path must not come back here.
  static std::atomic<bool> entered{false};
  if (!entered.exchange(true)) {
    end_prompt_line();
    write_to(platform::standard_error(), std::string_view(memory_line.data(), memory_line_size));
    close_all_units();
  }
  platform::exit_process(fatal_exit_status(Message::no_memory));
}

}  // namespace

void fatal_diagnostic(Message message, std::int32_t unit, std::string_view file_name, platform::ErrorCode os_error) {
  end_prompt_line();
  if (os_error != 0) {
    write_to(platform::standard_error(),
             std::string(diagnostic_prefix) + platform::error_text(os_error) + std::string(record_end));
  }
  write_to(platform::standard_error(), diagnostic_line("severe", message, message_text(message, unit, file_name)));
  close_all_units();
  platform::exit_process(fatal_exit_status(message));
}

void fatal_on_unit(Message message, std::int32_t unit, platform::ErrorCode os_error) {
  fatal_diagnostic(message, unit, unit_file_name(unit), os_error);
}

void install_memory_diagnostic() {
  memory_line_size = severe_line_without_heap(Message::no_memory, memory_line);
  std::set_new_handler(out_of_memory);
}

void install_interrupt_diagnostic() {
  for (std::size_t i = 0; i < interrupt_lines.size(); ++i) {
    const std::string line =
        diagnostic_line("error", Message::interrupted, message_text(Message::interrupted, 0, interrupt_words[i]));
    interrupt_lines[i].size = line.copy(interrupt_lines[i].bytes.data(), interrupt_lines[i].bytes.size());
  }
  platform::install_interrupt_handler(on_interrupt);
}

}  // namespace recio
