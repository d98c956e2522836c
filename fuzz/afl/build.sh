#!/usr/bin/env bash
# Builds the whole-run harness with AFL++'s compiler and the address and
# undefined-behaviour sanitizers, into build-afl/ (or the folder given).
#   fuzz/afl/build.sh [BUILD_FOLDER]
# Prints the harness's path last.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build-afl}
# The link-time instrumentation has no collisions in its coverage map; the
# plain one serves where the LTO tools do not work.
compiler=afl-clang-fast++
if command -v afl-clang-lto++ >/dev/null && echo 'int main(){}' | afl-clang-lto++ -x c++ - -o /dev/null >/dev/null 2>&1; then
  compiler=afl-clang-lto++
fi
export AFL_QUIET=1
CXX=$compiler cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIRAL_SANITIZE=ON \
  -DTIRAL_BENCHMARKS=OFF -DTIRAL_AFL_HARNESS=ON -DBUILD_TESTING=OFF -DTIRAL_WERROR=ON >/dev/null
cmake --build "$build" --target whole_run_harness -j"$(( $(nproc) < 2 ? $(nproc) : 2 ))" >/dev/null
echo "$PWD/$build/fuzz/afl/whole_run_harness"
