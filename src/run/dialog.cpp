#include "run/dialog.hpp"

#include <span>
#include <string>

#include "recio/platform.hpp"
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

std::string_view as_text(const NameField& field) { return {field.data(), field.size()}; }

void write_banner() {
  recio::write_formatted(screen_unit, banner_format, {"Dew point temperature report"});
  recio::write_list(screen_unit, {""});
  recio::write_list(screen_unit, {"This program calculates average daily dew point temperatures using daily"});
  recio::write_list(screen_unit, {"max. and min. temperature and mean humidity data."});
  recio::write_list(screen_unit, {"The first value of the input file must have the value of January 1st"});
  recio::write_list(screen_unit, {"and the last one of December 31st!"});
  recio::write_list(screen_unit, {""});
}

void ask_name(std::string_view prompt, NameField& name, bool& cut) {
  recio::write_formatted(screen_unit, prompt_format, {prompt}, Advance::no);
  recio::read_list_directed(keyboard_unit, {recio::input(std::span<char>(name), cut)});
}

}  // namespace

bool names_clash(const NameField& output_name, const NameField& input_name) {
  if (output_name == input_name) return true;
  return platform::same_existing_file(std::string(recio::trimmed_file_name(as_text(output_name))),
                                      std::string(recio::trimmed_file_name(as_text(input_name))));
}

void console_dialog(RunState& run) {
  write_banner();
  ask_name("Input Filename: ", run.input_name, run.input_name_cut);
  // Starting equal makes the loop ask for the output name at least once.
  run.output_name = run.input_name;
  run.output_name_cut = run.input_name_cut;
  while (names_clash(run.output_name, run.input_name)) {
    ask_name("Output Filename: ", run.output_name, run.output_name_cut);
    if (names_clash(run.output_name, run.input_name)) {
      recio::write_formatted(screen_unit, refusal_format, {"Please choose another Output Filename!"});
    }
  }
  recio::write_formatted(screen_unit, prompt_format, {"First year (yyyy): "}, Advance::no);
  recio::read_list_directed(keyboard_unit, {recio::input(run.first_year)});
}

}  // namespace tiral
