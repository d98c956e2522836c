// The general decimal conversion behind the scanner (decimal_scan.hpp): the
// significant digits of a number of any length, gathered one at a time, and
// their value rounded exactly once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace recio {

class DecimalDigits {
 public:
  // Scales beyond it are far outside every floating range.
  static constexpr std::int64_t exponent_limit = 1'000'000;

  explicit DecimalDigits(bool negative) : negative_(negative) {}

  // One digit, before the point or after it.
  void add(char digit, bool after_point);

  // Multiplies the value by 10^exponent: an explicit exponent, or the
  // implied decimals of a field without a point.
  void scale_by(std::int64_t exponent) { scale_ += exponent; }

  // Correctly rounded; beyond the range a signed infinity, below it the
  // signed zero it rounds to.
  float to_float();
  double to_double();

 private:
  // Midpoints between adjacent doubles have at most 767 significant digits,
  // so keeping 800 and folding the rest into one non-zero digit keeps
  // rounding exact for floats and doubles alike.
  static constexpr std::size_t max_kept_digits = 800;

  template <typename Real>
  Real correctly_rounded();

  char text_[max_kept_digits + 32];  // kept digits, then "e" and the scale
  std::size_t kept_ = 0;             // from the first non-zero digit
  std::int64_t scale_ = 0;           // the value is digits * 10^scale
  bool negative_;
  bool dropped_nonzero_ = false;
};

}  // namespace recio
