#!/usr/bin/env bash
# The manual page formats without a single groff warning, and man reads it.
#   manual_page_test.sh PAGE
set -euo pipefail
page=$1
warnings=$(groff -man -Tutf8 -ww "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
  echo "groff warns:"
  echo "$warnings"
  exit 1
fi
shown=$(MANWIDTH=80 man -l "$page" 2>&1)
for section in NAME SYNOPSIS DIALOG "INPUT FILE" REPORT WARNINGS DIAGNOSTICS "EXIT STATUS" ENVIRONMENT EXAMPLES; do
  grep -q "^[A-Z ]*$section" <<<"$shown" || { echo "man shows no section $section"; exit 1; }
done
echo "manual page: no groff warning, every section shown by man"
