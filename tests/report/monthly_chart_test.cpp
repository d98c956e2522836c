#include "report/monthly_chart.hpp"

#include <gtest/gtest.h>

#include <string>

namespace tiral {
namespace {

// The input name in the chart's title: a document of ASCII bytes alone, so
// that no name can make it ill-formed, whatever its bytes.
TEST(ChartText, NamesBecomeWellFormedText) {
  struct Case {
    std::string bytes, text;
  };
  const Case cases[] = {
      {"climate.txt", "climate.txt"},
      {"a&b<c>d\"e'f", "a&amp;b&lt;c&gt;d&quot;e&apos;f"},
      {"Z\xC3\xBCrich.txt", "Z&#xfc;rich.txt"},                   // UTF-8, as Linux names mostly are
      {"Z\xFCrich.txt", "Z&#xfc;rich.txt"},                       // code page 1252
      {"\x80\x81 \x9F", "&#x20ac;&#xfffd; &#x178;"},             // its euro sign, a hole, its last C1 letter
      {"\xF0\x9F\x8C\xA7.txt", "&#x1f327;.txt"},                  // four bytes of UTF-8
      {"\xC3\xBC\xFC", "&#xc3;&#xbc;&#xfc;"},                     // not UTF-8 as a whole: every byte 1252
      {"\xED\xA0\x80", "&#xed;&#xa0;&#x20ac;"},                 // an encoded surrogate is no UTF-8
      {std::string("tab\there\x01\x7F", 10), "tab&#xfffd;here&#xfffd;&#xfffd;"},  // no control characters in XML
  };
  for (const Case& c : cases) EXPECT_EQ(xml_text(c.bytes), c.text) << c.bytes;
}

}  // namespace
}  // namespace tiral
