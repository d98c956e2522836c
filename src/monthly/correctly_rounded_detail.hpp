// What the fast and the slow paths of the correctly rounded exp and log10
// share: 128-bit integers, a double taken apart, and the rounding of an exact
// binary number to a double. Only correctly_rounded*.cpp include it.
#pragma once

#include <bit>
#include <cstdint>

namespace tiral::correctly_rounded_detail {

__extension__ typedef unsigned __int128 u128;
__extension__ typedef __int128 i128;

inline constexpr std::uint64_t one = 1;
inline constexpr std::uint64_t mantissa_mask = (one << 52) - 1;

inline constexpr u128 join(std::uint64_t hi, std::uint64_t lo) { return (static_cast<u128>(hi) << 64) | lo; }
inline constexpr std::uint64_t low(u128 v) { return static_cast<std::uint64_t>(v); }
inline constexpr std::uint64_t high(u128 v) { return static_cast<std::uint64_t>(v >> 64); }
inline constexpr u128 magnitude(i128 v) { return v < 0 ? -static_cast<u128>(v) : static_cast<u128>(v); }

struct Decoded {
  bool negative;
  int biased;              // the exponent field
  std::uint64_t mantissa;  // the fraction field
};

inline Decoded decode(double x) {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  return {(bits >> 63) != 0, static_cast<int>((bits >> 52) & 0x7ff), bits & mantissa_mask};
}

// x = m * 2^exponent, m = mantissa / 2^52 in [1, 2), subnormals normalised.
struct Normalised {
  std::uint64_t mantissa;
  int exponent;
};

inline Normalised normalise(const Decoded& d) {
  if (d.biased != 0) return {d.mantissa | (one << 52), d.biased - 1023};
  const int shift = std::countl_zero(d.mantissa) - 11;
  return {d.mantissa << shift, -1022 - shift};
}

// The double nearest ±(the number in `count` 64-bit limbs, least significant
// first) * 2^scale, ties to even.
double round_to_double(const std::uint64_t* limbs, int count, int scale, bool negative);

// The slow paths, for finite arguments that their specials have not settled.
double exp_slow(double x);
double log10_slow(double x);

}  // namespace tiral::correctly_rounded_detail
