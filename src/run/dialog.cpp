#include "run/dialog.hpp"

#include <algorithm>
#include <span>
#include <string>

#include "platform/platform.hpp"
#include "recio/characters.hpp"
#include "recio/record_input.hpp"
#include "recio/record_output.hpp"
#include "recio/units.hpp"

namespace tiral {

namespace {

using recio::Advance;
using recio::keyboard_unit;
using recio::screen_unit;

constexpr recio::Format banner_format = recio::parse_format("(A80)");
constexpr recio::Format prompt_format = recio::parse_format("(A25)");
constexpr recio::Format refusal_format = recio::parse_format("(A38)");

void write_banner() {
  recio::write_formatted(screen_unit, banner_format, {"Dew point temperature report"});
  recio::write_list(screen_unit, {""});
  recio::write_list(screen_unit, {"This program calculates average daily dew point temperatures using daily"});
  recio::write_list(screen_unit, {"max. and min. temperature and mean humidity data."});
  recio::write_list(screen_unit, {"The first value of the input file must have the value of January 1st"});
  recio::write_list(screen_unit, {"and the last one of December 31st!"});
  recio::write_list(screen_unit, {""});
}

// The answer's line, blanks and tabs trimmed, when more than blanks, tabs
// and one comma follow the name on it; empty otherwise.
std::string line_with_more_text(const recio::ReadTrace& trace) {
  const std::string_view rest = trace.rest();
  if (rest.find_first_not_of(" \t,") == std::string_view::npos && std::ranges::count(rest, ',') <= 1) return {};
  return std::string(recio::without_outer_blanks(trace.last_line));
}

void ask_name(std::string_view prompt, NameField& name, tiral::NameAnswer& answer) {
  recio::write_formatted(screen_unit, prompt_format, {prompt}, Advance::no);
  recio::ReadTrace trace;
  recio::read_list_directed(keyboard_unit, {recio::input(std::span<char>(name), answer.cut)}, nullptr, nullptr, &trace);
  // A lone slash or a null value leaves the field, and what it came with, as it was.
  if (trace.value_set) {
    answer.repeated = trace.repeated;
    answer.line_with_more_text =
        trace.repeated ? std::string(recio::without_outer_blanks(trace.last_line)) : line_with_more_text(trace);
  }
}

// Equal fields, or two names of one existing file: writing the report there
// would destroy the data.
bool names_clash(const NameField& output_name, const NameField& input_name) {
  if (output_name == input_name) return true;
  return platform::same_existing_file(std::string(recio::trimmed_file_name(as_text(output_name))),
                                      std::string(recio::trimmed_file_name(as_text(input_name))));
}

}  // namespace

void take_name(std::string_view text, NameField& name, tiral::NameAnswer& answer) {
  // As a quoted answer of that text: cut to the field, padded with blanks,
  // and refused at the open when more than blanks was cut.
  const std::size_t kept = std::min(text.size(), name.size());
  std::fill(std::copy_n(text.begin(), kept, name.begin()), name.end(), ' ');
  answer = {};
  answer.cut = text.substr(kept).find_first_not_of(' ') != std::string_view::npos;
}

bool names_one_file(std::string_view first, std::string_view second) {
  const auto trim = [](std::string_view name) {
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    return std::string(name);
  };
  const std::string a = trim(first);
  const std::string b = trim(second);
  if (a == b) return true;
  return platform::same_full_path(a, b) || platform::same_existing_file(a, b);
}

void console_dialog(RunState& run) {
  write_banner();
  ask_name("Input Filename: ", run.input_name, run.input_answer);
  // Asked until the answer names another file than the input; each answer
  // is compared once. An answer that leaves the field as it was (a slash, a
  // null value) leaves the input's name there, which is refused.
  run.output_name = run.input_name;
  run.output_answer = run.input_answer;
  for (;;) {
    ask_name("Output Filename: ", run.output_name, run.output_answer);
    if (!names_clash(run.output_name, run.input_name)) break;
    recio::write_formatted(screen_unit, refusal_format, {"Please choose another Output Filename!"});
  }
  recio::write_formatted(screen_unit, prompt_format, {"First year (yyyy): "}, Advance::no);
  // A word (`Friday`, `.F.`, `true`) is text that is no number, not -1 or 0.
  recio::read_list_directed(keyboard_unit, {recio::input_number(run.first_year)});
}

}  // namespace tiral
