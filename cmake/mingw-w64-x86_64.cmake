# Cross build for 64-bit Windows with MinGW-w64; tests run under Wine.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TIRAL_MINGW_PREFIX x86_64-w64-mingw32)
# The posix thread model gives the tests std::thread and std::mutex.
find_program(CMAKE_CXX_COMPILER NAMES ${TIRAL_MINGW_PREFIX}-g++-posix ${TIRAL_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${TIRAL_MINGW_PREFIX}-gcc-posix ${TIRAL_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TIRAL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TIRAL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# One self-contained .exe: no libstdc++, libgcc or winpthread DLL to ship.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(TIRAL_WINE NAMES wine wine64)
if(TIRAL_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TIRAL_WINE})
endif()
