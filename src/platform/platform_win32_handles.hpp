// What the files of the Win32 side share: the system's view of a handle and
// the hexadecimal numbers of the names they make. Included by the Win32 side
// only.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/platform.hpp"

namespace platform {

inline HANDLE to_native(FileHandle handle) { return reinterpret_cast<HANDLE>(handle.value); }

inline FileHandle from_native(HANDLE handle) { return {reinterpret_cast<std::intptr_t>(handle)}; }

// Lower-case digits, no leading zeros.
inline std::string hex(std::uint32_t value) {
  char digits[8];
  int count = 0;
  do {
    digits[count++] = "0123456789abcdef"[value & 0xFu];
    value >>= 4;
  } while (value != 0);
  std::string text;
  while (count > 0) text += digits[--count];
  return text;
}

}  // namespace platform
