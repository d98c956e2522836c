#include "recio/texts.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "recio/messages.hpp"

namespace {

using recio::TextValue;

struct FillCase {
  const char* text;
  const char* expected;
};

TEST(FillText, PutsEachNamedValueInItsPlace) {
  const FillCase cases[] = {
      {"no placeholder.", "no placeholder."},
      {"{count} records", "12 records"},
      {"line {line}, after {count}", "line 7, after 12"},
      {"{count}{count}", "1212"},
      {"{other} stays", "{other} stays"},
      {"an open { brace", "an open { brace"},
      {"ends at {line", "ends at {line"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(recio::fill_text(c.text, {{"count", "12"}, {"line", "7"}}), c.expected) << c.text;
  }
}

TEST(FillText, TakesTheValuesInOnePass) {
  // A value that looks like a placeholder is not filled again.
  EXPECT_EQ(recio::fill_text("{a} {b}", {{"a", "{b}"}, {"b", "2"}}), "{b} 2");
}

TEST(WarningTexts, HoldEveryKindOnceInItsOrder) {
  const auto texts = recio::warning_texts();
  ASSERT_EQ(texts.size(), static_cast<std::size_t>(recio::WarningKind::failing_months) + 1);
  for (std::size_t at = 0; at < texts.size(); ++at) {
    const auto kind = static_cast<recio::WarningKind>(at);
    EXPECT_EQ(texts[at].kind, kind) << at;
    EXPECT_EQ(&recio::warning_text(kind), &texts[at]) << at;
  }
}

// The form for one writes its 1 out and ends as the other form does: a
// sentence, with the place of the first one in brackets where there is one.
TEST(WarningTexts, FormsForOneWriteTheirOne) {
  for (const auto& text : recio::warning_texts()) {
    EXPECT_TRUE(text.several.ends_with(".")) << text.several;
    if (text.one.empty()) continue;
    EXPECT_EQ(text.one.find("{count}"), std::string_view::npos) << text.one;
    EXPECT_EQ(text.one.find("{records}"), std::string_view::npos) << text.one;
    EXPECT_NE(text.one.find('1'), std::string_view::npos) << text.one;
    EXPECT_EQ(text.one.back(), '.') << text.one;
    EXPECT_EQ(text.several.find("(first: ") != std::string_view::npos, text.one.find(" (") != std::string_view::npos)
        << text.one;
  }
}

TEST(WarningTexts, UseOnlyKnownPlaceholders) {
  const std::set<std::string> known = {"count", "line", "records", "year", "date", "month", "column"};
  for (const auto& text : recio::warning_texts()) {
    for (const auto form : {text.several, text.one}) {
      for (std::size_t open = form.find('{'); open != std::string_view::npos; open = form.find('{', open + 1)) {
        const std::size_t close = form.find('}', open);
        ASSERT_NE(close, std::string_view::npos) << form;
        EXPECT_EQ(known.count(std::string(form.substr(open + 1, close - open - 1))), 1u) << form;
      }
    }
  }
}

TEST(MessageTexts, FillTheUnitAndTheFile) {
  EXPECT_EQ(recio::message_text(recio::Message::file_not_found, 400, "/home/me/r.txt"),
            "file not found, unit 400, file /home/me/r.txt");
  EXPECT_EQ(recio::message_text(recio::Message::no_memory, 10, "x"), "insufficient virtual memory");
  EXPECT_EQ(recio::message_text(recio::Message::interrupted, 0, "control-C"),
            "program aborting due to control-C event");
  EXPECT_EQ(recio::catalogue_text(static_cast<recio::Message>(1)), nullptr);
  EXPECT_EQ(recio::message_text(static_cast<recio::Message>(1), 0, ""), "");
}

TEST(ExitStatusTexts, NameEachStatusOnceWithItsMessage) {
  std::set<std::int32_t> statuses;
  std::set<std::int64_t> codes;
  for (const auto& entry : recio::exit_status_texts()) {
    EXPECT_TRUE(statuses.insert(entry.status).second) << entry.status;
    if (entry.windows_code >= 0) {
      EXPECT_TRUE(codes.insert(entry.windows_code).second) << entry.status;
    }
    EXPECT_FALSE(entry.meaning.empty()) << entry.status;
    const char* const catalogued = recio::catalogue_text(static_cast<recio::Message>(entry.status));
    if (catalogued != nullptr) {
      EXPECT_EQ(entry.windows_code, recio::fatal_exit_status(static_cast<recio::Message>(entry.status)));
      EXPECT_TRUE(std::string_view(catalogued).starts_with(entry.meaning)) << catalogued;
    }
  }
  EXPECT_EQ(recio::errorlevel_of(0xC0000009), -1073741815);
  EXPECT_EQ(recio::errorlevel_of(3), 3);
}

}  // namespace
