#!/usr/bin/env bash
# Builds the program and runs every test, in named stages that can also run
# one by one:
#   fast        the normal build: unit tests, end-to-end runs, vectors, the
#               exhaustive checks of the number fields
#   sanitizers  the whole suite again under the address and undefined-
#               behaviour sanitizers
#   fuzz        a short run of each fuzz target, the whole program's too
#   benchmark   the small whole-run benchmark
#   packages    the installed tree, the tarball, the Debian package, the
#               manual page, the README's recipes, the chart
#   windows     the Windows build, tested under Wine
#
#   bash tests/run_all.sh                 every stage, in this order
#   bash tests/run_all.sh fast windows    the stages named
#
# Each stage stops the script when it fails; the last line names the stages
# that passed.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
all_stages=(fast sanitizers fuzz benchmark packages windows)

# Warnings are errors in every build here, and so in CI; the default build
# only shows them. The exhaustive checks of the number fields run here only.
build_main() {
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIRAL_WERROR=ON -DTIRAL_EXHAUSTIVE=ON -DTIRAL_BENCHMARKS=ON
  cmake --build build -j"$jobs"
}

stage_fast() {
  build_main
  ctest --test-dir build --output-on-failure -j"$jobs" -LE packages
}

stage_sanitizers() {
  cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTIRAL_SANITIZE=ON -DTIRAL_BENCHMARKS=OFF -DTIRAL_WERROR=ON \
    -DTIRAL_EXHAUSTIVE=ON
  cmake --build build-sanitize -j"$jobs"
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
}

stage_fuzz() { fuzz/run_fuzz.sh "${FUZZ_SECONDS:-15}"; }

stage_benchmark() {
  build_main
  bench/run_whole.sh --small
}

stage_packages() {
  build_main
  ctest --test-dir build --output-on-failure -j"$jobs" -L packages
}

stage_windows() { bash tests/windows/run_windows_tests.sh; }

stages=("$@")
[ "${#stages[@]}" -gt 0 ] || stages=("${all_stages[@]}")
for stage in "${stages[@]}"; do
  if ! declare -F "stage_$stage" >/dev/null; then
    echo "run_all.sh: no stage '$stage'; the stages: ${all_stages[*]}" >&2
    exit 2
  fi
done

bash tools/install-test-packages.sh
for stage in "${stages[@]}"; do
  echo "== stage $stage"
  "stage_$stage"
done

# Every stage above stops the script when it fails: reaching here is the verdict.
joined=$(printf '%s, ' "${stages[@]}")
echo "tests: ${joined%, }: all passed"
