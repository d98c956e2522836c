#include "monthly/dew_point.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tiral {
namespace {

using test_support::same_float;


struct WorkedDay {
  float tmp_max, tmp_min, hmd;
  double es_max, es_min, es, ea, numerator, dewpt;
};

class DewPointWorkedDay : public ::testing::TestWithParam<WorkedDay> {};

// Values worked out by hand to five decimals.
TEST_P(DewPointWorkedDay, EveryIntermediateToFiveDecimals) {
  const WorkedDay& w = GetParam();
  const DewPoint day = dew_point(w.tmp_max, w.tmp_min, w.hmd);
  constexpr double tolerance = 5e-6;
  EXPECT_NEAR(w.es_max, day.es_max, tolerance);
  EXPECT_NEAR(w.es_min, day.es_min, tolerance);
  EXPECT_NEAR(w.es, day.es, tolerance);
  EXPECT_NEAR(w.ea, day.ea, tolerance);
  EXPECT_NEAR(w.numerator, day.numerator, tolerance);
  EXPECT_NEAR(w.dewpt, day.dewpt, tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    DewPoint, DewPointWorkedDay,
    ::testing::Values(WorkedDay{20.00f, 10.00f, 70.00f, 23.38281, 12.27963, 17.83122, 12.48185, 72.52663, 10.20392},
                      WorkedDay{0.00f, -10.00f, 90.00f, 6.10800, 2.85711, 4.48255, 4.03430, -42.34122, -5.57251}));

// The day computed step by step with each quantity rounded to single
// precision where it is formed, the constants taken as single-precision values.
DewPoint reference_day(float tmp_max, float tmp_min, float hmd) {
  const double c1 = 17.27f, c2 = 237.3f, c3 = 6.108f, two = 2.0f, hundred = 100.0f;
  const double a = 234.18f, b = 184.2f, d = 8.204f;
  auto saturation = [&](float t) {
    const double td = t;
    return static_cast<float>(std::exp((c1 * td) / (td + c2)) * c3);
  };
  DewPoint r{};
  r.es_max = saturation(tmp_max);
  r.es_min = saturation(tmp_min);
  r.es = static_cast<float>((double{r.es_min} + double{r.es_max}) / two);
  r.ea = static_cast<float>((double{r.es} * double{hmd}) / hundred);
  const double l = std::log10(double{r.ea});
  r.numerator = static_cast<float>(a * l - b);
  r.dewpt = static_cast<float>(double{r.numerator} / (d - l));
  return r;
}

TEST(DewPointRounding, EveryIntermediateIsTheSinglePrecisionValueOfItsStep) {
  int days = 0;
  for (float tmp_max = -40.0f; tmp_max <= 45.0f; tmp_max += 2.37f) {
    for (float spread = 0.0f; spread <= 25.0f; spread += 3.13f) {
      for (float hmd = 0.01f; hmd <= 100.0f; hmd += 6.71f) {
        const float tmp_min = tmp_max - spread;
        const DewPoint want = reference_day(tmp_max, tmp_min, hmd);
        const DewPoint got = dew_point(tmp_max, tmp_min, hmd);
        SCOPED_TRACE(::testing::Message() << "day " << tmp_max << " " << tmp_min << " " << hmd);
        ASSERT_TRUE(same_float(want.es_max, got.es_max));
        ASSERT_TRUE(same_float(want.es_min, got.es_min));
        ASSERT_TRUE(same_float(want.es, got.es));
        ASSERT_TRUE(same_float(want.ea, got.ea));
        ASSERT_TRUE(same_float(want.numerator, got.numerator));
        ASSERT_TRUE(same_float(want.dewpt, got.dewpt));
        ++days;
      }
    }
  }
  EXPECT_EQ(4320, days);
}

// The dew points of a few days worked out separately in single-precision
// steps; written to nine digits, each names one float exactly.
TEST(DewPointRounding, SeparatelyWorkedDewPoints) {
  EXPECT_TRUE(same_float(3.44476628f, dew_point(12.30f, -5.25f, 85.00f).dewpt));
  EXPECT_TRUE(same_float(10.2039213f, dew_point(20.00f, 10.00f, 70.00f).dewpt));
  EXPECT_TRUE(same_float(-5.57250929f, dew_point(0.00f, -10.00f, 90.00f).dewpt));
  EXPECT_TRUE(same_float(15.2299585f, dew_point(33.33f, 21.07f, 45.55f).dewpt));
}

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
    ASSERT_TRUE(same_float(dew_point(tmp_max, tmp_min, hmd).dewpt,
                           dew_point_temperature(tmp_max, tmp_min, hmd, pressures)))
        << tmp_max << " " << tmp_min << " " << hmd;
  }
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_TRUE(std::isnan(dew_point_temperature(nan, 10.0f, 50.0f, pressures)));
  EXPECT_TRUE(same_float(dew_point(-0.0f, 0.0f, 50.0f).dewpt, dew_point_temperature(-0.0f, 0.0f, 50.0f, pressures)));
}

}  // namespace
}  // namespace tiral
