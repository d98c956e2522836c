#include "monthly/correctly_rounded.hpp"

#include <array>
#include <bit>
#include <cstdint>
#include <limits>

#include "monthly/correctly_rounded_detail.hpp"
#include "monthly/correctly_rounded_tables.hpp"

namespace tiral {

namespace correctly_rounded_detail {

// ---------------------------------------------------------------------------
// Rounding an exact binary number to a double.

// Bits [lo, lo + width) of the number in `limbs` (least significant first),
// width at most 64; bits below 0 or beyond the limbs are 0.
std::uint64_t bits_at(const std::uint64_t* limbs, int count, int lo, int width) {
  if (width <= 0) return 0;
  if (lo < 0) return -lo >= width ? 0 : bits_at(limbs, count, 0, width + lo) << -lo;
  const int index = lo / 64;
  const int offset = lo % 64;
  std::uint64_t v = index < count ? limbs[index] >> offset : 0;
  if (offset != 0 && index + 1 < count) v |= limbs[index + 1] << (64 - offset);
  return width == 64 ? v : v & ((one << width) - 1);
}

// Whether any of bits [0, end) is set.
bool any_bit_below(const std::uint64_t* limbs, int count, int end) {
  for (int i = 0; i < count && 64 * i < end; ++i) {
    const int width = end - 64 * i;
    if ((width >= 64 ? limbs[i] : limbs[i] & ((one << width) - 1)) != 0) return true;
  }
  return false;
}

// The double nearest to ±(the number in `limbs`) * 2^scale, ties to even; an
// infinity past the largest double, subnormals and zero below the smallest
// normal.
double round_to_double(const std::uint64_t* limbs, int count, int scale, bool negative) {
  const std::uint64_t sign = negative ? one << 63 : 0;
  int top = count - 1;
  while (top >= 0 && limbs[top] == 0) --top;
  if (top < 0) return std::bit_cast<double>(sign);
  const int lead = 64 * top + 63 - std::countl_zero(limbs[top]);  // the leading bit's index
  if (lead + scale > 1023) return std::bit_cast<double>(sign | 0x7ff0000000000000u);
  // The lowest bit kept: 53 bits, fewer where the result is subnormal.
  int keep = lead - 52;
  if (keep + scale < -1074) keep = -1074 - scale;
  // Below half the smallest subnormal.
  if (keep > lead + 1) return std::bit_cast<double>(sign);
  std::uint64_t q = bits_at(limbs, count, keep, lead - keep + 1);
  const bool half = bits_at(limbs, count, keep - 1, 1) != 0;
  if (half && ((q & 1) != 0 || any_bit_below(limbs, count, keep - 1))) ++q;
  if (q == one << 53) {
    q >>= 1;
    ++keep;
  }
  const int unit = keep + scale;  // the result is q * 2^unit
  if (q < one << 52) return std::bit_cast<double>(sign | q);  // subnormal: unit is -1074
  const int biased = unit + 52 + 1023;
  if (biased >= 2047) return std::bit_cast<double>(sign | 0x7ff0000000000000u);
  return std::bit_cast<double>(sign | (static_cast<std::uint64_t>(biased) << 52) | (q & mantissa_mask));
}

double round_to_double(u128 v, int scale, bool negative) {
  const std::uint64_t limbs[2] = {low(v), high(v)};
  return round_to_double(limbs, 2, scale, negative);
}

// The rounding of ±v * 2^scale when every number within `bound` of v rounds
// the same way, which then is the rounding of the exact value.
bool round_if_certain(u128 v, u128 bound, int scale, bool negative, double& result) {
  if (v <= bound) return false;
  // v moved up to bit 127: its 53 bits are bits 75 to 127, the rest below.
  const int zeros = high(v) != 0 ? std::countl_zero(high(v)) : 64 + std::countl_zero(low(v));
  const u128 w = v << zeros;
  const u128 scaled_bound = bound << zeros;
  const int biased = 75 - zeros + scale + 1075;  // of the result, unless it rounds up to the next power of 2
  if (zeros <= 59 && scaled_bound < static_cast<u128>(1) << 71 && biased >= 1 && biased < 2046) {
    // A normal result: only a midpoint between two doubles of this binade
    // can lie within the bound, as the bound is far below the spacing of
    // the doubles on either side.
    const u128 rest = w & ((static_cast<u128>(1) << 75) - 1);
    const u128 half = static_cast<u128>(1) << 74;
    if ((rest > half ? rest - half : half - rest) <= scaled_bound) return false;
    // The 53 bits of v, and one more where the rest is over half: 2^53 is a
    // carry into the exponent field, as it should be.
    const std::uint64_t q = (high(w) >> 11) + (rest > half ? 1 : 0);
    const std::uint64_t bits = (static_cast<std::uint64_t>(biased - 1) << 52) + q;
    result = std::bit_cast<double>(bits | (negative ? one << 63 : 0));
    return true;
  }
  // Subnormal or overflowing results: both ends rounded.
  const double below = round_to_double(v - bound, scale, negative);
  const double above = round_to_double(v + bound, scale, negative);
  if (std::bit_cast<std::uint64_t>(below) != std::bit_cast<std::uint64_t>(above)) return false;
  result = below;
  return true;
}

}  // namespace correctly_rounded_detail

namespace {

using namespace correctly_rounded_detail;
namespace tables = correctly_rounded_tables;

using correctly_rounded_detail::join;
constexpr u128 join(tables::Pair p) { return join(p.hi, p.lo); }
constexpr i128 signed_join(tables::Pair p) { return static_cast<i128>(join(p)); }

// ---------------------------------------------------------------------------
// Arguments that need no arithmetic.


constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr double not_a_number = std::numeric_limits<double>::quiet_NaN();

// The fast and slow paths take |x| in [2^-54, 746) and x below 710, which
// keeps x within 2^10 and k of x = k ln(2) / 2^24 + r below 2^35.
bool exp_special(double x, double& result) {
  const Decoded d = decode(x);
  if (d.biased == 0x7ff) {
    result = d.mantissa != 0 ? not_a_number : d.negative ? 0.0 : infinity;
    return true;
  }
  // exp(x) lies within a quarter unit of 1 (it is 1 + x + ...), nearer 1 than
  // either midpoint beside it.
  if (d.biased < 1023 - 54) {
    result = 1.0;
    return true;
  }
  if (x > 710.0) {
    result = infinity;
    return true;
  }
  if (x < -746.0) {
    result = 0.0;
    return true;
  }
  return false;
}

// The fast and slow paths take positive finite x other than 1.
bool log10_special(double x, double& result) {
  const Decoded d = decode(x);
  if (d.biased == 0 && d.mantissa == 0) {
    result = -infinity;
    return true;
  }
  if (d.biased == 0x7ff && d.mantissa != 0) {
    result = not_a_number;
    return true;
  }
  if (d.negative) {
    result = not_a_number;
    return true;
  }
  if (d.biased == 0x7ff) {
    result = infinity;
    return true;
  }
  if (x == 1.0) {
    result = 0.0;
    return true;
  }
  return false;
}


// ---------------------------------------------------------------------------
// The fast path: 128-bit fixed point.
//
// Each value is an integer v standing for v / 2^F; "a unit" below is 2^-F.

struct U256 {
  u128 hi, lo;
};

U256 multiply(u128 a, u128 b) {
  const u128 p00 = static_cast<u128>(low(a)) * low(b);
  const u128 p01 = static_cast<u128>(low(a)) * high(b);
  const u128 p10 = static_cast<u128>(high(a)) * low(b);
  const u128 p11 = static_cast<u128>(high(a)) * high(b);
  const u128 middle = (p00 >> 64) + low(p01) + low(p10);
  return {p11 + (p01 >> 64) + (p10 >> 64) + (middle >> 64), (middle << 64) | low(p00)};
}

// floor(a * b / 2^shift) for 0 < shift <= 128, where the result fits.
u128 multiply_shift(u128 a, u128 b, int shift) {
  const U256 p = multiply(a, b);
  return shift == 128 ? p.hi : (p.hi << (128 - shift)) | (p.lo >> shift);
}

// Two table entries at F = 126 multiplied, at F = 126: floor(a b / 2^126).
u128 multiply_126(tables::Pair a, tables::Pair b) { return multiply_shift(join(a), join(b), 126); }

// exp(x) = 2^(k / 2^24) exp(r), r = x - k ln(2) / 2^24, |r| < 2^-25.53, and
// 2^(k / 2^24) = 2^h 2^(j3/64) 2^(j2/64^2) 2^(j1/64^3) 2^(j0/64^4) from four
// tables; exp(r) = 1 + r + r^2/2 + r^3/6 (1 + r/4).
//
// Error, in units of 2^-124 of exp(r) and of the result's significand:
// - r is x (exact at F = 116) less k ln(2) / 2^24, whose constant is within
//   2^-153 and |k| < 2^35, rounded to F = 116: within 2^-118 + 2^-117, which
//   moves exp(r) (< 1 + 2^-25) by at most 192.01 units;
// - r^2/2 within one unit (two cut products); r^3 from r cut at 2^-80 and
//   r^2 at 2^-104, within 1.05 units; 1/6 (1 + r/4) within 2^-62; that
//   product cut: the part from r^3 on within 1.2 units; r^5/120, left out,
//   is below 2^-134 (0.001 units): exp(r) within 2.2 units;
// - each table entry is within 1/2 unit of 2^-126 and at most 1.42, each of
//   the three products cut: the product of the four within 5.9 units of
//   2^-126, 1.5 units of 2^-124;
// - the final product: within 1.42 * 194.3 + 1.5 + 1 < 279 units.
// Bound used: 512 units.
bool exp_fast(double x, double& result) {
  const Decoded d = decode(x);
  // x * 2^116, exact: |x| >= 2^-54 keeps its last bit at 2^-106 or above, and
  // |x| < 2^10.
  const u128 x_magnitude = static_cast<u128>(d.mantissa | (one << 52)) << (d.biased - 1075 + 116);
  // k = round(x 2^24 / ln(2)) from x to 52 bits and the constant to 38: off by
  // less than 2^-27 from the nearest, which only widens |r| that much.
  const u128 scaled = (x_magnitude >> 64) * tables::inverse_ln2_step;
  const auto k_magnitude = static_cast<std::uint64_t>((scaled + (static_cast<u128>(1) << 89)) >> 90);
  // |k| ln(2) / 2^24 at F = 116, rounded: the constant is at 2^-152, |k| < 2^35.
  const u128 c = join(tables::ln2_step);
  const u128 k_low = static_cast<u128>(k_magnitude) * low(c);
  const u128 k_high = static_cast<u128>(k_magnitude) * high(c);
  const u128 k_ln2 = (k_high << 28) + ((k_low + (static_cast<u128>(1) << 35)) >> 36);
  // Both are below 2^126, and so is their difference.
  const i128 r116 = static_cast<i128>(x_magnitude) - static_cast<i128>(k_ln2);
  const i128 r = (d.negative ? -r116 : r116) * 256;  // F = 124, |r| < 2^99

  // r^2 / 2 from r = a 2^44 + b, 0 <= b < 2^44: r^2 / 2^125 = (a^2 + 2ab / 2^44
  // + b^2 / 2^88) / 2^37, the last part below 2^-37 units.
  const auto a = static_cast<std::int64_t>(r >> 44);  // r 2^80, |a| < 2^56
  const auto b = static_cast<std::int64_t>(r & ((static_cast<i128>(1) << 44) - 1));
  const i128 a_square = static_cast<i128>(a) * a;
  const i128 half_square = (a_square + ((static_cast<i128>(a) * (2 * b)) >> 44)) >> 37;
  const auto square = static_cast<std::int64_t>(a_square >> 56);  // r^2 2^104, below 2^53
  const i128 cube = (static_cast<i128>(square) * a) >> 60;        // r^3 2^124
  // 2^63 / 6 (1 + r/4), and r 2^63 / 24 = a / 2^17 / 24.
  const std::int64_t sixth = static_cast<std::int64_t>((one << 63) / 6) + (a >> 17) / 24;
  const i128 p = (static_cast<i128>(1) << 124) + r + half_square + ((cube * sixth) >> 63);

  const u128 k = d.negative ? 0 - static_cast<u128>(k_magnitude) : static_cast<u128>(k_magnitude);
  const auto step = [k](int level) { return tables::exp2_steps[level][static_cast<unsigned>(k >> (18 - 6 * level)) & 63]; };
  const u128 power = multiply_shift(multiply_shift(multiply_126(step(0), step(1)), join(step(2)), 126), join(step(3)), 126);
  const u128 product = multiply_shift(power, static_cast<u128>(p), 126);
  // The whole powers of 2: k / 2^24, rounded down.
  const auto h = static_cast<int>(static_cast<i128>(k) >> 24);
  return round_if_certain(product, 512, h - 124, false, result);
}

// log10(x) = e log10(2) + log10(m), and m is brought near 1 by exact
// multiplications: m c1 c2 = 1 + t2, |t2| < 2^-14.82, and m c1 c2 c3 = 1 + t,
// |t| < 2^-21.99, so that log10(m) = -log10(c1) - log10(c2) + ln(1 + t2) / ln(10)
// = -log10(c1) - log10(c2) - log10(c3) + ln(1 + t) / ln(10).
//
// A first step takes the series of ln(1 + t2) in 64-bit arithmetic, within
// 2^-75, which rounds with certainty all but about one in 500,000 floats from
// 0.001 to 1100 (fewer far from x = 1); the second takes the series of ln(1 + t) in 128 bits, within
// 2^-115.
//
// The first step's error, in units of 2^-77 of ln(1 + t2) and log10(1 + t2):
// t2 cut at 2^-77 (1), t2^2 within 1 + 2^-13, times the bracket (< 0.51)
// and that product cut (1), t2^5/5 left out (< 0.7): ln(1 + t2) within
// 3.3 units; after the product with 1/ln(10) (within 2^-65) and its cut,
// within 0.44 * 3.3 + 1 < 2.5 units, 2.5 * 2^39 units of 2^-116. With the
// table entries (1/2 unit of 2^-124 each), the cut to F = 116 and
// e log10(2) (as in the second step): within 2^40.33 units of 2^-116.
// Bound used: 2^41.
//
// The second step's error, in units of 2^-124 of log10(m):
// - each table entry is rounded: 1/2 unit each, 3/2;
// - t^2/2 within one unit (two cut products); t^3 from t cut at 2^-84 and
//   t^2 at 2^-104, within 1.5 units; the bracket (about 1/3) within 3 * 2^-63,
//   and times t^3: 0.1 units; that product cut: 1.6 units; t^6/6, left out,
//   below 2^-10 units: ln(1 + t) within 2.7 units, and after the product with
//   1/ln(10) (within 2^-129) and its cut, within 0.44 * 2.7 + 1 < 2.2 units;
// - log10(m) within 3.7 units, 0.015 units of 2^-116.
// In units of 2^-116 of log10(x): log10(m) rounded to F = 116 (1/2 + 0.015),
// e log10(2) with the constant within 2^-129 and |e| <= 1074 (0.131), rounded
// (1/2): within 1.15 units. Bound used: 2.
bool log10_fast(double x, bool first_step, double& result) {
  const Normalised n = normalise(decode(x));
  const std::uint64_t m = n.mantissa;

  // |e| log10(2) at F = 116, rounded: the constant is at 2^-128.
  const auto e_magnitude = static_cast<std::uint64_t>(n.exponent < 0 ? -n.exponent : n.exponent);
  const u128 c = join(tables::log10_2);
  const u128 e_low = static_cast<u128>(e_magnitude) * low(c);
  const u128 e_high = static_cast<u128>(e_magnitude) * high(c);
  const auto e_log_magnitude = static_cast<i128>((e_high << 52) + ((e_low + (static_cast<u128>(1) << 11)) >> 12));
  const i128 e_log = n.exponent < 0 ? -e_log_magnitude : e_log_magnitude;

  const auto i1 = static_cast<unsigned>((m >> 45) & 127);
  const std::uint64_t y1 = m * tables::level1_c[i1];  // scale 2^-62, below 2^63
  const auto t1 = static_cast<std::int64_t>(y1) - static_cast<std::int64_t>(one << 62);
  const std::int64_t j2 = (t1 + (static_cast<std::int64_t>(1) << 47)) >> 48;  // round(t1 * 2^14)
  const auto i2 = static_cast<unsigned>(j2 + tables::level2_reach);
  const u128 y2 = static_cast<u128>(y1) * tables::level2_c[i2];  // scale 2^-79
  const i128 t2 = static_cast<i128>(y2) - (static_cast<i128>(1) << 79);
  const i128 tables_12 = signed_join(tables::level1_log10[i1]) + signed_join(tables::level2_log10[i2]);  // F = 124

  if (first_step) {
    // ln(1 + t2) = t2 - t2^2 (1/2 - t2 (1/3 - t2/4)) at F = 77, the bracket at F = 62.
    const auto s = static_cast<std::int64_t>(t2 >> 2);  // |s| < 2^62.2
    const auto square = static_cast<std::int64_t>((static_cast<i128>(s) * s) >> 77);
    const std::int64_t third = static_cast<std::int64_t>((one << 62) / 3) - (s >> 17);
    const std::int64_t bracket = static_cast<std::int64_t>(one << 61) - static_cast<std::int64_t>((static_cast<i128>(s) * third) >> 77);
    const std::int64_t ln = s - static_cast<std::int64_t>((static_cast<i128>(square) * bracket) >> 62);
    // 2^64 / ln(10), nearest.
    constexpr auto inverse_ln10 = static_cast<std::int64_t>(tables::inv_ln10.hi + (tables::inv_ln10.lo >> 63));
    const i128 ln_part = ((static_cast<i128>(ln) * inverse_ln10) >> 64) * (static_cast<i128>(1) << 47);  // F = 124
    const i128 v = e_log + ((tables_12 + ln_part + 128) >> 8);
    if (round_if_certain(magnitude(v), static_cast<u128>(1) << 41, -116, v < 0, result)) return true;
  }

  const i128 j3 = (t2 + (static_cast<i128>(1) << 57)) >> 58;  // round(t2 * 2^21)
  const auto i3 = static_cast<unsigned>(j3 + tables::level3_reach);
  const u128 y3 = y2 * tables::level3_c[i3];  // scale 2^-103, below 2^104
  const i128 t = (static_cast<i128>(y3) - (static_cast<i128>(1) << 103)) * (static_cast<i128>(1) << 21);  // F = 124

  // t^2 / 2 from t = a 2^40 + b, 0 <= b < 2^40: t^2 / 2^125 = (a^2 + 2ab / 2^40
  // + b^2 / 2^80) / 2^45, the last part below 2^-45 units.
  const auto a = static_cast<std::int64_t>(t >> 40);  // t 2^84, |a| < 2^62
  const auto b = static_cast<std::int64_t>(t & ((static_cast<i128>(1) << 40) - 1));
  const i128 a_square = static_cast<i128>(a) * a;
  const i128 half_square = (a_square + ((static_cast<i128>(a) * (2 * b)) >> 40)) >> 45;
  const auto square = static_cast<std::int64_t>(a_square >> 64);  // t^2 2^104, below 2^60
  const i128 cube = (static_cast<i128>(square) * a) >> 64;        // t^3 2^124, below 2^58
  // 2^63 (1/3 - t/4 + t^2/5): t 2^63 / 4 = a / 2^23, t^2 2^63 = square / 2^41.
  const std::int64_t bracket = static_cast<std::int64_t>((one << 63) / 3) - (a >> 23) + (square >> 41) / 5;
  const i128 ln = t - half_square + ((cube * bracket) >> 63);
  const u128 ln_magnitude = multiply_shift(magnitude(ln), join(tables::inv_ln10), 128);
  const i128 ln_part = ln < 0 ? -static_cast<i128>(ln_magnitude) : static_cast<i128>(ln_magnitude);
  const i128 m_log = tables_12 + signed_join(tables::level3_log10[i3]) + ln_part;
  const i128 v = e_log + ((m_log + 128) >> 8);
  return round_if_certain(magnitude(v), 2, -116, v < 0, result);
}

}  // namespace

double correctly_rounded_exp(double x) {
  double result;
  if (exp_special(x, result) || exp_fast(x, result)) return result;
  return exp_slow(x);
}

double correctly_rounded_log10(double x) {
  double result;
  if (log10_special(x, result) || log10_fast(x, true, result)) return result;
  return log10_slow(x);
}

namespace correctly_rounded_paths {

bool fast_exp(double x, double& result) { return exp_special(x, result) || exp_fast(x, result); }
bool fast_log10(double x, double& result) { return log10_special(x, result) || log10_fast(x, true, result); }
bool second_step_log10(double x, double& result) { return log10_special(x, result) || log10_fast(x, false, result); }

double slow_exp(double x) {
  double result;
  return exp_special(x, result) ? result : exp_slow(x);
}

double slow_log10(double x) {
  double result;
  return log10_special(x, result) ? result : log10_slow(x);
}

bool round_if_certain(std::uint64_t high, std::uint64_t low, std::uint64_t bound, int scale, bool negative,
                      double& result) {
  return correctly_rounded_detail::round_if_certain(join(high, low), bound, scale, negative, result);
}

}  // namespace correctly_rounded_paths

}  // namespace tiral
