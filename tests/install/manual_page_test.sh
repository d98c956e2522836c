#!/usr/bin/env bash
# The manual page formats without a single groff warning, man reads it with
# every section, and its header names the project's version.
#   manual_page_test.sh PAGE VERSION
set -euo pipefail
page=$1
version=$2
header=$(grep -m1 '^\.TH ' "$page")
[[ $header == *"\"tiral $version\""* ]] || { echo "the header names no version $version: $header"; exit 1; }
grep -qF "tiral $version" <<<"$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$page")" ||
  { echo "OPTIONS shows no 'tiral $version'"; exit 1; }
warnings=$(groff -man -Tutf8 -ww "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
  echo "groff warns:"
  echo "$warnings"
  exit 1
fi
shown=$(MANWIDTH=80 man -l "$page" 2>&1)
for section in NAME SYNOPSIS OPTIONS DIALOG "INPUT FILE" "PREPARING A FILE" REPORT WARNINGS DIAGNOSTICS "EXIT STATUS" \
  ENVIRONMENT EXAMPLES BUGS "SEE ALSO"; do
  grep -q "^[A-Z ]*$section" <<<"$shown" || { echo "man shows no section $section"; exit 1; }
done
echo "manual page: no groff warning, every section shown by man, version $version"
