#!/usr/bin/env bash
# Whole-run benchmark: tiral side by side with what a user could pick instead
# and with the least any reader of the file must do, on generated inputs of
# 3,653 (ten years), 1 million and 10 million records, and a batch of 1,000
# ten-year stations through the README's `xargs -P` recipe.
#   bench/run_whole.sh            everything (several minutes)
#   bench/run_whole.sh --small    only the ten-year file: tiral, the floor and,
#                                 where mawk is installed, the awk peer (CI)
# Expects the build in build/ (BUILD=dir to change it) and the peers in
# ../shared/perf (PEERS=dir); a peer whose tools are missing is left out.
# SIZES="3653 1000000" picks the inputs, STATIONS=n the batch size; BEFORE=path/to/an/older/tiral adds that
# program's rows, measured in the same rounds, for a table of before and after.
set -euo pipefail
before=${BEFORE:+$(realpath "$BEFORE")}
cd "$(dirname "$0")/.."
root=$PWD
build=$(realpath "${BUILD:-build}")
peers=$(realpath -m "${PEERS:-../shared/perf}")
small=0
[ "${1:-}" = "--small" ] && small=1
read -ra sizes <<<"${SIZES:-3653 1000000 10000000}"
((small)) && sizes=(3653)
stations=${STATIONS:-1000}
data=$root/bench/data
mkdir -p "$data"

tiral=$build/tiral
[ -x "$tiral" ] || { echo "no $tiral: build first" >&2; exit 1; }

# The floor: the shared one when it is there (built here once), else ours.
floor=("$build/bench/parse_floor")
if [ -f "$peers/floor_parse.cpp" ]; then
  if [ ! -x "$build/bench/floor_parse" ] || [ "$peers/floor_parse.cpp" -nt "$build/bench/floor_parse" ]; then
    g++ -O2 -std=c++17 -o "$build/bench/floor_parse" "$peers/floor_parse.cpp"
  fi
  floor=("$build/bench/floor_parse" --chunked)
fi
have_mawk=0
[ -f "$peers/peer_awk.sh" ] && command -v mawk >/dev/null && have_mawk=1
# The Debian numpy and pandas, which another python3 on PATH may lack.
python=""
for p in python3 /usr/bin/python3; do
  if command -v "$p" >/dev/null && "$p" -c 'import numpy' 2>/dev/null; then
    python=$p
    break
  fi
done
have_numpy=0 have_pandas=0
if ((!small)) && [ -n "$python" ] && [ -f "$peers/peer_numpy.py" ]; then
  have_numpy=1
  "$python" -c 'import pandas' 2>/dev/null && [ -f "$peers/peer_pandas.py" ] && have_pandas=1
fi
# The variables some processors here need for an old OpenBLAS slow a current
# numpy down: unset for the peers' commands only.
numpy_env=(env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE)

