// How a name field was filled from a typed answer.
#pragma once

#include <string>

namespace tiral {

// A name is used whole or not at all: one that lost characters other than
// blanks to its field, that had more text after it on the answer's line
// (`my report.txt` typed without quotes), or that came from a repeat form
// (`3*climate.txt`, whose name is not the text typed), is refused when a file
// is opened.
struct NameAnswer {
  bool cut = false;
  std::string line_with_more_text;  // that line, blanks and tabs trimmed; empty when nothing followed
  bool repeated = false;            // the line is then in line_with_more_text
};

}  // namespace tiral
