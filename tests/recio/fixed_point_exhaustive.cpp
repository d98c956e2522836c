// Checks the F6.2 and F12.2 fields of every float with a magnitude below
// 1000 against an independent exact reference. Run on its own: it takes a
// minute of CPU.
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "fixed_point_reference.hpp"
#include "recio/fixed_point.hpp"

namespace {

struct Tally {
  std::uint64_t checked = 0;
  std::uint64_t failed = 0;
};

void check_range(std::uint32_t first, std::uint32_t last, Tally& tally) {
  char ours[12], expected[12];
  for (std::uint32_t magnitude_bits = first; magnitude_bits < last; ++magnitude_bits) {
    for (const std::uint32_t sign : {0u, 0x80000000u}) {
      const std::uint32_t bits = magnitude_bits | sign;
      float value;
      std::memcpy(&value, &bits, sizeof value);
      const std::uint64_t hundredths = fixed_reference::hundredths(value);
      for (const int width : {6, 12}) {
        recio::format_fixed(value, width, 2, ours);
        fixed_reference::two_decimal_field(sign != 0, hundredths, width, expected);
        ++tally.checked;
        if (std::memcmp(ours, expected, static_cast<std::size_t>(width)) != 0) {
          if (++tally.failed <= 10) {
            std::printf("MISMATCH %a F%d.2: '%.*s' expected '%.*s'\n", static_cast<double>(value), width, width, ours,
                        width, expected);
          }
        }
      }
    }
  }
}

}  // namespace

int main() {
  std::uint32_t limit_bits;
  const float limit = 1000.0f;
  std::memcpy(&limit_bits, &limit, sizeof limit_bits);
  const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  std::vector<Tally> tallies(threads);
  std::vector<std::thread> workers;
  const std::uint32_t step = limit_bits / threads + 1;
  for (unsigned t = 0; t < threads; ++t) {
    const std::uint32_t first = t * step;
    const std::uint32_t last = std::min<std::uint32_t>(limit_bits, first + step);
    workers.emplace_back(check_range, first, last, std::ref(tallies[t]));
  }
  for (auto& worker : workers) worker.join();
  Tally total;
  for (const Tally& t : tallies) {
    total.checked += t.checked;
    total.failed += t.failed;
  }
  std::printf("%llu fields checked, %llu mismatches: every float with |x| < 1000 in F6.2 and F12.2\n",
              static_cast<unsigned long long>(total.checked), static_cast<unsigned long long>(total.failed));
  std::printf("%llu passed, %llu failed\n", static_cast<unsigned long long>(total.checked - total.failed),
              static_cast<unsigned long long>(total.failed));
  return total.failed == 0 ? 0 : 1;
}
