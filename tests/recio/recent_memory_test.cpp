#include "recio/recent_memory.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace recio {
namespace {

struct Key {
  std::uint32_t number = 0;
  std::uint32_t kind = 0;  // 0 for none
  bool operator==(const Key&) const = default;
};

// Two slots, so that of any three keys two share one.
using SmallMemory = RecentMemory<Key, std::uint64_t, 2>;

// What a key stands for; counts the computations.
struct Source {
  int computed = 0;
  bool fails = false;
  std::uint64_t value_of(const Key& key) const { return std::uint64_t{key.number} * 1000 + key.kind; }
  const std::uint64_t* recall(SmallMemory& memory, const Key& key) {
    return memory.recall(key, key.number, [&](std::uint64_t& value) {
      ++computed;
      value = value_of(key);
      return !fails;
    });
  }
};

TEST(RecentMemory, ComputesAKeyOnceWhileItKeepsItsSlot) {
  SmallMemory memory;
  Source source;
  for (int i = 0; i < 3; ++i) {
    const std::uint64_t* value = source.recall(memory, {7, 1});
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(*value, 7001u);
  }
  EXPECT_EQ(source.computed, 1);
}

TEST(RecentMemory, RemembersNothingOfAFailedComputation) {
  SmallMemory memory;
  Source source;
  source.fails = true;
  EXPECT_EQ(source.recall(memory, {7, 1}), nullptr);
  EXPECT_EQ(source.recall(memory, {7, 1}), nullptr);
  source.fails = false;
  ASSERT_NE(source.recall(memory, {7, 1}), nullptr);
  EXPECT_EQ(source.computed, 3);
}

// Keys that differ in one member only, and more keys than slots: each
// recall gives its own key's value, never that of a key in the same slot.
TEST(RecentMemory, NeverGivesTheValueOfAnotherKey) {
  SmallMemory memory;
  Source source;
  const Key keys[] = {{7, 1}, {7, 2}, {8, 1}, {9, 1}, {7, 1}, {8, 1}, {7, 2}, {9, 1}};
  for (int round = 0; round < 3; ++round) {
    for (const Key& key : keys) {
      const std::uint64_t* value = source.recall(memory, key);
      ASSERT_NE(value, nullptr);
      EXPECT_EQ(*value, source.value_of(key)) << key.number << "/" << key.kind;
    }
  }
  EXPECT_GT(source.computed, 2) << "the keys must have competed for the slots";
}

}  // namespace
}  // namespace recio
