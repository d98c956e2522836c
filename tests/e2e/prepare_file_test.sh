#!/usr/bin/env bash
# The README's recipes for preparing a file, run as printed on samples of a
# year in the layouts that archives and spreadsheets deliver: each must give
# a file that the program reads without a word into the report of the same
# days written as DATE,TMAX,TMIN,RH. examples/README.md prints the same
# recipes.
#   prepare_file_test.sh TIRAL SOURCE_DIR
set -euo pipefail
tiral=$(realpath "$1")
source=$(realpath "$2")
. "$source/tests/e2e/readme_recipe.sh"

# 1991 day by day as DATE,TMAX,TMIN,RH, two maxima empty: what every
# recipe's result must read as.
awk 'BEGIN {
  print "DATE,TMAX,TMIN,RH"
  split("31 28 31 30 31 30 31 31 30 31 30 31", length_of)
  for (m = 1; m <= 12; m++) for (d = 1; d <= length_of[m]; d++) {
    n++
    printf "1991-%02d-%02d,%s,%d.25,%d.5\n", m, d, (n == 40 || n == 200) ? "" : sprintf("%d.5", 10 + n % 17),
      n % 11 - 3, 40 + n % 53
  }
}' >"$work/want.csv"
# The join's three files lack three minima; the join writes NA there.
awk -F, -v OFS=, '/^1991-03-0[1-3],/ { $3 = "NA" } 1' "$work/want.csv" >"$work/want_join.csv"
for want in want want_join; do
  (cd "$work" && printf '%s.csv\n%s.report\n1991\n' "$want" "$want" | "$tiral" >/dev/null 2>"$want.err") ||
    fail "$want.csv: exit $?"
  [ -s "$work/$want.err" ] && fail "$want.csv warned: $(cat "$work/$want.err")"
done

# Splits a row of want.csv: f[1..4] its cells, ymd[1..3] its date.
rows='NR > 1 { split($0, f, ","); split(f[1], ymd, "-") }'
# recipe|sample file|how the sample is made from want.csv, in its folder
samples=(
  "csv-date-not-first|export.csv|awk -F, -v OFS=, 'NR == 1 { print \"STATION,DATE,PRCP,TMAX,TMIN,RH\"; next } { print \"\\\"X1\\\"\", \$1, \"0.0\", \$2, \$3, \$4 }' want.csv >export.csv"
  "semicolons-decimal-commas|export.csv|awk -F, '$rows NR == 1 { print \"Datum;Station;Tmax;Tmin;RF\"; next } { for (i = 2; i <= 4; i++) gsub(/\\./, \",\", f[i]); print ymd[3] \".\" ymd[2] \".\" ymd[1] \";X1;\" f[2] \";\" f[3] \";\" f[4] \"\\r\" }' want.csv >export.csv"
  "year-month-day|point.txt|awk -F, '$rows NR == 1 { print \"YEAR MO DY PRECTOT T2M_MAX T2M_MIN RH2M\"; next } { print ymd[1], ymd[2] + 0, ymd[3] + 0, \"0.0\", (f[2] == \"\" ? \"NA\" : f[2]), f[3], f[4] }' want.csv >point.txt"
  "header-block|point.csv|{ printf -- '-BEGIN HEADER-\\nDates: 1991-01-01 through 1991-12-31\\n52.52,13.41,38.0\\n-END HEADER-\\n'; awk -F, '$rows NR == 1 { print \"YEAR,MO,DY,T2M_MAX,T2M_MIN,RH2M\"; next } { print ymd[1] \",\" ymd[2] \",\" ymd[3] \",\" f[2] \",\" f[3] \",\" f[4] }' want.csv; } >point.csv"
  "fahrenheit|fahrenheit.csv|awk -F, -v OFS=, 'NR > 1 { for (i = 2; i <= 3; i++) if (\$i != \"\") \$i = \$i * 9 / 5 + 32 } 1' want.csv >fahrenheit.csv"
  "tenths|tenths.csv|awk -F, -v OFS=, 'NR > 1 { for (i = 2; i <= 3; i++) if (\$i != \"\") \$i = \$i * 10 } 1' want.csv >tenths.csv"
  "newest-first|newest_first.csv|{ head -n 1 want.csv; tail -n +2 want.csv | sort -r; } >newest_first.csv"
  "join-by-date|tmax.csv|cut -d, -f1,2 want.csv >tmax.csv; cut -d, -f1,3 want.csv | sed '/^1991-03-0[1-3],/d' >tmin.csv; cut -d, -f1,4 want.csv >rh.csv"
)
for entry in "${samples[@]}"; do
  IFS='|' read -r name sample make <<<"$entry"
  recipe=$(readme_recipe "$source/README.md" "$name") || { fail "$name: not in the README"; continue; }
  grep -qxF -- "$recipe" "$source/examples/README.md" || fail "$name: examples/README.md does not print '$recipe'"
  dir=$work/$name
  mkdir "$dir"
  cp "$work/want.csv" "$dir/"
  (cd "$dir" && bash -c "$make") || { fail "$name: the sample could not be made"; continue; }
  rm "$dir/want.csv"
  if ! (cd "$dir" && bash -c "$recipe") 2>"$dir/recipe.err"; then
    fail "$name: the recipe failed: $(cat "$dir/recipe.err")"
    continue
  fi
  result=station.csv
  [ -f "$dir/$result" ] || result=station.txt
  (cd "$dir" && printf '%s\nreport.txt\n1991\n' "$result" | "$tiral" >/dev/null 2>"$dir/err") ||
    fail "$name: exit status $?"
  [ -s "$dir/err" ] && fail "$name: the run warned: $(cat "$dir/err")"
  want=want
  [ "$name" = join-by-date ] && want=want_join
  if ! diff <(sed 2d "$work/$want.report") <(sed 2d "$dir/report.txt") >"$dir/diff"; then
    fail "$name: the report differs from the wanted one: $(head -8 "$dir/diff")"
    continue
  fi
  echo "$name: $(sed -n 2p "$dir/$sample" | tr '\r\t' '  ') -> $(sed -n 2p "$dir/$result" | tr '\r' ' ')"
done
# Every recipe the README marks as tested is run by one of these scripts.
for name in $(sed -n 's/^<!-- tested: \(.*\) -->$/\1/p' "$source/README.md"); do
  grep -qE "(\"|recipe=)$name(\||$)" "$source/tests/e2e/prepare_file_test.sh" "$source/tests/e2e/many_stations.sh" ||
    fail "$name: marked as tested in the README, but no test runs it"
done
[ "$failures" -eq 0 ] || { echo "prepare_file: $failures failures"; exit 1; }
echo "prepare_file: every recipe as printed gives the wanted days, read without a warning"
