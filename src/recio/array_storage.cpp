#include "recio/array_storage.hpp"

#include <cassert>

#include "platform/platform.hpp"
#include "recio/run_end.hpp"
#include "recio/units.hpp"

namespace recio {

void allocate_array(RealArray& array, std::int32_t count) {
  assert(!array.allocated && "an array is allocated once");
  array.storage = nullptr;
  array.count = count > 0 ? count : 0;
  if (array.count > 0) {
    // Left untouched here: the reader's second pass writes every element once.
    array.storage =
        static_cast<float*>(platform::allocate_storage(static_cast<std::size_t>(array.count) * sizeof(float)));
    if (array.storage == nullptr) fatal_diagnostic(Message::no_memory, 0, "");
  }
  array.allocated = true;
}

bool resize_array(RealArray& array, std::int32_t count) {
  const std::int32_t wanted = count > 0 ? count : 0;
  if (wanted == 0) {
    platform::release_storage(array.storage);
    array.storage = nullptr;
  } else {
    const std::size_t bytes = static_cast<std::size_t>(wanted) * sizeof(float);
    void* resized =
        array.storage == nullptr ? platform::allocate_storage(bytes) : platform::resize_storage(array.storage, bytes);
    // A refused shrink keeps the larger storage: its first elements serve.
    if (resized == nullptr && wanted > array.count) return false;
    if (resized != nullptr) array.storage = static_cast<float*>(resized);
  }
  array.count = wanted;
  array.allocated = true;
  return true;
}

void move_array(RealArray& to, RealArray& from) {
  assert(!to.allocated && "an array is allocated once");
  to = from;
  from = RealArray{};
}

void release_array(RealArray& array) {
  assert(array.allocated && "only an allocated array is released");
  platform::release_storage(array.storage);
  array.storage = nullptr;
  array.count = 0;
  array.allocated = false;
}

}  // namespace recio
