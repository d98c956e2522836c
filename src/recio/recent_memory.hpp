// A small memory of recent results: data and work files repeat the same few
// thousand fields over and over, on input and on output alike.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace recio {

// Direct-mapped: each key has one slot, picked by the top bits of a
// multiplicative hash, and a new key takes the slot over. A default Key must
// equal no real key: it marks a slot never filled.
template <typename Key, typename Value, std::size_t Count>
class RecentMemory {
  static_assert(Count >= 2 && std::has_single_bit(Count), "the slot number is the top bits of the hash");

 public:
  // The value remembered for `key`, or else the one `compute` (a
  // `bool(Value&)`) gives, remembered when it succeeds; null when it fails.
  // `hash_input` is the key's bits, folded into 64.
  template <typename Compute>
  const Value* recall(const Key& key, std::uint64_t hash_input, Compute&& compute) {
    Entry& entry = entries_[(hash_input * 0x9E3779B97F4A7C15ull) >> index_shift];
    if (!(entry.key == key)) {
      Value value{};
      if (!compute(value)) return nullptr;
      entry.key = key;
      entry.value = value;
    }
    return &entry.value;
  }

 private:
  static constexpr int index_shift = 64 - std::countr_zero(Count);

  struct Entry {
    Key key{};
    Value value{};
  };
  Entry entries_[Count]{};
};

}  // namespace recio
