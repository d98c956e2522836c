#include "monthly/correctly_rounded.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tiral {
namespace {

using correctly_rounded_paths::fast_exp;
using correctly_rounded_paths::fast_log10;
using correctly_rounded_paths::slow_exp;
using correctly_rounded_paths::slow_log10;

// Bit for bit, so that the sign of zero shows; every NaN is alike.
::testing::AssertionResult same_double(double expected, double actual) {
  if (std::bit_cast<std::uint64_t>(expected) == std::bit_cast<std::uint64_t>(actual) ||
      (std::isnan(expected) && std::isnan(actual)))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << std::hexfloat << "expected " << expected << ", got " << actual;
}

struct Case {
  double x;
  double expected;
};

// The public function, the slow path alone, and the fast path where it
// decides, all give the expected value.
void expect_every_path(const Case& c, double (*function)(double), bool (*fast)(double, double&),
                       double (*slow)(double)) {
  EXPECT_TRUE(same_double(c.expected, function(c.x))) << std::hexfloat << c.x;
  EXPECT_TRUE(same_double(c.expected, slow(c.x))) << "slow path, " << std::hexfloat << c.x;
  double result = 0.0;
  if (fast(c.x, result)) {
    EXPECT_TRUE(same_double(c.expected, result)) << "fast path, " << std::hexfloat << c.x;
  }
}

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double max = std::numeric_limits<double>::max();
constexpr double tiniest = std::numeric_limits<double>::denorm_min();

// Worked out with mpmath at 320 bits, rounded to the nearest double by exact
// rational arithmetic. A comment gives the exact value's distance from the
// nearest midpoint between two doubles where it is small, in units of their
// spacing, and the C library's result (glibc 2.36) where it differs.
const Case exp_cases[] = {
    // Near a midpoint by their form: 1 + x is a midpoint, and x^2/2 the whole distance
    {-0x1p-54, 0x1p+0},  // 2^-56.0 from a midpoint
    {0x1p-53, 0x1.0000000000001p+0},  // 2^-55.0 from a midpoint; C library: 0x1p+0
    {0x1.8p-52, 0x1.0000000000002p+0},  // 2^-51.8 from a midpoint
    {-0x1.8p-53, 0x1.fffffffffffffp-1},  // 2^-52.8 from a midpoint
    {0x1.fep-46, 0x1.000000000008p+0},  // 2^-39.0 from a midpoint
    {-0x1.fep-47, 0x1.fffffffffff81p-1},  // 2^-40.0 from a midpoint
    // The nearest to a midpoint of every float from 2^-10 to 32 in magnitude
    {-0x1.d3db06p-5, 0x1.e3940ec90b5ddp-1},  // 2^-29.3 from a midpoint
    {-0x1.3aea98p+3, 0x1.be6a2643c642cp-15},  // 2^-26.6 from a midpoint; C library: 0x1.be6a2643c642bp-15
    {-0x1.7e1ep-8, 0x1.fd05fd422c7b2p-1},  // 2^-26.4 from a midpoint
    {-0x1.133b42p-10, 0x1.ff7674dbddc5fp-1},  // 2^-26.3 from a midpoint; C library: 0x1.ff7674dbddc5ep-1
    {0x1.6560b4p-6, 0x1.05a537348905ep+0},  // 2^-26.2 from a midpoint
    {-0x1.f09c0cp+3, 0x1.86ec9e318f8c3p-23},  // 2^-26.1 from a midpoint
    // The dew point's range: -100.00, -0.01, 0.01 and 100.00 degrees
    {-0x1.9281661a49afdp+3, 0x1.ce83bca82026p-19},
    {-0x1.7d93da4f20e3dp-11, 0x1.ffa0a3ebe4a87p-1},
    {0x1.7d8b9ec3d1b9dp-11, 0x1.002fb5e570e3cp+0},
    {0x1.47af3f4b1c1ecp+2, 0x1.4eb1d02fcc741p+7},
    // Dew point arguments where the C library's exp is not correctly rounded
    {-0x1.ba054e4b88631p+2, 0x1.0674321913982p-10},  // C library: 0x1.0674321913981p-10
    {-0x1.02a557a4c5336p+2, 0x1.1fee2f9470f85p-6},  // C library: 0x1.1fee2f9470f84p-6
    {-0x1.2b15a0e02d571p+1, 0x1.8be71b20b4061p-4},  // C library: 0x1.8be71b20b406p-4
    {0x1.7ddd7351e8ba3p-3, 0x1.347923f75136p+0},  // C library: 0x1.347923f75135fp+0
    {0x1.43bfd051a25bp+0, 0x1.c55aec7655822p+1},  // C library: 0x1.c55aec7655823p+1
    {0x1.dc202fc1de18cp+0, 0x1.9b106a24ec8edp+2},  // C library: 0x1.9b106a24ec8eep+2
    {0x1.071e332c1114dp+2, 0x1.e82b080ecfd77p+5},  // C library: 0x1.e82b080ecfd76p+5
    // Plain values
    {0x1p+0, 0x1.5bf0a8b145769p+1},
    {-0x1p+0, 0x1.78b56362cef38p-2},
    {0x1p-1, 0x1.a61298e1e069cp+0},
    {0x1.4p+3, 0x1.5829dcf95056p+14},
    {-0x1.4p+3, 0x1.7cd79b5647c9bp-15},
    {0x1.9p+6, 0x1.3494a9b171bf5p+144},
    {0x1.5ep+9, 0x1.d945df4f8ec8ep+1009},
    {-0x1.5ep+9, 0x1.14f2b0fb9307fp-1010},
    // Near overflow, and the subnormal results
    {0x1.62e42fefa39efp+9, 0x1.fffffffffff2ap+1023},
    {0x1.62e42fefa39fp+9, inf},
    {-0x1.6232bdd7abcd2p+9, 0x1.000000000007cp-1022},
    {-0x1.68p+9, 0x0.0000993b4dc95p-1022},
    {-0x1.72p+9, 0x0.0000000000055p-1022},
    {-0x1.748p+9, 0x0.0000000000001p-1022},
    {-0x1.74910d52d3051p+9, 0x0.0000000000001p-1022},  // 2^-44.2 from a midpoint
    {-0x1.74910d52d3052p+9, 0.0},
};

const Case log10_cases[] = {
    // Exact powers of ten, and the first that is not exact
    {0x1.4p+3, 0x1p+0},
    {0x1.9p+6, 0x1p+1},
    {0x1.f4p+9, 0x1.8p+1},
    {0x1.388p+13, 0x1p+2},
    {0x1.86ap+16, 0x1.4p+2},
    {0x1.e848p+19, 0x1.8p+2},
    {0x1.312dp+23, 0x1.cp+2},
    {0x1.7d784p+26, 0x1p+3},
    {0x1.dcd65p+29, 0x1.2p+3},
    {0x1.2a05f2p+33, 0x1.4p+3},
    {0x1.74876e8p+36, 0x1.6p+3},
    {0x1.d1a94a2p+39, 0x1.8p+3},
    {0x1.2309ce54p+43, 0x1.ap+3},
    {0x1.6bcc41e9p+46, 0x1.cp+3},
    {0x1.c6bf52634p+49, 0x1.ep+3},
    {0x1.1c37937e08p+53, 0x1p+4},
    {0x1.6345785d8ap+56, 0x1.1p+4},
    {0x1.bc16d674ec8p+59, 0x1.2p+4},
    {0x1.158e460913dp+63, 0x1.3p+4},
    {0x1.5af1d78b58c4p+66, 0x1.4p+4},
    {0x1.b1ae4d6e2ef5p+69, 0x1.5p+4},
    {0x1.0f0cf064dd592p+73, 0x1.6p+4},
    {0x1.52d02c7e14af6p+76, 0x1.7p+4},
    // The nearest to a midpoint of every float from 2^-20 to 2048
    {0x1.78cfd2p+0, 0x1.57d3d7c4f4172p-3},  // 2^-30.3 from a midpoint
    {0x1.f43fe6p+6, 0x1.0c6ea6543ad11p+1},  // 2^-26.5 from a midpoint; C library: 0x1.0c6ea6543ad12p+1
    {0x1.b76714p-15, -0x1.11f912c5aefddp+2},  // 2^-25.9 from a midpoint; C library: -0x1.11f912c5aefdcp+2
    {0x1.8cdc28p+6, 0x1.ff1fb0f84a66p+0},  // 2^-25.3 from a midpoint; C library: 0x1.ff1fb0f84a65fp+0
    {0x1.e1f058p+0, 0x1.19589443f11aap-2},  // 2^-25.3 from a midpoint
    {0x1.7e35b2p-6, -0x1.a1d27f41ddc52p+0},  // 2^-25.2 from a midpoint
    {0x1.24fe26p-12, -0x1.c6e10d12d01b3p+1},  // 2^-25.1 from a midpoint; C library: -0x1.c6e10d12d01b4p+1
    {0x1.c446a4p+4, 0x1.738750cb411dep+0},  // 2^-24.9 from a midpoint
    // Negative powers of ten
    {0x1.999999999999ap-4, -0x1p+0},
    {0x1.47ae147ae147bp-7, -0x1p+1},
    {0x1.4f8b588e368f1p-17, -0x1.4p+2},
    {0x1.56e1fc2f8f359p-997, -0x1.2cp+8},
    // Near 1
    {0x1.0000000000001p+0, 0x1.bcb7b1526e50dp-54},
    {0x1.fffffffffffffp-1, -0x1.bcb7b1526e50fp-55},  // C library: -0x1.bcb7b1526e50ep-55
    {0x1.00000004p+0, 0x1.bcb7b14ef4e18p-32},
    {0x1.fffffff8p-1, -0x1.bcb7b155e7c04p-32},
    {0x1.0000000000003p+0, 0x1.4d89c4fdd2bc9p-52},
    {0x1.004p+0, 0x1.bc80239e5b56p-12},
    // Tiny and huge: subnormals, the smallest normal, the largest double
    {0x0.0000000000001p-1022, -0x1.434e6420f4374p+8},
    {0x0.0000000000003p-1022, -0x1.42d43f829af7ep+8},
    {0x0.fffffffffffffp-1022, -0x1.33a7146f72a42p+8},
    {0x1p-1022, -0x1.33a7146f72a42p+8},
    {0x1.fffffffffffffp+1023, 0x1.34413509f79ffp+8},
    {0x1p+1, 0x1.34413509f79ffp-2},
    {0x1p-1, -0x1.34413509f79ffp-2},
    // Either side of the slow path's choice of m near sqrt(2)
    {0x1.6a09e667f3bccp+0, 0x1.34413509f79fep-3},
    {0x1.6a09e667f3bcdp+0, 0x1.34413509f7ap-3},  // C library: 0x1.34413509f79ffp-3
    // Vapour pressures of the dew point's tests
    {0x1.61e604p-16, -0x1.2b40fb58e453ep+2},
    {0x1.fee4fep+9, 0x1.8132bfa2a9aaap+1},
    {0x1.a28658p-5, -0x1.4aaacde5a9e52p+0},
    {0x1.8f6b58p+3, 0x1.18a5beedb748dp+0},
    {0x1.0231f6p+2, 0x1.36273d48cca6p-1},
    {0x1.6ad344p-11, -0x1.9476b2f373e86p+1},
    // Vapour pressures from 0.001 to 1000 hPa where the C library's log10 is not correctly rounded
    {0x1.0625bp-10, -0x1.7fffd34b8ac29p+1},  // C library: -0x1.7fffd34b8ac28p+1
    {0x1.b16718p-9, -0x1.3d84e68c402e8p+1},  // C library: -0x1.3d84e68c402e7p+1
    {0x1.5ca74cp-7, -0x1.f91a3109c9a47p+0},  // C library: -0x1.f91a3109c9a46p+0
    {0x1.07e6bcp-5, -0x1.7df054a21d821p+0},  // C library: -0x1.7df054a21d822p+0
    {0x1.b325d8p-4, -0x1.f28bd6823416bp-1},  // C library: -0x1.f28bd6823416ap-1
    {0x1.5e651p-2, -0x1.dceb8effa5c01p-2},  // C library: -0x1.dceb8effa5cp-2
    {0x1.09a51ap+0, 0x1.072713df464fcp-6},  // C library: 0x1.072713df464fbp-6
    {0x1.b4e428p+1, 0x1.10fac9cb8b0d1p-1},  // C library: 0x1.10fac9cb8b0dp-1
    {0x1.60236p+3, 0x1.0aa3e1cd046d9p+0},  // C library: 0x1.0aa3e1cd046d8p+0
    {0x1.0b7282p+5, 0x1.862e93faea62dp+0},  // C library: 0x1.862e93faea62cp+0
    {0x1.b6b262p+6, 0x1.052224c96ad8bp+1},  // C library: 0x1.052224c96ad8ap+1
    {0x1.61f2cp+8, 0x1.4643a875fb367p+1},  // C library: 0x1.4643a875fb366p+1
};

TEST(CorrectlyRoundedExp, ReferenceValues) {
  for (const Case& c : exp_cases) expect_every_path(c, correctly_rounded_exp, fast_exp, slow_exp);
}

TEST(CorrectlyRoundedLog10, ReferenceValues) {
  for (const Case& c : log10_cases) expect_every_path(c, correctly_rounded_log10, fast_log10, slow_log10);
  // The second step of the fast path on its own.
  for (const Case& c : log10_cases) {
    double result = 0.0;
    if (correctly_rounded_paths::second_step_log10(c.x, result)) {
      EXPECT_TRUE(same_double(c.expected, result)) << "second step, " << std::hexfloat << c.x;
    }
  }
}

TEST(CorrectlyRoundedExp, ArgumentsWithoutArithmetic) {
  const Case cases[] = {
      {nan, nan},         {-nan, nan},       {inf, inf},         {-inf, 0.0},       {0.0, 1.0},
      {-0.0, 1.0},        {tiniest, 1.0},    {-tiniest, 1.0},    {0x1.fffffffffffffp-55, 1.0},
      {-0x1.fffffffffffffp-55, 1.0},         {710.0, inf},       {0x1.63p+9, inf},  {max, inf},
      {-746.0, 0.0},      {-0x1.75p+9, 0.0}, {-max, 0.0},
  };
  for (const Case& c : cases) expect_every_path(c, correctly_rounded_exp, fast_exp, slow_exp);
}

TEST(CorrectlyRoundedLog10, ArgumentsWithoutArithmetic) {
  const Case cases[] = {
      {nan, nan}, {-nan, nan}, {inf, inf},     {-inf, nan},     {0.0, -inf},  {-0.0, -inf},
      {1.0, 0.0}, {-1.0, nan}, {-tiniest, nan}, {-max, nan},
  };
  for (const Case& c : cases) expect_every_path(c, correctly_rounded_log10, fast_log10, slow_log10);
}

// The fast path's rounding, on numbers made to lie on either side of its
// bound from a midpoint, to carry into the next binade, to fall below the
// normal range or past the largest double.
struct Rounding {
  std::uint64_t high, low, bound;
  int scale;
  bool negative;
  bool certain;
  double expected;
};

TEST(CorrectlyRoundedRounding, DecidesOnlyWhenNoMidpointIsWithinTheBound) {
  // v = q 2^48 + rest with q of 53 bits at bit 100: the result is q 2^-100.
  constexpr std::uint64_t q = (std::uint64_t{1} << 52) + 5;  // odd
  constexpr std::uint64_t half = std::uint64_t{1} << 47;
  const auto v = [](std::uint64_t q_bits, std::uint64_t rest) {
    // q_bits 2^48 + rest, as high and low words
    return std::pair{q_bits >> 16, (q_bits << 48) + rest};
  };
  const double down = std::ldexp(static_cast<double>(q), -100);
  const double up = std::ldexp(static_cast<double>(q + 1), -100);
  const Rounding cases[] = {
      {v(q, half + 8).first, v(q, half + 8).second, 7, -148, false, true, up},
      {v(q, half + 7).first, v(q, half + 7).second, 7, -148, false, false, 0.0},
      {v(q, half).first, v(q, half).second, 7, -148, false, false, 0.0},
      {v(q, half - 7).first, v(q, half - 7).second, 7, -148, false, false, 0.0},
      {v(q, half - 8).first, v(q, half - 8).second, 7, -148, false, true, down},
      {v(q, half - 8).first, v(q, half - 8).second, 7, -148, true, true, -down},
      {v(q, 0).first, v(q, 0).second, 1000, -148, false, true, down},
      // Up into the next binade, and down across a power of 2.
      {v((std::uint64_t{1} << 53) - 1, half + 1).first, v((std::uint64_t{1} << 53) - 1, half + 1).second, 0, -148,
       false, true, 0x1p-47},
      {v(std::uint64_t{1} << 52, 3).first, v(std::uint64_t{1} << 52, 3).second, 8, -148, false, true, 0x1p-48},
      // Bound too large for the binade, or v within the bound of 0.
      {0, std::uint64_t{1} << 62, std::uint64_t{1} << 9, -62, false, false, 0.0},
      {0, 5, 5, 0, false, false, 0.0},
      // The smallest normal, and below: 1.5 and 1.5 + 2^-63 times the
      // smallest subnormal.
      {0, std::uint64_t{1} << 63, 1, -1085, false, true, 0x1p-1022},
      {0, std::uint64_t{3} << 62, 1, -1137, false, false, 0.0},
      {0, (std::uint64_t{3} << 62) + 2, 1, -1137, false, true, 2 * tiniest},
      {0, (std::uint64_t{3} << 62) - 2, 1, -1137, true, true, -tiniest},
      // Below half the smallest subnormal, and a quarter above it.
      {0, std::uint64_t{1} << 63, 1, -1139, false, true, 0.0},
      {0, (std::uint64_t{5} << 61), 1, -1138, false, true, tiniest},
      // The largest double, and past it.
      {0, ~std::uint64_t{0} - (std::uint64_t{1} << 10) - 8, 4, 960, false, true, max},
      {0, ~std::uint64_t{0} - (std::uint64_t{1} << 10) + 4, 4, 960, false, false, 0.0},
      {0, ~std::uint64_t{0}, 4, 960, false, true, inf},
      {1, 0, 1, 960, true, true, -inf},
  };
  for (const Rounding& c : cases) {
    double result = 0.0;
    EXPECT_EQ(c.certain,
              correctly_rounded_paths::round_if_certain(c.high, c.low, c.bound, c.scale, c.negative, result))
        << std::hex << c.high << " " << c.low << " " << std::dec << c.scale;
    EXPECT_TRUE(same_double(c.certain ? c.expected : 0.0, result)) << std::hex << c.high << " " << c.low;
  }
}

// The exponent of every two-decimal temperature from -100.00 to 100.00, as
// the dew point forms it: the fast path decides each one, and as the slow path.
TEST(CorrectlyRoundedExp, EveryDewPointArgumentFastEqualsSlow) {
  const auto c17_27 = static_cast<double>(17.27f);
  const auto c237_3 = static_cast<double>(237.3f);
  int undecided = 0;
  for (int hundredths = -10000; hundredths <= 10000; ++hundredths) {
    const auto t = static_cast<double>(static_cast<float>(hundredths) / 100.0f);
    const double x = (c17_27 * t) / (t + c237_3);
    double fast = 0.0;
    if (!fast_exp(x, fast)) {
      ++undecided;
      continue;
    }
    ASSERT_TRUE(same_double(slow_exp(x), fast)) << std::hexfloat << x;
  }
  EXPECT_EQ(undecided, 0);
}

// log10 of floats across the dew point's vapour pressures, 0.001 to 1000 hPa:
// a sample here, every 97th float under TIRAL_EXHAUSTIVE.
TEST(CorrectlyRoundedLog10, SampledFloatsFastEqualsSlow) {
  int undecided = 0;
  for (auto bits = std::bit_cast<std::uint32_t>(0.001f); bits <= std::bit_cast<std::uint32_t>(1000.0f); bits += 9973) {
    const auto x = static_cast<double>(std::bit_cast<float>(bits));
    double fast = 0.0;
    double second = 0.0;
    if (!fast_log10(x, fast) || !correctly_rounded_paths::second_step_log10(x, second)) {
      ++undecided;
      continue;
    }
    const double slow = slow_log10(x);
    ASSERT_TRUE(same_double(slow, fast)) << std::hexfloat << x;
    ASSERT_TRUE(same_double(slow, second)) << std::hexfloat << x;
  }
  EXPECT_EQ(undecided, 0);
}

// Doubles of every exponent: the public functions against the slow path.
TEST(CorrectlyRounded, SampledDoublesEqualTheSlowPath) {
  std::uint64_t state = 0x2545f4914f6cdd1du;
  const auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  for (int i = 0; i < 2000; ++i) {
    // Positive doubles of every exponent for log10; exponents from -64 to 9
    // for exp, of either sign.
    const double l = std::bit_cast<double>(next() % 0x7ff0000000000000u);
    ASSERT_TRUE(same_double(slow_log10(l), correctly_rounded_log10(l))) << std::hexfloat << l;
    const std::uint64_t r = next();
    const double e = std::bit_cast<double>((r & 0x800fffffffffffffu) | ((959 + (r >> 52) % 74) << 52));
    ASSERT_TRUE(same_double(slow_exp(e), correctly_rounded_exp(e))) << std::hexfloat << e;
  }
}

}  // namespace
}  // namespace tiral
