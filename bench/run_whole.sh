#!/usr/bin/env bash
# Whole-run benchmark: times tiral on generated inputs of 3,653, 1 million and
# 10 million records against the parse floor (reading and parsing the same
# file once with std::from_chars), and prints one table row per size.
#   bench/run_whole.sh            all three sizes
#   bench/run_whole.sh --small    only the 3,653-record input (what CI runs)
# Expects the build in build/ (BUILD=dir to change it).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
sizes=(3653 1000000 10000000)
[ "${1:-}" = "--small" ] && sizes=(3653)
data=bench/data
mkdir -p "$data"

median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
seconds() { local start end; start=$(date +%s.%N); "$@" >/dev/null 2>&1; end=$(date +%s.%N); echo "$end - $start" | bc -l; }
run_tiral() { (cd "$data" && printf '%s\nreport_%s.txt\n1991\n' "$1" "$2" | "../../$build/tiral"); }

printf '| records | input MB | wall median s | MB/s | peak RSS MB | bytes/record | floor median s | ratio to floor |\n'
printf '|---:|---:|---:|---:|---:|---:|---:|---:|\n'
for n in "${sizes[@]}"; do
  file="climate_$n.txt"
  [ -s "$data/$file" ] || python3 examples/generate_climate.py --records "$n" --output "$data/$file"
  runs=5
  [ "$n" -ge 10000000 ] && runs=3
  cat "$data/$file" >/dev/null  # into the page cache
  bytes=$(stat -c %s "$data/$file")
  walls=$(for _ in $(seq "$runs"); do seconds run_tiral "$file" "$n"; done | median)
  floors=$(for _ in $(seq "$runs"); do seconds "$build/bench/parse_floor" "$data/$file"; done | median)
  rss_kb=$( { /usr/bin/time -f '%M' bash -c "cd '$data' && printf '%s\nreport_%s.txt\n1991\n' '$file' '$n' | '../../$build/tiral' >/dev/null"; } 2>&1 | tail -n 1)
  awk -v n="$n" -v b="$bytes" -v w="$walls" -v f="$floors" -v r="$rss_kb" 'BEGIN {
    printf "| %d | %.1f | %.3f | %.1f | %.1f | %.1f | %.3f | %.2f |\n", n, b/1e6, w, b/1e6/w, r/1024, r*1024/n, f, w/f }'
done
