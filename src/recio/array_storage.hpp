// Storage of the daily arrays: allocated once at exact size, released once.
#pragma once

#include <cstdint>

#include "state/real_array.hpp"

namespace recio {

using tiral::RealArray;

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
