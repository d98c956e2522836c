// README.md, the manual page and the Windows README word every warning and
// every exit status as the program's own table (recio/texts.hpp) does.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "file_io.hpp"
#include "recio/texts.hpp"

namespace {

using Problems = std::vector<std::string>;

enum class Format { markdown, groff, plain };

struct Document {
  const char* path;  // from the source tree
  Format format;
};

constexpr Document documents[] = {
    {"README.md", Format::markdown},
    {"doc/tiral.1", Format::groff},
    {"doc/README-Windows.txt", Format::plain},
};

std::string document_text(const Document& document) {
  const auto bytes = test_support::file_bytes(std::string(TIRAL_SOURCE_DIR) + "/" + document.path);
  if (!bytes) ADD_FAILURE() << "cannot read " << document.path;
  return bytes.value_or("");
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// ---- groff ----

std::string without_escapes(const std::string& text) {
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] != '\\' || at + 1 == text.size()) {
      out += text[at];
      continue;
    }
    const char next = text[++at];
    if (next == 'f') {
      at += text.compare(at + 1, 1, "(") == 0 ? 3 : 1;  // a font change shows nothing
    } else if (next == '(') {
      const std::string name = text.substr(at + 1, 2);
      at += 2;
      out += name == "aq" ? "'" : name == "dq" ? "\"" : name == "em" ? "--" : "?";
    } else if (next == 'e') {
      out += '\\';
    } else if (next != '&') {
      out += next;  // \- \  \.
    }
  }
  return out;
}

std::vector<std::string> macro_arguments(const std::string& text) {
  std::vector<std::string> arguments;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text[at] == ' ') {
      ++at;
    } else if (text[at] == '"') {
      const std::size_t end = std::min(text.find('"', at + 1), text.size());
      arguments.push_back(text.substr(at + 1, end - at - 1));
      at = end + 1;
    } else {
      const std::size_t end = std::min(text.find(' ', at), text.size());
      arguments.push_back(text.substr(at, end - at));
      at = end;
    }
  }
  return arguments;
}

// The text a groff line shows; empty for a request that shows none.
std::string groff_shown(const std::string& line) {
  if (line.empty() || line[0] != '.') return without_escapes(line);
  const std::size_t space = line.find(' ');
  const std::string macro = line.substr(1, space == std::string::npos ? std::string::npos : space - 1);
  const auto arguments = macro_arguments(space == std::string::npos ? "" : line.substr(space + 1));
  const bool alternating = macro.size() == 2 && std::string("BIR").find(macro[0]) != std::string::npos &&
                           std::string("BIR").find(macro[1]) != std::string::npos;
  if (macro != "B" && macro != "I" && !alternating) return "";
  std::string shown;
  for (const auto& argument : arguments) {
    if (!shown.empty() && !alternating) shown += ' ';
    shown += argument;
  }
  return without_escapes(shown);
}

// The lines as a reader sees them.
std::vector<std::string> shown_lines(const std::string& text, Format format) {
  auto lines = lines_of(text);
  if (format == Format::groff) {
    for (auto& line : lines) line = groff_shown(line);
  }
  return lines;
}

// ---- Warnings ----

std::string regex_quoted(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) out += '\\';
    out += c;
  }
  return out;
}

// A document writes each placeholder as one capital letter (italic in the
// manual page), a column by its label.
std::regex document_form(std::string_view text) {
  std::string columns;
  for (const auto label : recio::column_labels) columns += (columns.empty() ? "" : "|") + std::string(label);
  std::string pattern;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find('{', at);
    if (open == std::string_view::npos) break;
    const std::size_t close = text.find('}', open);
    pattern += regex_quoted(text.substr(at, open - at));
    pattern += text.substr(open + 1, close - open - 1) == "column" ? "(" + columns + ")" : std::string("[A-Z]");
    at = close + 1;
  }
  pattern += regex_quoted(text.substr(std::min(at, text.size())));
  return std::regex(pattern);
}

std::optional<recio::WarningKind> kind_of(const std::string& wording) {
  for (const auto& warning : recio::warning_texts()) {
    for (const auto form : {warning.several, warning.one}) {
      if (!form.empty() && std::regex_match(wording, document_form(form))) return warning.kind;
    }
  }
  return std::nullopt;
}

// Every "Warning:" line must be a form of the table; every warning of the
// table must be shown in one form at least.
Problems warning_disagreements(const std::string& text, Format format) {
  Problems problems;
  std::set<recio::WarningKind> shown;
  constexpr std::string_view marker = "Warning: ";
  for (const auto& line : shown_lines(text, format)) {
    const std::size_t at = line.find(marker);
    if (at == std::string::npos || line.find_first_not_of(' ') != at) continue;
    std::string wording = line.substr(at + marker.size());
    wording.erase(wording.find_last_not_of(' ') + 1);
    const auto kind = kind_of(wording);
    if (kind) {
      shown.insert(*kind);
    } else {
      problems.push_back("no such warning: " + wording);
    }
  }
  for (const auto& warning : recio::warning_texts()) {
    if (shown.count(warning.kind) == 0) problems.push_back("not shown: " + std::string(warning.several));
  }
  return problems;
}

