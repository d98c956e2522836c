// Fuzz target: the free-form reader on arbitrary records and item lists.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "recio/memory_feed.hpp"

namespace {

// The variables of one read: the first byte of the input chooses the items,
// two bits each for up to four items.
struct Targets {
  float reals[4] = {};
  std::int32_t integers[4] = {};
  std::vector<char> fields[4];

  std::vector<recio::InputItem> items(std::uint8_t layout) {
    std::vector<recio::InputItem> made;
    const std::size_t count = 1 + (layout >> 6);
    for (std::size_t i = 0; i < count; ++i) {
      switch ((layout >> (2 * i)) & 3) {
        case 0:
          made.push_back(recio::input(reals[i]));
          break;
        case 1:
          made.push_back(recio::input(integers[i]));
          break;
        default:
          fields[i].assign(1 + (layout & 0x1F) * 8, '#');
          made.push_back(recio::input(std::span<char>(fields[i])));
          break;
      }
    }
    return made;
  }

  bool same_as(const Targets& other) const {
    for (std::size_t i = 0; i < 4; ++i) {
      if (std::memcmp(&reals[i], &other.reals[i], sizeof(float)) != 0 || integers[i] != other.integers[i] ||
          fields[i] != other.fields[i]) {
        return false;
      }
    }
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t layout = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  recio::MemoryFeed lines = recio::MemoryFeed::of_text(text);
  // The same read twice, untraced and traced: a trace must change nothing.
  Targets plain, traced;
  const std::vector<recio::InputItem> plain_items = plain.items(layout);
  const std::vector<recio::InputItem> traced_items = traced.items(layout);
  const std::int32_t status = recio::parse_list_directed(lines.feed(), plain_items);
  if (status != 0 && status != -1 && status != 59 && status != 64) std::abort();
  if (lines.taken == 0 && !lines.records.empty()) std::abort();  // every read takes a record
  const std::size_t taken = lines.taken;
  lines.taken = 0;
  recio::ReadTrace trace;
  if (recio::parse_list_directed(lines.feed(), traced_items, nullptr, &trace) != status) std::abort();
  if (lines.taken != taken || !plain.same_as(traced)) std::abort();
  // The shortcut for plain numbers must read what the general scanner reads.
  Targets general;
  const std::vector<recio::InputItem> general_items = general.items(layout);
  lines.taken = 0;
  if (recio::parse_list_directed_in_general(lines.feed(), general_items) != status) std::abort();
  if (lines.taken != taken || !plain.same_as(general)) std::abort();
  if (status == 0) {
    if (trace.records != taken || trace.rest_at > trace.last_line.size()) std::abort();
    if (trace.last_line.data() != lines.records[taken - 1].data()) std::abort();
    if (trace.first_record >= trace.records) std::abort();
  }
  return 0;
}
