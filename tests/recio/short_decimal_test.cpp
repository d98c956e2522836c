// The shortcut for few-digit decimals must give exactly what a correctly
// rounded conversion gives: checked on millions of random decimals. The proof
// over every short decimal is in short_decimal_exhaustive.cpp.
#include <gtest/gtest.h>

#include "test_support.hpp"

#include <charconv>
#include <cstring>
#include <random>
#include <string>

#include "recio/field_input.hpp"
#include "recio/list_input.hpp"
#include "recio/memory_feed.hpp"

namespace {

using test_support::same_float;

float reference(const std::string& text) {
  float value = 0;
  const char* first = text.data() + (text[0] == '+' ? 1 : 0);
  std::from_chars(first, text.data() + text.size(), value);
  return value;
}

TEST(ShortDecimal, FreeFormValuesMatchCorrectRounding) {
  std::mt19937 random(99);
  for (int i = 0; i < 2'000'000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 9);
    std::string text = (random() % 2) ? "-" : "";
    const int point = static_cast<int>(random() % static_cast<unsigned>(digits + 1));
    for (int d = 0; d < digits; ++d) {
      if (d == point) text += '.';
      text += static_cast<char>('0' + random() % 10);
    }
    if (random() % 4 == 0) text += "e" + std::to_string(static_cast<int>(random() % 25) - 12);
    float value = 12345.0f;
    recio::MemoryFeed feed{{text}};
    const recio::InputItem item = recio::input(value);
    ASSERT_EQ(recio::parse_list_directed(feed.feed(), {&item, 1}), 0) << text;
    ASSERT_TRUE(same_float(reference(text), value)) << text;
  }
}

std::string random_plain_number(std::mt19937& random) {
  const int digits = 1 + static_cast<int>(random() % 9);
  std::string text = (random() % 3 == 0) ? "-" : ((random() % 5 == 0) ? "+" : "");
  const int point = static_cast<int>(random() % static_cast<unsigned>(digits + 2)) - 1;  // -1: no point
  for (int d = 0; d < digits; ++d) {
    if (d == point) text += '.';
    text += static_cast<char>('0' + random() % 10);
  }
  return text;
}

// Whole records of three values as data files hold them, with every kind of
// separator and junk after the third value, which is never looked at.
TEST(ShortDecimal, RecordsOfThreeValuesMatchCorrectRounding) {
  const char* separators[] = {" ", "\t", ",", " , ", "\t,\t", "   "};
  const char* tails[] = {"", " ", " 99", " junk/*,,", ",", "\t'x"};
  std::mt19937 random(2026);
  for (int i = 0; i < 500'000; ++i) {
    std::string numbers[3];
    std::string record = (random() % 4 == 0) ? "  " : "";
    for (int v = 0; v < 3; ++v) {
      numbers[v] = random_plain_number(random);
      if (v > 0) record += separators[random() % 6];
      record += numbers[v];
    }
    record += tails[random() % 6];
    float values[3] = {7.0f, 8.0f, 9.0f};
    const recio::InputItem items[] = {recio::input(values[0]), recio::input(values[1]), recio::input(values[2])};
    recio::MemoryFeed feed{{record}};
    ASSERT_EQ(recio::parse_list_directed(feed.feed(), items), 0) << record;
    for (int v = 0; v < 3; ++v) ASSERT_TRUE(same_float(reference(numbers[v]), values[v])) << record << " value " << v;
  }
}

TEST(ShortDecimal, SixColumnFieldsMatchCorrectRounding) {
  // Every two-decimal field from -99.99 to 999.99, as the work files hold them.
  for (int hundredths = -9999; hundredths <= 99999; ++hundredths) {
    char field[16];
    const int whole = std::abs(hundredths) / 100;
    std::snprintf(field, sizeof field, "%s%d.%02d", hundredths < 0 ? "-" : "", whole, std::abs(hundredths) % 100);
    std::string text = std::string(6 - std::strlen(field), ' ') + field;
    const recio::FieldValue read = recio::read_f_field(text, 2, recio::BlankMode::null);
    ASSERT_EQ(read.status, 0) << text;
    ASSERT_TRUE(same_float(reference(field), read.value)) << text;
  }
}

}  // namespace
