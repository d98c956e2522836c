// Digits gathered into "digits e scale" text and converted by std::from_chars,
// so that each value is rounded exactly once.
#include "recio/decimal_digits.hpp"

#include <algorithm>
#include <charconv>
#include <limits>
#include <system_error>

namespace recio {

void DecimalDigits::add(char digit, bool after_point) {
  if (after_point) --scale_;
  if (kept_ == 0 && digit == '0') return;  // leading zeros only shift the scale
  if (kept_ < max_kept_digits) {
    text_[kept_++] = digit;
  } else {
    ++scale_;
    dropped_nonzero_ |= digit != '0';
  }
}

float DecimalDigits::to_float() { return correctly_rounded<float>(); }

double DecimalDigits::to_double() { return correctly_rounded<double>(); }

template <typename Real>
Real DecimalDigits::correctly_rounded() {
  const Real sign = negative_ ? Real(-1) : Real(1);
  if (kept_ == 0) return sign * Real(0);
  std::size_t size = kept_;
  std::int64_t scale = scale_;
  if (dropped_nonzero_) {
    text_[size++] = '1';
    --scale;
  }
  scale = std::clamp(scale, -exponent_limit, exponent_limit);
  // Position of the leading digit relative to the point: > 0 means the value
  // is at least 1, which tells overflow from underflow.
  const std::int64_t magnitude = static_cast<std::int64_t>(size) + scale;
  text_[size++] = 'e';
  const char* const end = std::to_chars(text_ + size, text_ + sizeof text_, scale).ptr;
  Real value{};
  if (std::from_chars(text_, end, value).ec == std::errc::result_out_of_range) {
    return magnitude > 0 ? sign * std::numeric_limits<Real>::infinity() : sign * Real(0);
  }
  return sign * value;
}

}  // namespace recio