// ---- Exit statuses ----

// One status as a document lists it.
struct ListedStatus {
  std::optional<std::int64_t> status;      // as a POSIX parent sees it
  std::optional<std::int64_t> errorlevel;  // where the document gives none as a status
  std::string windows;                     // the Windows code as written, empty where not given
  std::string errorlevel_text;             // likewise
  std::string text;                        // what the document says it means
};

const recio::ExitStatusText* status_entry(std::int64_t status) {
  for (const auto& entry : recio::exit_status_texts()) {
    if (entry.status == status) return &entry;
  }
  return nullptr;
}

const recio::ExitStatusText* errorlevel_entry(std::int64_t errorlevel) {
  for (const auto& entry : recio::exit_status_texts()) {
    if (entry.windows_code >= 0 && recio::errorlevel_of(entry.windows_code) == errorlevel) return &entry;
  }
  return nullptr;
}

std::string windows_code_text(const recio::ExitStatusText& entry) {
  if (entry.windows_code < 0) return "the event's number";
  if (entry.windows_code < 0x80000000) return std::to_string(entry.windows_code);
  char hex[24];
  std::snprintf(hex, sizeof hex, "0x%08llX", static_cast<unsigned long long>(entry.windows_code));
  return hex;
}

std::string errorlevel_text(const recio::ExitStatusText& entry) {
  return entry.windows_code < 0 ? "the event's number" : std::to_string(recio::errorlevel_of(entry.windows_code));
}

std::string trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  return first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The lines of a section: from the line `heading` to the next `end_prefix`.
std::vector<std::string> section(const std::vector<std::string>& lines, const std::string& heading,
                                 const std::string& end_prefix) {
  const auto start = std::find(lines.begin(), lines.end(), heading);
  if (start == lines.end()) return {};
  const auto end =
      std::find_if(start + 1, lines.end(), [&](const std::string& line) { return line.starts_with(end_prefix); });
  return {start + 1, end};
}

// | Linux | Windows | %ERRORLEVEL% | Message | When |
std::vector<ListedStatus> markdown_statuses(const std::string& text) {
  std::vector<ListedStatus> listed;
  for (const auto& line : section(lines_of(text), "## Exit statuses", "## ")) {
    if (!line.starts_with("|")) continue;
    std::vector<std::string> cells;
    std::stringstream row(line.substr(1));
    for (std::string cell; std::getline(row, cell, '|');) cells.push_back(trimmed(cell));
    if (cells.size() < 5 || cells[0].empty() || !std::isdigit(static_cast<unsigned char>(cells[0][0]))) continue;
    listed.push_back({std::stoll(cells[0]), std::nullopt, cells[1], cells[2], cells[3] + " " + cells[4]});
  }
  return listed;
}

// .TP / .B N / what it means, with "Windows: CODE (ERRORLEVEL)." in it.
std::vector<ListedStatus> groff_statuses(const std::string& text) {
  std::vector<ListedStatus> listed;
  const auto lines = section(lines_of(text), ".SH EXIT STATUS", ".SH ");
  for (std::size_t at = 0; at + 1 < lines.size(); ++at) {
    if (lines[at] != ".TP" || !lines[at + 1].starts_with(".B ")) continue;
    ListedStatus status{std::stoll(lines[at + 1].substr(3)), std::nullopt, "", "", ""};
    for (at += 2; at < lines.size() && lines[at] != ".TP" && !lines[at].starts_with(".PP"); ++at) {
      status.text += groff_shown(lines[at]) + " ";
    }
    --at;
    std::smatch code;
    if (std::regex_search(status.text, code,
                          std::regex(R"(Windows: (?:[^.]* gives )?(0x[0-9A-Fa-f]+|\d+)(?: \((-?\d+)\))?)"))) {
      status.windows = code[1];
      status.errorlevel_text = code[2].matched ? std::string(code[2]) : status.windows;
    } else if (status.text.find("its event number") != std::string::npos) {
      status.windows = status.errorlevel_text = "the event's number";
    }
    listed.push_back(status);
  }
  return listed;
}

// "    ERRORLEVEL   N    what happened", continued by deeper lines.
std::vector<ListedStatus> plain_statuses(const std::string& text) {
  std::vector<ListedStatus> listed;
  const std::regex row(R"(^    (-?\d+) +(?:(\d+|-) +)?(\S.*)$)");
  const std::regex continued(R"(^ {20,}(\S.*)$)");
  bool in_table = false;
  for (const auto& line : section(lines_of(text), "Exit statuses", "The last line")) {
    std::smatch match;
    if (line.find("%ERRORLEVEL%   N") != std::string::npos) {
      in_table = true;
    } else if (in_table && std::regex_match(line, match, row)) {
      const std::string status = match[2];
      ListedStatus entry;
      if (!status.empty() && status != "-") entry.status = std::stoll(status);
      entry.errorlevel = std::stoll(match[1]);
      entry.errorlevel_text = match[1];
      entry.text = match[3];
      listed.push_back(entry);
    } else if (in_table && !listed.empty() && std::regex_match(line, match, continued)) {
      listed.back().text += " " + std::string(match[1]);
    } else if (in_table && line.empty()) {
      in_table = false;
    }
  }
  return listed;
}

