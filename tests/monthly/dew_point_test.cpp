#include "monthly/dew_point.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

#include <cmath>
#include <cstdint>
#include <limits>

namespace tiral {
namespace {

using test_support::same_float;

// Days worked out once with python3, apart from this code: each step in
// double (math.exp, math.log10), rounded to float32 through struct.pack('<f')
// where the step forms its quantity; the constants and the inputs are the
// float32 values of their decimal texts. Nine digits name one float exactly.
// The first two are the formula's two worked example days and round to their
// five-decimal values (es_max 23.38281 ... dew point 10.20392). Any constant taken as a double or changed in its last
// digit, a rounding to single precision left out (of es) or added (to log10 or the denominator) changes at least one of
// these values.
struct ExactDay {
  float tmp_max, tmp_min, hmd;
  float es_max, es_min, es, ea, numerator, dewpt;
};

class DewPointExactDay : public ::testing::TestWithParam<ExactDay> {};

TEST_P(DewPointExactDay, EveryIntermediateIsItsSinglePrecisionValue) {
  const ExactDay& want = GetParam();
  const DewPoint got = dew_point(want.tmp_max, want.tmp_min, want.hmd);
  EXPECT_TRUE(same_float(want.es_max, got.es_max));
  EXPECT_TRUE(same_float(want.es_min, got.es_min));
  EXPECT_TRUE(same_float(want.es, got.es));
  EXPECT_TRUE(same_float(want.ea, got.ea));
  EXPECT_TRUE(same_float(want.numerator, got.numerator));
  EXPECT_TRUE(same_float(want.dewpt, got.dewpt));
}

INSTANTIATE_TEST_SUITE_P(
    DewPoint, DewPointExactDay,
    ::testing::Values(
        ExactDay{20.00f, 10.00f, 70.00f, 23.3828125f, 12.2796259f, 17.8312187f, 12.4818535f, 72.5266266f, 10.2039213f},
        ExactDay{0.00f, -10.00f, 90.00f, 6.1079998f, 2.85710979f, 4.48255491f, 4.03429937f, -42.3412209f, -5.57250929f},
        ExactDay{12.30f, -5.25f, 85.00f, 14.3055143f, 4.13247013f, 9.21899223f, 7.83614349f, 25.180891f, 3.44476628f},
        ExactDay{33.33f, 21.07f, 45.55f, 51.2400894f, 24.9771881f, 38.1086388f, 17.3584843f, 106.068871f, 15.2299585f},
        ExactDay{45.00f, 30.00f, 5.00f, 95.8248291f, 42.4306488f, 69.127739f, 3.45638704f, -58.0654144f, -7.5750227f},
        ExactDay{-40.00f, -45.00f, 60.00f, 0.184212044f, 0.107341245f, 0.145776644f, 0.0874659866f, -432.000092f,
                 -46.6413918f},
        ExactDay{-99.99f, -99.99f, 100.00f, 2.10939943e-05f, 2.10939943e-05f, 2.10939943e-05f, 2.10939943e-05f,
                 -1279.18848f, -99.3170929f},
        ExactDay{99.99f, 99.99f, 100.00f, 1021.789f, 1021.789f, 1021.789f, 1021.789f, 520.532166f, 100.205643f},
        ExactDay{99.99f, -99.99f, 0.01f, 1021.789f, 2.10939943e-05f, 510.894501f, 0.0510894507f, -486.682983f,
                 -51.2531509f},
        ExactDay{25.50f, 25.50f, 100.00f, 32.6335678f, 32.6335678f, 32.6335678f, 32.6335678f, 170.269958f, 25.4501362f},
        ExactDay{-0.01f, -0.02f, 50.00f, 6.10355616f, 6.09911489f, 6.10133553f, 3.05066776f, -70.7643967f,
                 -9.16684055f},
        ExactDay{5.55f, -3.33f, 0.01f, 9.06373501f, 4.77695084f, 6.92034292f, 0.000692034257f, -924.178894f,
                 -81.3260498f},
        ExactDay{37.80f, 18.20f, 12.34f, 65.5344849f, 20.9008789f, 43.2176819f, 5.33306217f, -13.9566116f,
                 -1.86659992f},
        ExactDay{-12.34f, -23.45f, 98.76f, 2.36852503f, 0.919279516f, 1.6439023f, 1.62351799f, -134.915161f,
                 -16.8780174f},
        ExactDay{15.00f, 15.00f, 1.00f, 17.0534611f, 17.0534611f, 17.0534611f, 0.170534611f, -364.094147f, -40.580307f},
        ExactDay{30.00f, -30.00f, 50.00f, 42.4306488f, 0.501738071f, 21.4661942f, 10.7330971f, 57.17519f,
                 7.97058344f}));

TEST(DewPointRounding, ZeroVapourPressureGivesNaN) {
  // Humidity 0, and a humidity so small that the vapour pressure rounds to 0.
  for (const float hmd : {0.0f, std::numeric_limits<float>::denorm_min()}) {
    const DewPoint day = dew_point(20.0f, 10.0f, hmd);
    EXPECT_EQ(0.0f, day.ea) << hmd;
    EXPECT_TRUE(std::isnan(day.dewpt)) << hmd;
  }
}

// The remembered pressures give bit for bit what the direct formula gives,
// for two-decimal temperatures met again and again, for values between them
// that share an entry, and for values outside the range of entries.
TEST(DewPointRounding, RememberedPressuresChangeNoBit) {
  SaturationPressures pressures;
  std::uint32_t state = 12345;
  const auto next = [&state] { return state = state * 1103515245u + 12345u; };
  for (int i = 0; i < 300000; ++i) {
    float tmp_max = static_cast<float>(static_cast<int>(next() % 20001) - 10000) / 100.0f;
    if (i % 3 == 0) tmp_max = std::nextafter(tmp_max, 1000.0f);  // between two-decimal values
    if (i % 101 == 0) tmp_max = tmp_max * 3.0f;                  // beyond the entries
    const float tmp_min = static_cast<float>(static_cast<int>(next() % 4001) - 2000) / 100.0f;
    const float hmd = static_cast<float>(1 + next() % 10000) / 100.0f;
    ASSERT_TRUE(
        same_float(dew_point(tmp_max, tmp_min, hmd).dewpt, dew_point_temperature(tmp_max, tmp_min, hmd, pressures)))
        << tmp_max << " " << tmp_min << " " << hmd;
  }
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(std::isnan(dew_point_temperature(nan, 10.0f, 50.0f, pressures)));
  EXPECT_TRUE(same_float(dew_point(-0.0f, 0.0f, 50.0f).dewpt, dew_point_temperature(-0.0f, 0.0f, 50.0f, pressures)));
}

}  // namespace
}  // namespace tiral
