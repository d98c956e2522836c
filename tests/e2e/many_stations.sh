#!/usr/bin/env bash
# Eight stations at once in one folder, sharing one TMPDIR, started as the
# README's batch starts them (xargs -P, three answers on standard input):
# every report and console transcript byte for byte as its vector expects,
# every input unchanged, no work file left, nothing else made.
#   many_stations.sh TIRAL VECTORS_DIR
# Exits 77 (skipped) when the vectors are not there.
set -euo pipefail
tiral=$(realpath "$1")
vectors=$2
# Different lengths, first years, leap rules and no-data patterns.
stations=(typical_10_years_1991 dew_point_rounding_points leap_first_year_4_years
  century_year_not_leap one_year_2001 halfway_values_round_away humidity_rounding_to_zero crlf_line_ends)
if [ ! -d "$vectors/${stations[0]}" ]; then
  echo "no vectors in $vectors"
  exit 77
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/stations" "$work/stations/reports" "$work/tmp" "$work/expected" "$work/runs"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Each vector names its input climate.txt and answers climate.txt, report.txt
# and its year; here every station has a name of its own, which the report
# shows in its second record, " Input Filename    = " and the name in 50 columns.
name_record() { printf ' Input Filename    = %-50s\r\n' "$1"; }
for s in "${stations[@]}"; do
  v=$vectors/$s
  year=$(sed -n 3p "$v/answers")
  if [ "$(cat "$v/input-name")" != climate.txt ] || [ "$(sed -n 1,2p "$v/answers")" != $'climate.txt\nreport.txt' ] ||
    [ "$(cat "$v/expected-status")" != 0 ] || [ -s "$v/expected-stderr" ] ||
    [ "$(sed -n 2p "$v/expected-report")" != "$(name_record climate.txt | tr -d '\n')" ]; then
    echo "vector $s is no longer a plain whole run of climate.txt: choose another station"
    exit 1
  fi
  cp "$v/input" "$work/stations/$s.txt"
  echo "$year" >"$work/runs/$s.year"
  { head -n 1 "$v/expected-report"; name_record "$s.txt"; tail -n +3 "$v/expected-report"; } >"$work/expected/$s.txt"
done

# All eight wait at the year prompt until every one has got there, so that
# their runs overlap in the shared TMPDIR.
year_prompt="      First year (yyyy): "
run_station() {
  local s=$1 runs=$2
  {
    printf '"%s.txt"\n"reports/%s.txt"\n' "$s" "$s"
    while [ ! -e "$runs/go" ]; do sleep 0.01; done
    cat "$runs/$s.year"
  } | "$TIRAL" >"$runs/$s.out" 2>"$runs/$s.err" || echo $? >"$runs/$s.status"
}
export -f run_station
cd "$work/stations"
printf '%s\n' "${stations[@]}" |
  TMPDIR=$work/tmp TIRAL=$tiral xargs -P "${#stations[@]}" -I {} bash -c 'run_station "$1" "$2"' _ {} "$work/runs" &
batch=$!
ready=0
deadline=$((SECONDS + 20))
while [ "$SECONDS" -lt "$deadline" ] && kill -0 "$batch" 2>/dev/null; do
  ready=0
  for s in "${stations[@]}"; do
    [ "$(tail -c ${#year_prompt} "$work/runs/$s.out" 2>/dev/null)" = "$year_prompt" ] && ready=$((ready + 1))
  done
  [ "$ready" -eq "${#stations[@]}" ] && break
  sleep 0.01
done
[ "$ready" -eq "${#stations[@]}" ] || fail "only $ready of ${#stations[@]} stations reached the year prompt"
touch "$work/runs/go"
wait "$batch"

for s in "${stations[@]}"; do
  v=$vectors/$s
  [ -e "$work/runs/$s.status" ] && fail "$s: exit status $(cat "$work/runs/$s.status")"
  [ -s "$work/runs/$s.err" ] && fail "$s: standard error: $(head -c 300 "$work/runs/$s.err")"
  cmp -s "$work/runs/$s.out" "$v/expected-stdout" || fail "$s: console transcript differs"
  cmp -s "reports/$s.txt" "$work/expected/$s.txt" || fail "$s: report differs"
  cmp -s "$s.txt" "$v/input" || fail "$s: input changed"
done
made=$(find . -mindepth 1 | LC_ALL=C sort)
want=$(for s in "${stations[@]}"; do echo "./$s.txt"; echo "./reports/$s.txt"; done; echo ./reports)
want=$(LC_ALL=C sort <<<"$want")
[ "$made" = "$want" ] || fail "the folder differs (+ made, - missing): $(diff <(echo "$want") <(echo "$made") | grep '^[<>]' | tr '<>\n' '-+ ')"
[ -z "$(ls -A "$work/tmp")" ] || fail "work files left in TMPDIR: $(ls -A "$work/tmp" | tr '\n' ' ')"

if [ "$failures" -ne 0 ]; then
  echo "many stations: $failures failures"
  exit 1
fi
echo "many stations: ${#stations[@]} reports byte for byte, inputs unchanged, no work file left"