// Every status listed must be one the program ends with, with its Windows
// code and its meaning; every status must be listed (on Windows, those that
// have a fixed code).
Problems status_disagreements(const std::string& text, Format format) {
  const auto listed = format == Format::markdown ? markdown_statuses(text)
                      : format == Format::groff  ? groff_statuses(text)
                                                 : plain_statuses(text);
  Problems problems;
  std::set<const recio::ExitStatusText*> shown;
  for (const auto& status : listed) {
    const auto* entry = status.status ? status_entry(*status.status) : errorlevel_entry(*status.errorlevel);
    const std::string name = status.status ? std::to_string(*status.status) : status.errorlevel_text;
    if (entry == nullptr) {
      problems.push_back("no such status: " + name);
      continue;
    }
    shown.insert(entry);
    if (!status.windows.empty() && status.windows != windows_code_text(*entry)) {
      problems.push_back(name + ": Windows code " + status.windows + ", not " + windows_code_text(*entry));
    }
    if (status.errorlevel_text != errorlevel_text(*entry)) {
      problems.push_back(name + ": %ERRORLEVEL% " + status.errorlevel_text + ", not " + errorlevel_text(*entry));
    }
    if (lower(status.text).find(lower(std::string(entry->meaning))) == std::string::npos) {
      problems.push_back(name + ": does not say \"" + std::string(entry->meaning) + "\": " + status.text);
    }
  }
  for (const auto& entry : recio::exit_status_texts()) {
    const bool listable = format != Format::plain || entry.windows_code >= 0;
    if (listable && shown.count(&entry) == 0) problems.push_back("not listed: " + std::to_string(entry.status));
  }
  if (listed.empty()) problems.push_back("no exit status table");
  return problems;
}

// ---- The documents as they are ----

TEST(Documents, WordEveryWarningAsTheProgramDoes) {
  for (const auto& document : documents) {
    EXPECT_THAT(warning_disagreements(document_text(document), document.format), testing::IsEmpty()) << document.path;
  }
}

TEST(Documents, ListEveryExitStatusAsTheProgramDoes) {
  for (const auto& document : documents) {
    EXPECT_THAT(status_disagreements(document_text(document), document.format), testing::IsEmpty()) << document.path;
  }
}

// ---- The checks catch a document that strays ----

struct Stray {
  const char* name;
  std::size_t document;  // in `documents`
  const char* before;    // first occurrence replaced
  const char* after;
};

constexpr Stray strays[] = {
    {"a warning's word", 0, "seem to use decimal commas", "seem to use decimal points"},
    {"a warning's word in groff", 1, "is above the maximum", "is over the maximum"},
    {"a warning's word in plain text", 2, "cannot be read; reading stops", "cannot be read; reading ends"},
    {"a warning left out", 0, " Warning: every humidity is 1 or less", " Note: every humidity is 1 or less"},
    {"a placeholder for a number", 0, "after R records.", "after 10 records."},
    {"a column", 1, "every hmd value", "every rh value"},
    {"a status that does not exist", 0, "| 47 |", "| 48 |"},
    {"a status's meaning", 0, "write to READONLY file", "write to locked file"},
    {"a Windows code", 0, "0xC000002F", "0xC000002E"},
    {"an ERRORLEVEL", 0, "-1073741777", "-1073741778"},
    {"a status in groff", 1, ".B 47\n", ".B 48\n"},
    {"a status's meaning in groff", 1, "File not found:", "File missing:"},
    {"a Windows code in groff", 1, "0xC0000029 (\\-1073741783)", "0xC0000029 (\\-1073741782)"},
    {"a status left out in groff", 1, ".TP\n.B 143\n", ".PP\n.B 143\n"},
    {"a status in plain text", 2, "-1073741777    47", "-1073741777    48"},
    {"a meaning in plain text", 2, "insufficient virtual memory", "not enough memory"},
    {"an ERRORLEVEL in plain text", 2, "-1073741783    41", "-1073741784    41"},
};

class StrayDocument : public testing::TestWithParam<Stray> {};

TEST_P(StrayDocument, IsCaught) {
  const Stray& stray = GetParam();
  const Document& document = documents[stray.document];
  std::string text = document_text(document);
  const std::size_t at = text.find(stray.before);
  ASSERT_NE(at, std::string::npos) << stray.before << " is not in " << document.path;
  text.replace(at, std::string_view(stray.before).size(), stray.after);
  Problems problems = warning_disagreements(text, document.format);
  const Problems status_problems = status_disagreements(text, document.format);
  problems.insert(problems.end(), status_problems.begin(), status_problems.end());
  EXPECT_THAT(problems, testing::Not(testing::IsEmpty()));
}

std::string stray_label(const testing::TestParamInfo<Stray>& stray) {
  std::string name = stray.param.name;
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Documents, StrayDocument, testing::ValuesIn(strays), stray_label);

}  // namespace