median() { sort -g | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
# Wall seconds of one command, its input from $1 (a file or /dev/null).
seconds() {
  local input=$1 start end
  shift
  start=$EPOCHREALTIME
  "$@" <"$input" >/dev/null 2>&1
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" 'BEGIN {printf "%.6f\n", e - s}'
}
peak_kb() {
  local input=$1
  shift
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -o "$data/peak.kb" -f '%M' "$@" <"$input" >/dev/null 2>&1 || true
    tail -n 1 "$data/peak.kb"
  else
    echo 0
  fi
}

if [ "$have_numpy" = 1 ] && "$python" -c 'import threadpoolctl' 2>/dev/null; then
  echo "numpy peer: $("${numpy_env[@]}" "$python" - <<'PY'
import numpy, threadpoolctl
pools = threadpoolctl.threadpool_info()
print("numpy", numpy.__version__, "; ".join(
    "%s %s, %s threads" % (p.get("internal_api"), p.get("architecture"), p.get("num_threads")) for p in pools))
PY
)"
fi
echo "machine: $(nproc) cores, $(lscpu 2>/dev/null | sed -n 's/^Model name: *//p' | head -n 1); load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
printf '| records | program | wall median s | MB/s | peak RSS MB | bytes/record | times tiral |\n'
printf '|---:|---|---:|---:|---:|---:|---:|\n'
cd "$data"
summary=()
for n in "${sizes[@]}"; do
  file="climate_$n.txt"
  [ -s "$file" ] || python3 "$root/examples/generate_climate.py" --records "$n" --output "$file"
  printf '%s\nreport_%s.txt\n1991\n' "$file" "$n" >"answers_$n"
  cat "$file" >/dev/null # into the page cache
  bytes=$(stat -c %s "$file")
  runs=31
  [ "$n" -ge 1000000 ] && runs=5
  [ "$n" -ge 10000000 ] && runs=3
  # name|input|command...; every program once a round, so that all see the same load.
  programs=("tiral|answers_$n|$tiral" "floor|/dev/null|${floor[*]} $file")
  [ -n "$before" ] && programs+=("tiral before|answers_$n|$before")
  ((have_mawk)) && [ "$n" -le 1000000 ] && programs+=("mawk peer|/dev/null|sh $peers/peer_awk.sh $file 1991")
  ((have_numpy)) && programs+=("numpy loadtxt|/dev/null|${numpy_env[*]} $python $peers/peer_numpy.py --reader loadtxt $file 1991")
  ((have_pandas)) && programs+=("pandas read_csv|/dev/null|${numpy_env[*]} $python $peers/peer_pandas.py $file 1991")
  declare -A times=()
  for round in $(seq "$runs"); do
    # Each round starts with another program: none always runs just after
    # the Python peers, whose exit leaves the machine busy for a moment.
    for k in "${!programs[@]}"; do
      p=${programs[$(((k + round) % ${#programs[@]}))]}
      IFS='|' read -r name input command <<<"$p"
      read -ra words <<<"$command"
      times[$name]+="$(seconds "$input" "${words[@]}") "
    done
  done
  declare -A medians=()
  for p in "${programs[@]}"; do
    IFS='|' read -r name input command <<<"$p"
    read -ra words <<<"$command"
    medians[$name]=$(tr ' ' '\n' <<<"${times[$name]}" | grep . | median)
    rss=$(peak_kb "$input" "${words[@]}")
    awk -v n="$n" -v name="$name" -v b="$bytes" -v w="${medians[$name]}" -v t="${medians[tiral]}" -v r="$rss" 'BEGIN {
      printf "| %d | %s | %.4f | %.1f | %.1f | %.1f | %.2f |\n", n, name, w, b/1e6/w, r/1024, r*1024/n, w/t }'
  done
  summary+=("$(awk -v n="$n" -v t="${medians[tiral]}" -v f="${medians[floor]}" -v m="${medians[mawk peer]:-}" \
    -v p="${medians[numpy loadtxt]:-}" -v o="${medians[tiral before]:-}" 'BEGIN {
      printf "%d records: tiral %.2f times the floor", n, t/f
      if (o != "") printf " (before: %.2f)", o/f
      if (m != "") printf ", mawk peer %.2f times tiral", m/t
      if (p != "") printf ", numpy loadtxt %.2f times tiral", p/t }')")
  unset times medians
done
echo
printf '%s\n' "${summary[@]}"
((small)) && exit 0

# A dated file against the same values without dates: 8,000 years from 1901,
# YYYY-MM-DD,tmax,tmin,hmd under a header line. Instructions by callgrind
# (the same count on a busy machine), when valgrind is there.
if [ "${DATED:-1}" = 1 ]; then
  undated=climate_8000_years.txt dated=climate_8000_years_dated.csv
  [ -s "$undated" ] || python3 "$root/examples/generate_climate.py" --first-year 1901 --years 8000 --output "$undated"
  [ -s "$dated" ] || awk 'BEGIN {
      print "DATE,TMAX,TMIN,RH"; y = 1901; m = 1; d = 1; split("31 28 31 30 31 30 31 31 30 31 30 31", days) }
    { printf "%04d-%02d-%02d,%s,%s,%s\n", y, m, d, $1, $2, $3
      n = days[m] + (m == 2 && y % 4 == 0 && (y % 100 != 0 || y % 400 == 0))
      if (++d > n) { d = 1; if (++m > 12) { m = 1; y++ } } }' "$undated" >"$dated"
  printf '%s\nreport_8000_undated.txt\n1901\n' "$undated" >answers_8000_undated
  printf '%s\nreport_8000_dated.txt\n1901\n' "$dated" >answers_8000_dated
  cat "$undated" "$dated" >/dev/null
  declare -A dated_times=()
  for round in 1 2 3 4 5; do
    for kind in undated dated; do dated_times[$kind]+="$(seconds "answers_8000_$kind" "$tiral") "; done
  done
  records=$(wc -l <"$undated")
  echo
  printf '| %s records, 1901-9900 | wall median s | peak RSS MB | bytes/record | instructions | times undated |\n' "$records"
  printf '|---|---:|---:|---:|---:|---:|\n'
  for kind in undated dated; do
    wall=$(tr ' ' '\n' <<<"${dated_times[$kind]}" | grep . | median)
    rss=$(peak_kb "answers_8000_$kind" "$tiral")
    instructions=-
    if command -v valgrind >/dev/null; then
      valgrind --tool=callgrind --callgrind-out-file=/dev/null "$tiral" <"answers_8000_$kind" >/dev/null 2>callgrind.log || true
      instructions=$(sed -n 's/.*Collected : //p' callgrind.log)
    fi
    [ "$kind" = undated ] && base=$wall
    awk -v k="$kind" -v w="$wall" -v r="$rss" -v n="$records" -v i="$instructions" -v b="$base" 'BEGIN {
      printf "| %s | %.3f | %.1f | %.1f | %s | %.2f |\n", k, w, r/1024, r*1024/n, i, w/b }'
  done
  cmp -s <(tail -n +3 report_8000_undated.txt) <(tail -n +3 report_8000_dated.txt) ||
    echo "the dated file's report differs from the undated one's" >&2
fi

# The batch: one station per file, the README's recipe, on all cores.
batch=$data/stations
rm -rf "$batch"
mkdir -p "$batch/reports"
# The batch's station, also when SIZES left the ten-year file out.
[ -s climate_3653.txt ] || python3 "$root/examples/generate_climate.py" --records 3653 --output climate_3653.txt
for i in $(seq -w 1 "$stations"); do cp climate_3653.txt "$batch/station_$i.txt"; done
cd "$batch"
batch_seconds() {
  local start end
  start=$EPOCHREALTIME
  "$@"
  end=$EPOCHREALTIME
  awk -v s="$start" -v e="$end" 'BEGIN {printf "%.6f\n", e - s}'
}
tiral_batch() {
  printf '%s\0' station_*.txt | PATH="$build:$PATH" xargs -0 -P "$(nproc)" -I {} sh -c \
    'printf "\"%s\"\n\"reports/%s\"\n1991\n" "$1" "$1" | tiral >/dev/null || exit 255' _ {}
}
mawk_batch() {
  printf '%s\0' station_*.txt | PEER="$peers/peer_awk.sh" xargs -0 -P "$(nproc)" -I {} sh -c \
    'sh "$PEER" "$1" 1991 >"reports/$1.awk" || exit 255' _ {}
}
echo
echo "| $stations stations of 10 years, xargs -P $(nproc) | wall median s | stations/s |"
echo "|---|---:|---:|"
before_batch() {
  printf '%s\0' station_*.txt | BEFORE_TIRAL="$before" xargs -0 -P "$(nproc)" -I {} sh -c \
    'printf "\"%s\"\n\"reports/%s\"\n1991\n" "$1" "$1" | "$BEFORE_TIRAL" >/dev/null || exit 255' _ {}
}
jobs=(tiral)
((have_mawk)) && jobs+=(mawk)
[ -n "$before" ] && jobs+=(before)
declare -A batch_times=()
for _ in 1 2 3; do
  for job in "${jobs[@]}"; do batch_times[$job]+="$(batch_seconds "${job}_batch") "; done
done
for job in "${jobs[@]}"; do
  walls=$(tr ' ' '\n' <<<"${batch_times[$job]}" | grep . | median)
  awk -v j="$job" -v w="$walls" -v s="$stations" 'BEGIN {printf "| %s | %.3f | %.0f |\n", j, w, s/w}'
done
cd "$data"
rm -rf "$batch"
