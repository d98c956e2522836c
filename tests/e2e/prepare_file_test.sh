#!/usr/bin/env bash
# The README's recipes for preparing a file, run as printed on small samples
# of a whole year: each gives three columns with decimal points that the
# program then reads without a word. examples/README.md prints the same
# recipes.
#   prepare_file_test.sh TIRAL SOURCE_DIR
set -euo pipefail
tiral=$(realpath "$1")
source=$(realpath "$2")
. "$source/tests/e2e/readme_recipe.sh"

# 1991, one line per day: what the file should become.
awk 'BEGIN { for (d = 0; d < 365; d++) printf "%d.5 %d.25 %d.5\n", 10 + d % 17, d % 11 - 3, 40 + d % 53 }' >"$work/want"
# recipe|sample file|how the sample is made from the wanted lines
samples=(
  "last-three-columns|dated.txt|awk '{ printf \"1991 %d %d\t%s\n\", 1 + int((NR - 1) / 31), 1 + (NR - 1) % 31, \$0 }'"
  "drop-date-column|dated.csv|awk -v OFS=, '{ \$1 = \$1; printf \"1991-%03d,%s\r\n\", NR, \$0 }' OFS=,"
  "decimal-commas|export.csv|awk -v OFS=';' '{ \$1 = \$1; gsub(/\\./, \",\"); print }'"
)
for entry in "${samples[@]}"; do
  IFS='|' read -r name sample make <<<"$entry"
  recipe=$(readme_recipe "$source/README.md" "$name") || { fail "$name: not in the README"; continue; }
  grep -qxF -- "$recipe" "$source/examples/README.md" || fail "$name: examples/README.md does not print '$recipe'"
  dir=$work/$name
  mkdir "$dir"
  (cd "$dir" && bash -c "$make" <"$work/want" >"$sample")
  if ! (cd "$dir" && bash -c "$recipe") 2>"$dir/recipe.err"; then
    fail "$name: the recipe failed: $(cat "$dir/recipe.err")"
    continue
  fi
  # Any blanks between the values, any line end the program accepts.
  if ! diff <(tr -d '\r' <"$dir/station.txt" | awk '{ $1 = $1; print }' | tr ',' ' ') "$work/want" >"$dir/diff"; then
    fail "$name: station.txt from $sample differs from the wanted lines: $(head -5 "$dir/diff")"
    continue
  fi
  (cd "$dir" && printf 'station.txt\nreport.txt\n1991\n' | "$tiral" >/dev/null 2>"$dir/err") || fail "$name: exit status $?"
  [ -s "$dir/err" ] && fail "$name: the run warned: $(cat "$dir/err")"
  echo "$name: $(head -1 "$dir/$sample" | tr '\r\t' '  ') -> $(head -1 "$dir/station.txt")"
done
[ "$failures" -eq 0 ] || { echo "prepare_file: $failures failures"; exit 1; }
echo "prepare_file: every recipe as printed gives the wanted file, read without a warning"
