#!/usr/bin/env bash
# The README's batch recipes, taken out of its text and run as printed, each
# on twenty stations in one folder with one TMPDIR: eighteen runs of one to
# three whole years, one file with a line that cannot be read (its warnings)
# and one that is missing (message 29). Every report against the independent model
# (tests/e2e/cases/make_expected.py), every log byte for byte, the listing
# the recipe ends with, the inputs unchanged, nothing else made, no work
# file left. The many-machine recipe runs with a login file that names only
# this machine (":"): no network connection.
#   many_stations.sh TIRAL SOURCE_DIR
# Exits 77 (skipped) after the other recipes when GNU parallel is missing.
set -uo pipefail
tiral=$(realpath "$1")
source=$(realpath "$2")
. "$source/tests/e2e/readme_recipe.sh"

# `tiral` on PATH; parallel keeps its own files and finds ~/machines in HOME.
mkdir "$work/bin" "$work/home" "$work/tmp" "$work/stations" "$work/expected"
ln -s "$tiral" "$work/bin/tiral"
export PATH=$work/bin:$PATH HOME=$work/home TMPDIR=$work/tmp
echo : >"$HOME/machines"

# Stations 1991 onwards, one to three whole years of the sample; the broken
# two. The model works out each kind once, its report's second record then
# takes the station's name (" Input Filename    = " and 50 columns).
year_days=(365 366 365)
warned="station 05.txt"
missing="station 13.txt"
stations=()
kinds=()
for i in $(seq 1 20); do
  name=$(printf 'station %02d.txt' "$i")
  stations+=("$name")
  [ "$name" = "$missing" ] && continue
  if [ "$name" = "$warned" ]; then
    kind=warned
    awk 'NR == 400 { print "n/a" } { print }' "$source/examples/climate.txt" >"$work/stations/$name"
  else
    kind=years-$(((i - 1) % 3 + 1))
    days=0
    for y in $(seq 0 $(((i - 1) % 3))); do days=$((days + year_days[y])); done
    head -n "$days" "$source/examples/climate.txt" >"$work/stations/$name"
  fi
  kinds+=("$name|$kind")
  if [ ! -e "$work/expected/$kind" ]; then
    python3 "$source/tests/e2e/cases/make_expected.py" "$work/stations/$name" 1991 \
      -o "$work/expected/$kind" 2>"$work/expected/$kind.log" &
  fi
  touch "$work/expected/$kind"
