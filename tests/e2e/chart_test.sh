#!/usr/bin/env bash
# The chart in real tools: one run writes the table and the chart, the XML
# checker accepts the chart, a renderer draws it, and chart_check.py finds
# each mean of the table in its colour where its value puts it.
# usage: chart_test.sh TIRAL
set -euo pipefail
tiral=$1
here=$(cd "$(dirname "$0")" && pwd)
for tool in xmllint rsvg-convert python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "chart_test: $tool is missing (Debian: libxml2-utils, librsvg2-bin, python3); skipped"
    exit 77
  fi
done
work=$(mktemp -d /tmp/tiral-chart-XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"

# A year whose months differ; January's humidity is written as 0.00 to the
# work file, so its dew point is
# not a number and its line has a gap; in the second file no month is whole.
python3 - <<'PY'
import math
with open("station one.txt", "w") as f:
    day = 0
    for month, days in enumerate([31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31]):
        for d in range(days):
            tmax = 25 + 12 * math.sin(month / 2) + (d % 3)
            tmin = tmax - 14 - (d % 2)
            hmd = 0.001 if month == 0 else 35 + 5 * month
            f.write("%.1f %.1f %g\n" % (tmax, tmin, hmd))
with open("short.txt", "w") as f:
    f.write("10 5 50\n" * 100)
PY

"$tiral" --table one.csv --chart one.svg "station one.txt" one.report 1991
"$tiral" --table short.csv --chart short.svg short.txt short.report 1991
status=0
for chart in one short; do
  xmllint --noout "$chart.svg" || { echo "chart_test: xmllint refuses $chart.svg"; status=1; }
  rsvg-convert -o "$chart.png" "$chart.svg" || { echo "chart_test: rsvg-convert refuses $chart.svg"; status=1; }
done
python3 "$here/chart_check.py" one.svg one.png one.csv || status=1
python3 "$here/chart_check.py" short.svg short.png short.csv >short.out || true
# Without a number there is no point to find: only the gaps and the size.
if grep -v "could be told apart" short.out; then status=1; fi
if [[ -n "${TIRAL_CHART_PNG:-}" ]]; then cp one.png "$TIRAL_CHART_PNG"; fi
[[ $status == 0 ]] && echo "chart_test: passed"
exit $status
