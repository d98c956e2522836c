#include "monthly/dew_point.hpp"

#include <cstdlib>
#include <cstring>
#include <new>

#include "monthly/correctly_rounded.hpp"

namespace tiral {

namespace {

// The constants as single-precision values, widened exactly.
constexpr double c17_27 = static_cast<double>(17.27f);
constexpr double c237_3 = static_cast<double>(237.3f);
constexpr double c6_108 = static_cast<double>(6.108f);
constexpr double c2_0 = static_cast<double>(2.0f);
constexpr double c100_0 = static_cast<double>(100.0f);
constexpr double c234_18 = static_cast<double>(234.18f);
constexpr double c184_2 = static_cast<double>(184.2f);
constexpr double c8_204 = static_cast<double>(8.204f);

float saturation_vapour_pressure(float temperature) {
  const double t = static_cast<double>(temperature);
  return static_cast<float>(correctly_rounded_exp((c17_27 * t) / (t + c237_3)) * c6_108);
}

DewPoint from_pressures(float es_max, float es_min, float hmd) {
  DewPoint day{};
  day.es_max = es_max;
  day.es_min = es_min;
  day.es = static_cast<float>((static_cast<double>(day.es_min) + static_cast<double>(day.es_max)) / c2_0);
  day.ea = static_cast<float>((static_cast<double>(day.es) * static_cast<double>(hmd)) / c100_0);
  const double log_ea = correctly_rounded_log10(static_cast<double>(day.ea));
  day.numerator = static_cast<float>(c234_18 * log_ea - c184_2);
  // The denominator stays in double.
  day.dewpt = static_cast<float>(static_cast<double>(day.numerator) / (c8_204 - log_ea));
  return day;
}

// Temperatures in hundredths from -100.00 to 100.00 have an entry each.
constexpr long lowest_hundredths = -10000;
constexpr std::size_t entry_count = 20001;

}  // namespace

DewPoint dew_point(float tmp_max, float tmp_min, float hmd) {
  return from_pressures(saturation_vapour_pressure(tmp_max), saturation_vapour_pressure(tmp_min), hmd);
}

float SaturationPressures::at(float temperature) {
  if (!(temperature >= -100.0f && temperature <= 100.0f)) return saturation_vapour_pressure(temperature);
  if (!entries_) {
    entries_.reset(static_cast<Entry*>(std::calloc(entry_count, sizeof(Entry))));
    // A failure ends the run as every other failed allocation does.
    if (!entries_) {
      if (const std::new_handler handler = std::get_new_handler()) handler();
      throw std::bad_alloc();
    }
  }
  // The nearest hundredth, counted from -100.00: from 0 to 20000.
  const auto entry = static_cast<std::size_t>(static_cast<double>(temperature) * 100.0 - lowest_hundredths + 0.5);
  std::uint32_t bits;
  std::memcpy(&bits, &temperature, sizeof bits);
  // An entry serves only the very value it was computed for.
  Entry& remembered = entries_[entry];
  if (remembered.inverted_bits != ~bits) {
    remembered.inverted_bits = ~bits;
    remembered.pressure = saturation_vapour_pressure(temperature);
  }
  return remembered.pressure;
}

float dew_point_temperature(float tmp_max, float tmp_min, float hmd, SaturationPressures& pressures) {
  return from_pressures(pressures.at(tmp_max), pressures.at(tmp_min), hmd).dewpt;
}

}  // namespace tiral