done
wait
for entry in "${kinds[@]}"; do
  name=${entry%%|*}
  kind=${entry#*|}
  { head -n 1 "$work/expected/$kind"; printf ' Input Filename    = %-50s\r\n' "$name"; tail -n +3 "$work/expected/$kind"; } \
    >"$work/expected/$name"
  cp "$work/expected/$kind.log" "$work/expected/$name.log"
done
[ -s "$work/expected/$warned.log" ] || fail "the model gives no warning for $warned"

# Runs a recipe in a fresh copy of the stations; sets `dir`, `status`.
run_recipe() {
  dir=$work/run-$1
  mkdir -p "$dir"
  cp "$work/stations/"* "$dir/"
  ln -s "gone/$missing" "$dir/$missing"
  (cd "$dir" && bash -c "$2" >"$work/$1.listing" 2>"$work/$1.stderr")
  status=$?
}

# The logs and reports of the stations that ran; all of them when `every`.
check_stations() {
  local recipe=$1 every=$2 name ran=0
  for name in "${stations[@]}"; do
    local log=$dir/reports/$name.log
    if [ ! -e "$log" ]; then
      [ "$every" = yes ] && fail "$recipe: no log of $name"
      continue
    fi
    ran=$((ran + 1))
    if [ "$name" = "$missing" ]; then
      local want
      want=$(printf 'forrtl: No such file or directory\r\nforrtl: severe (29): file not found, unit 10, file %s\r\nexit status 29' \
        "$(cd "$dir" && pwd -P)/$name")
      [ "$(cat "$log")" = "$want" ] || fail "$recipe: log of $name: $(cat -A "$log")"
      [ -e "$dir/reports/$name.report" ] && fail "$recipe: a report of the missing $name"
    else
      cmp -s "$log" "$work/expected/$name.log" || fail "$recipe: log of $name: $(head -c 300 "$log" | cat -A)"
      cmp -s "$dir/reports/$name.report" "$work/expected/$name" || fail "$recipe: report of $name differs from the model's"
      cmp -s "$dir/$name" "$work/stations/$name" || fail "$recipe: input $name changed"
    fi
  done
  # Nothing else made: station files, the link, reports and logs.
  local extra
  extra=$(cd "$dir" && find . -mindepth 1 ! -name 'station ??.txt' ! -name reports \
    ! -path './reports/station ??.txt.report' ! -path './reports/station ??.txt.log')
  [ -z "$extra" ] && [ "$(ls -A "$dir" | wc -l)" -eq 21 ] || fail "$recipe: made besides the stations: $extra"
  [ -z "$(ls -A "$TMPDIR")" ] || fail "$recipe: work files left in TMPDIR: $(ls -A "$TMPDIR")"
  echo "$recipe: $ran stations ran"
}

# Each log that is not empty with its first line.
listing_tail="Logs that are not empty:
reports/$warned.log: $(head -n 1 "$work/expected/$warned.log" | tr -d '\r')
reports/$missing.log: forrtl: No such file or directory
Failed:
reports/$missing.log:exit status 29"
# recipe|the tool's status line the listing starts with
recipes=(
  "one-after-the-other|"
  "xargs-every-station|xargs: exit status 123"
  "parallel-one-machine|parallel: exit status 1"
  "parallel-many-machines|parallel: exit status 1"
)
have_parallel=yes
command -v parallel >/dev/null || have_parallel=no
for entry in "${recipes[@]}"; do
  recipe=${entry%%|*}
  first=${entry#*|}
  if [[ $recipe == parallel-* ]] && [ "$have_parallel" = no ]; then
    echo "SKIP: $recipe: GNU parallel is not installed (Debian package parallel)"
    continue
  fi
  text=$(readme_recipe "$source/README.md" "$recipe") || { fail "$recipe: not in the README"; continue; }
  run_recipe "$recipe" "$text"
  check_stations "$recipe" yes
  want=$listing_tail
  [ -n "$first" ] && want=$first$'\n'$listing_tail
  [ "$(LC_ALL=C sort "$work/$recipe.listing")" = "$(LC_ALL=C sort <<<"$want")" ] ||
    fail "$recipe: the listing is:"$'\n'"$(cat "$work/$recipe.listing")"
done

# Stopping at the first failure: no station is started after the missing
# one's end is seen, xargs says why and exits with 124.
recipe=xargs-stop-at-first-failure
if text=$(readme_recipe "$source/README.md" "$recipe"); then
  run_recipe "$recipe" "$text"
  check_stations "$recipe" no
  [ "$(head -n 1 "$work/$recipe.listing")" = "xargs: exit status 124" ] ||
    fail "$recipe: the listing starts: $(head -n 1 "$work/$recipe.listing")"
  grep -qx 'xargs: sh: exited with status 255; aborting' "$work/$recipe.stderr" ||
    fail "$recipe: xargs says: $(cat "$work/$recipe.stderr")"
  grep -qxF "reports/$missing.log:exit status 29" "$work/$recipe.listing" ||
    fail "$recipe: the listing does not name $missing"
else
  fail "$recipe: not in the README"
fi

if [ "$failures" -ne 0 ]; then
  echo "many stations: $failures failures"
  exit 1
fi
if [ "$have_parallel" = no ]; then
  echo "many stations: the xargs and shell recipes pass; GNU parallel is missing"
  exit 77
fi
echo "many stations: every recipe of the README, 20 stations each, every report, log and listing as expected"
