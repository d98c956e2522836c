#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (and the address and
# undefined-behaviour sanitizers) into build-fuzz/ and runs each for the given
# seconds; the target whole_run is the whole program under AFL++
# (fuzz/afl/README.md). A target is a file fuzz/NAME_fuzz.cpp, which CMake
# builds as NAME_fuzz.
#   fuzz/run_fuzz.sh [SECONDS] [TARGET...]     default: 60 s, every target
# Needs clang, libclang-rt-dev and afl++. Findings land in fuzz/out/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*_fuzz.cpp; do
    name=${source##*/}
    targets+=("${name%_fuzz.cpp}")
  done
  targets+=(whole_run)
fi
out=fuzz/out
build=${LIBFUZZER_BUILD_FOLDER:-build-fuzz}
mkdir -p "$out"
CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIRAL_SANITIZE=ON -DTIRAL_LIBFUZZER=ON \
  -DTIRAL_BENCHMARKS=OFF -DBUILD_TESTING=OFF -DTIRAL_WERROR=ON >/dev/null
for target in "${targets[@]}"; do
  if [ "$target" = whole_run ]; then
    echo "== $target: ${seconds}s"
    fuzz/afl/run.sh "$seconds" "$out/afl"
    continue
  fi
  cmake --build "$build" --target "${target}_fuzz" -j"$(nproc)" >/dev/null
  binary="$build/fuzz/${target}_fuzz"
  mkdir -p "$out/corpus_$target"
  echo "== $target: ${seconds}s"
  "$binary" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/$target-" \
    "$out/corpus_$target" "fuzz/corpus/$target" 2>&1 | grep -E '^(stat::|Done|#[0-9]+ *DONE)|ERROR|SUMMARY' || true
  if ls "$out/$target"-crash-* "$out/$target"-leak-* "$out/$target"-timeout-* >/dev/null 2>&1; then
    echo "$target: findings in $out" >&2
    exit 1
  fi
done
