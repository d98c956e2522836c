// The daily dew point temperature from maximum, minimum temperature and mean
// relative humidity, with every intermediate rounded to single precision.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

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
// temperature is always the same single-precision value, so one memory may
// serve every month of a run.
class SaturationPressures {
 public:
  float at(float temperature);

 private:
  struct Entry {
    std::uint32_t inverted_bits;  // of the entry's temperature; 0 (a NaN's inverse) for none
    float pressure;
  };
  struct Free {
    void operator()(Entry* entries) const { std::free(entries); }
  };
  // Zeroed by the system as its pages are first touched: a run meets only a
  // small band of the temperatures, and clearing all of them would cost more
  // than a short run's whole analysis.
  std::unique_ptr<Entry[], Free> entries_;
};

// The same as dew_point(tmp_max, tmp_min, hmd).dewpt, bit for bit.
float dew_point_temperature(float tmp_max, float tmp_min, float hmd, SaturationPressures& pressures);

}  // namespace tiral
