#!/usr/bin/env bash
# Builds the program and runs every test: the normal build, the whole suite
# again under the address and undefined-behaviour sanitizers, a short fuzz run,
# the small whole-run benchmark, and the Windows build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

# What the build and the tests need, from Debian's packages, when missing.
packages=(cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev python3 bc time valgrind clang libclang-rt-dev
  groff-base man-db afl++ parallel mawk librsvg2-bin libxml2-utils lintian
  openssh-server openssh-client rsync)
if ! dpkg -s "${packages[@]}" >/dev/null 2>&1; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y "${packages[@]}"
fi

# Warnings are errors in every build here, and so in CI; the default build
# only shows them. The exhaustive checks of the number fields run here only.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIRAL_WERROR=ON -DTIRAL_EXHAUSTIVE=ON -DTIRAL_BENCHMARKS=ON
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTIRAL_SANITIZE=ON -DTIRAL_BENCHMARKS=OFF -DTIRAL_WERROR=ON \
  -DTIRAL_EXHAUSTIVE=ON
cmake --build build-sanitize -j"$jobs"
ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

# The benchmarks build with the normal build; their whole-run script must run.
bench/run_whole.sh --small

# A short run of each fuzz target over its seed corpus, the whole program's too.
fuzz/run_fuzz.sh "${FUZZ_SECONDS:-15}"

# The Windows build, tested under Wine.
bash tests/windows/run_windows_tests.sh

# Every stage above stops the script when it fails: reaching here is the verdict.
echo "tests: build, sanitizers, fuzz, benchmark, packages, windows: all passed"
