// Storage of the daily arrays: allocated once at exact size, released once.
#pragma once

#include <cstdint>

namespace recio {

// A single-precision array indexed from 1, because days are numbered from 1:
// day 1 is 1 January of the first year, so an index is a day number unchanged.
struct RealArray {
  float* storage = nullptr;  // none for zero elements
  std::int32_t count = 0;
  bool allocated = false;

  float& operator[](std::int32_t index) { return storage[index - 1]; }
  float operator[](std::int32_t index) const { return storage[index - 1]; }
};

// Expects an unallocated array (asserted: the run allocates each array once).
// Fatal "insufficient virtual memory" (41) when storage cannot be had.
// The elements are not initialised.
void allocate_array(RealArray& array, std::int32_t count);

// Grows or shrinks `array` to `count` elements, keeping those both sizes
// hold; an unallocated array is allocated. Never fatal: false, with the array
// as it was, when the memory cannot be had.
bool resize_array(RealArray& array, std::int32_t count);

// Hands the allocated `from` over to `to`, leaving `from` unallocated; `to`
// must be unallocated (asserted).
void move_array(RealArray& to, RealArray& from);

// Expects an allocated array (asserted: the run releases each array once).
void release_array(RealArray& array);

}  // namespace recio
