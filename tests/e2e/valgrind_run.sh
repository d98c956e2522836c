#!/usr/bin/env bash
# One whole run of the sample data under valgrind: no memory error, no leak.
#   valgrind_run.sh TIRAL EXAMPLES_DIR
set -euo pipefail
tiral=$1
examples=$2
suppressions=$(realpath "$(dirname "$0")/valgrind.supp")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/tmp"
cp "$examples/climate.txt" "$work/"
cd "$work"
printf 'climate.txt\nreport.txt\n1991\n' |
  TMPDIR="$work/tmp" valgrind --quiet --error-exitcode=1 --leak-check=full --show-leak-kinds=all \
    --errors-for-leak-kinds=all \
    --suppressions="$suppressions" "$tiral" >/dev/null
test "$(wc -l <report.txt)" -eq 40
test -z "$(ls -A tmp)"
echo "valgrind: no error, no leak"
