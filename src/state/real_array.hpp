// The storage of one daily column.
#pragma once

#include <cstdint>

namespace tiral {

// A single-precision array indexed from 1, because days are numbered from 1:
// day 1 is 1 January of the first year, so an index is a day number unchanged.
struct RealArray {
  float* storage = nullptr;  // none for zero elements
  std::int32_t count = 0;
  bool allocated = false;

  float& operator[](std::int32_t index) { return storage[index - 1]; }
  float operator[](std::int32_t index) const { return storage[index - 1]; }
};

}  // namespace tiral
