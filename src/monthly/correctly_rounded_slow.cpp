// The slow paths of the correctly rounded exp and log10: fixed point of 256
// and then 960 bits, taken only where the fast path cannot round with
// certainty.
#include <array>
#include <bit>
#include <cstdint>

#include "monthly/correctly_rounded_detail.hpp"

namespace tiral::correctly_rounded_detail {

namespace {

// ---------------------------------------------------------------------------
// The slow path: fixed point of `size` 64-bit limbs, two's complement, the
// top limb the integer part: 64 (size - 1) fractional bits. Every operation
// is exact or cut toward zero, off by less than one unit.

constexpr int max_limbs = 17;  // the constants are made at this size, one limb beyond any use

struct Wide {
  int size;
  std::array<std::uint64_t, max_limbs> limb{};
};

Wide wide_zero(int size) { return Wide{size, {}}; }

Wide wide_integer(int size, std::uint64_t v) {
  Wide w = wide_zero(size);
  w.limb[static_cast<unsigned>(size - 1)] = v;
  return w;
}

bool is_negative(const Wide& a) { return (a.limb[static_cast<unsigned>(a.size - 1)] >> 63) != 0; }

bool is_zero(const Wide& a) {
  for (int i = 0; i < a.size; ++i)
    if (a.limb[static_cast<unsigned>(i)] != 0) return false;
  return true;
}

Wide add(const Wide& a, const Wide& b) {
  Wide s = wide_zero(a.size);
  std::uint64_t carry = 0;
  for (unsigned i = 0; i < static_cast<unsigned>(a.size); ++i) {
    const u128 sum = static_cast<u128>(a.limb[i]) + b.limb[i] + carry;
    s.limb[i] = low(sum);
    carry = high(sum);
  }
  return s;
}

Wide negate(const Wide& a) {
  Wide n = wide_zero(a.size);
  std::uint64_t carry = 1;
  for (unsigned i = 0; i < static_cast<unsigned>(a.size); ++i) {
    const u128 sum = static_cast<u128>(~a.limb[i]) + carry;
    n.limb[i] = low(sum);
    carry = high(sum);
  }
  return n;
}

Wide subtract(const Wide& a, const Wide& b) { return add(a, negate(b)); }

Wide absolute(const Wide& a) { return is_negative(a) ? negate(a) : a; }

Wide with_sign(const Wide& magnitude_of, bool negative) { return negative ? negate(magnitude_of) : magnitude_of; }

// ±m * 2^exponent, exact: the bits must fall within the fraction.
Wide wide_from(int size, std::uint64_t m, int exponent, bool negative) {
  Wide w = wide_zero(size);
  const int position = exponent + 64 * (size - 1);
  const auto index = static_cast<unsigned>(position / 64);
  const int offset = position % 64;
  w.limb[index] = m << offset;
  if (offset != 0 && index + 1 < static_cast<unsigned>(size)) w.limb[index + 1] = m >> (64 - offset);
  return with_sign(w, negative);
}

Wide multiply(const Wide& a, const Wide& b) {
  const Wide x = absolute(a);
  const Wide y = absolute(b);
  const auto n = static_cast<unsigned>(a.size);
  std::array<std::uint64_t, 2 * max_limbs> p{};
  for (unsigned i = 0; i < n; ++i) {
    std::uint64_t carry = 0;
    for (unsigned j = 0; j < n; ++j) {
      const u128 t = static_cast<u128>(x.limb[i]) * y.limb[j] + p[i + j] + carry;
      p[i + j] = low(t);
      carry = high(t);
    }
    p[i + n] = carry;
  }
  Wide r = wide_zero(a.size);
  for (unsigned i = 0; i < n; ++i) r.limb[i] = p[i + n - 1];
  return with_sign(r, is_negative(a) != is_negative(b));
}

Wide multiply(const Wide& a, std::int64_t k) {
  const Wide x = absolute(a);
  const std::uint64_t factor = k < 0 ? 0 - static_cast<std::uint64_t>(k) : static_cast<std::uint64_t>(k);
  Wide r = wide_zero(a.size);
  std::uint64_t carry = 0;
  for (unsigned i = 0; i < static_cast<unsigned>(a.size); ++i) {
    const u128 t = static_cast<u128>(x.limb[i]) * factor + carry;
    r.limb[i] = low(t);
    carry = high(t);
  }
  return with_sign(r, is_negative(a) != (k < 0));
}

Wide divide(const Wide& a, std::uint64_t d) {
  const Wide x = absolute(a);
  Wide q = wide_zero(a.size);
  u128 remainder = 0;
  for (int i = a.size - 1; i >= 0; --i) {
    const u128 current = (remainder << 64) | x.limb[static_cast<unsigned>(i)];
    q.limb[static_cast<unsigned>(i)] = low(current / d);
    remainder = current % d;
  }
  return with_sign(q, is_negative(a));
}

// The top `size` limbs: the same number with fewer fractional bits, cut.
Wide shorten(const Wide& a, int size) {
  Wide r = wide_zero(size);
  for (int i = 0; i < size; ++i)
    r.limb[static_cast<unsigned>(i)] = a.limb[static_cast<unsigned>(i + a.size - size)];
  return r;
}

// 1 / a for 1/2 < a < 4, by long division, bit by bit.
Wide reciprocal(const Wide& a) {
  const int fraction_bits = 64 * (a.size - 1);
  Wide remainder = wide_zero(a.size);
  Wide quotient = wide_zero(a.size);
  const auto less = [](const Wide& x, const Wide& y) {
    for (int i = x.size - 1; i >= 0; --i) {
      const auto u = static_cast<unsigned>(i);
      if (x.limb[u] != y.limb[u]) return x.limb[u] < y.limb[u];
    }
    return false;
  };
  // The dividend is 2^(2 F): a single bit, then zeros.
  for (int bit = 2 * fraction_bits; bit >= 0; --bit) {
    remainder = add(remainder, remainder);
    if (bit == 2 * fraction_bits) remainder.limb[0] |= 1;
    if (!less(remainder, a)) {
      remainder = subtract(remainder, a);
      quotient.limb[static_cast<unsigned>(bit / 64)] |= one << (bit % 64);
    }
  }
  return quotient;
}

// atanh(1/q) = sum over k of 1 / ((2k + 1) q^(2k + 1)).
Wide atanh_of_inverse(int size, std::uint64_t q) {
  Wide power = divide(wide_integer(size, 1), q);
  Wide sum = power;
  for (std::uint64_t k = 1;; ++k) {
    power = divide(power, q * q);
    if (is_zero(power)) return sum;
    sum = add(sum, divide(power, 2 * k + 1));
  }
}

struct Constants {
  Wide ln2, inverse_ln2, inverse_ln10;
};

// Made once, at 1024 fractional bits, within a few thousand units there, and
// so within one unit at every size the slow path uses.
const Constants& constants() {
  static const Constants made = [] {
    const Wide ln2 = multiply(atanh_of_inverse(max_limbs, 3), 2);
    // ln(10) = 3 ln(2) + ln(5/4), and 5/4 = (1 + 1/9) / (1 - 1/9).
    const Wide ln10 = add(multiply(ln2, 3), multiply(atanh_of_inverse(max_limbs, 9), 2));
    return Constants{ln2, reciprocal(ln2), reciprocal(ln10)};
  }();
  return made;
}

// The sizes tried: 256 fractional bits, then, when that cannot round with
// certainty, 960. The exact value is never a midpoint (exp of a nonzero
// double and log10 of a double other than a power of ten are irrational), so
// a close enough approximation always rounds with certainty; no double is
// known to need more than a few dozen bits beyond its 53, and one that needed
// over 900 would get the rounding of the 960-bit value.
constexpr int first_size = 5;
constexpr int last_size = 16;

// Bound of the slow paths' error in units: see each path.
constexpr std::uint64_t slow_bound = 4096;

// The rounding of ±(v ± slow_bound) * 2^scale, when both ends round alike.
bool wide_round_if_certain(const Wide& v, int scale, double& result) {
  const bool negative = is_negative(v);
  const Wide m = absolute(v);
  Wide bound = wide_zero(v.size);
  bound.limb[0] = slow_bound;
  const Wide below = subtract(m, bound);
  if (is_negative(below) || is_zero(below)) return false;
  const Wide above = add(m, bound);
  const double a = round_to_double(below.limb.data(), v.size, scale, negative);
  const double b = round_to_double(above.limb.data(), v.size, scale, negative);
  if (std::bit_cast<std::uint64_t>(a) != std::bit_cast<std::uint64_t>(b)) return false;
  result = a;
  return true;
}

double round_wide(const Wide& v, int scale) {
  const Wide m = absolute(v);
  return round_to_double(m.limb.data(), v.size, scale, is_negative(v));
}

// exp(x) = 2^k exp(r), r = x - k ln(2), |r| <= ln(2)/2 + 2^-F, exp(r) by its
// Taylor series. Error in units: x is exact; k ln(2) is off by at most
// |k| <= 1077 (the constant within one unit), which moves exp(r) (< 1.42) by
// at most 1530; each term of the series is within 2 units of the term of the
// computed r, and the terms that count number fewer than 150: within 1830.
bool exp_slow_at(double x, int size, bool last, double& result) {
  const Constants& c = constants();
  const Decoded d = decode(x);
  const Wide xw = wide_from(size, d.mantissa | (one << 52), d.biased - 1075, d.negative);
  Wide half = wide_zero(size);
  half.limb[static_cast<unsigned>(size - 2)] = one << 63;
  const Wide scaled = add(multiply(xw, shorten(c.inverse_ln2, size)), half);
  const auto k = static_cast<std::int64_t>(scaled.limb[static_cast<unsigned>(size - 1)]);  // the floor
  const Wide r = subtract(xw, multiply(shorten(c.ln2, size), k));

  Wide sum = add(wide_integer(size, 1), r);
  Wide term = r;
  for (std::uint64_t n = 2;; ++n) {
    term = divide(multiply(term, r), n);
    if (is_zero(term)) break;
    sum = add(sum, term);
  }
  const int scale = static_cast<int>(k) - 64 * (size - 1);
  if (wide_round_if_certain(sum, scale, result)) return true;
  if (last) result = round_wide(sum, scale);
  return last;
}

// log10(x) = (e ln(2) + ln(m)) / ln(10), m in [sqrt(1/2), sqrt(2)),
// ln(m) = 2 atanh(s), s = (m - 1) / (m + 1), |s| < 0.172. Error in units: s
// within 1, s^2 within 1.4; each power of s within 2, each term within 1.7,
// fewer than 200 terms: 2 atanh(s) within 680; e ln(2) within |e| <= 1075;
// ln(x) (|ln(x)| < 745) within 1760, times 1/ln(10) (within one unit) and cut:
// within 0.44 * 1760 + 745 + 1 < 1520.
bool log10_slow_at(double x, int size, bool last, double& result) {
  const Constants& c = constants();
  Normalised n = normalise(decode(x));
  std::uint64_t base = one << 52;
  if (n.mantissa > 0x16a09e667f3bccu) {  // floor(sqrt(2) 2^52)
    base <<= 1;
    ++n.exponent;
  }
  const bool below_one = n.mantissa < base;
  const std::uint64_t difference = below_one ? base - n.mantissa : n.mantissa - base;
  const Wide s = divide(wide_from(size, difference, 0, below_one), n.mantissa + base);
  const Wide s2 = multiply(s, s);
  Wide sum = s;
  Wide power = s;
  for (std::uint64_t k = 1;; ++k) {
    power = multiply(power, s2);
    if (is_zero(power)) break;
    sum = add(sum, divide(power, 2 * k + 1));
  }
  const Wide ln_x = add(add(sum, sum), multiply(shorten(c.ln2, size), n.exponent));
  const Wide v = multiply(ln_x, shorten(c.inverse_ln10, size));
  const int scale = -64 * (size - 1);
  if (wide_round_if_certain(v, scale, result)) return true;
  if (last) result = round_wide(v, scale);
  return last;
}

}  // namespace

double exp_slow(double x) {
  double result;
  if (!exp_slow_at(x, first_size, false, result)) exp_slow_at(x, last_size, true, result);
  return result;
}

double log10_slow(double x) {
  double result;
  if (!log10_slow_at(x, first_size, false, result)) log10_slow_at(x, last_size, true, result);
  return result;
}

}  // namespace tiral::correctly_rounded_detail
