// The daily dew point temperature from maximum, minimum temperature and mean
// relative humidity, with every intermediate rounded to single precision.
#pragma once

#include <cstdint>
#include <vector>

namespace tiral {

struct DewPoint {
  float es_max;     // saturation vapour pressure at the maximum temperature, hPa
  float es_min;     // the same at the minimum temperature
  float es;         // the day's mean saturation vapour pressure
  float ea;         // the day's actual vapour pressure
  float numerator;  // of the dew point quotient
  float dewpt;      // degrees Celsius
};

// Arithmetic inside each step is double precision with the single-precision
// values of the decimal constants; each quantity is rounded to single
// precision where it is formed. A vapour pressure of 0 gives a NaN dew point.
DewPoint dew_point(float tmp_max, float tmp_min, float hmd);

// Remembers the saturation vapour pressure of each two-decimal temperature
// met: a month's days repeat the same temperatures, and the pressure of a
// temperature is always the same single-precision value.
class SaturationPressures {
 public:
  float at(float temperature);

 private:
  std::vector<std::uint32_t> temperature_bits_;  // of the entry's temperature
  std::vector<float> pressures_;
};

// The same as dew_point(tmp_max, tmp_min, hmd).dewpt, bit for bit.
float dew_point_temperature(float tmp_max, float tmp_min, float hmd, SaturationPressures& pressures);

}  // namespace tiral
