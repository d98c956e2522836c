#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (and the address and
# undefined-behaviour sanitizers) and runs each for the given seconds; the
# target whole_run is the whole program under AFL++ (fuzz/afl/README.md).
#   fuzz/run_fuzz.sh [SECONDS] [TARGET...]     default: 60 s, every target
# Needs clang, libclang-rt-dev and afl++. Findings land in fuzz/out/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(list_input field_input whole_run)
out=fuzz/out
mkdir -p "$out"
sources=(src/recio/list_input.cpp src/recio/field_input.cpp src/recio/decimal_digits.cpp src/recio/fixed_point.cpp)
for target in "${targets[@]}"; do
  if [ "$target" = whole_run ]; then
    echo "== $target: ${seconds}s"
    fuzz/afl/run.sh "$seconds" "$out/afl"
    continue
  fi
  binary="$out/${target}_fuzz"
  clang++ -std=c++20 -O1 -g -Isrc -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
    "fuzz/${target}_fuzz.cpp" "${sources[@]}" -o "$binary"
  mkdir -p "$out/corpus_$target"
  echo "== $target: ${seconds}s"
  "$binary" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$out/$target-" \
    "$out/corpus_$target" "fuzz/corpus/$target" 2>&1 | grep -E '^(stat::|Done|#[0-9]+ *DONE)|ERROR|SUMMARY' || true
  if ls "$out/$target"-crash-* "$out/$target"-leak-* "$out/$target"-timeout-* >/dev/null 2>&1; then
    echo "$target: findings in $out" >&2
    exit 1
  fi
done
