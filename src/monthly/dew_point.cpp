#include "monthly/dew_point.hpp"

#include <cmath>

namespace tiral {

namespace {

// The constants as single-precision values, widened exactly.
constexpr double c17_27 = 17.27f;
constexpr double c237_3 = 237.3f;
constexpr double c6_108 = 6.108f;
constexpr double c2_0 = 2.0f;
constexpr double c100_0 = 100.0f;
constexpr double c234_18 = 234.18f;
constexpr double c184_2 = 184.2f;
constexpr double c8_204 = 8.204f;

float saturation_vapour_pressure(float temperature) {
  const double t = temperature;
  return static_cast<float>(std::exp((c17_27 * t) / (t + c237_3)) * c6_108);
}

}  // namespace

DewPoint dew_point(float tmp_max, float tmp_min, float hmd) {
  DewPoint day{};
  day.es_max = saturation_vapour_pressure(tmp_max);
  day.es_min = saturation_vapour_pressure(tmp_min);
  day.es = static_cast<float>((static_cast<double>(day.es_min) + static_cast<double>(day.es_max)) / c2_0);
  day.ea = static_cast<float>((static_cast<double>(day.es) * static_cast<double>(hmd)) / c100_0);
  const double log_ea = std::log10(static_cast<double>(day.ea));
  day.numerator = static_cast<float>(c234_18 * log_ea - c184_2);
  // The denominator stays in double.
  day.dewpt = static_cast<float>(static_cast<double>(day.numerator) / (c8_204 - log_ea));
  return day;
}

}  // namespace tiral
