#!/usr/bin/env bash
# Runs a program (default: build/tiral, the plain build) on one whole-run fuzz
# input as the harness does: private folder, climate.txt from the input, the
# answers (with '/' and '..' confined) on standard input, a private TMPDIR.
# Prints the exit status, the run's standard error and what the folder holds.
#   fuzz/afl/replay.sh INPUT [PROGRAM]
set -euo pipefail
input=$(realpath "${1:?usage: fuzz/afl/replay.sh INPUT [PROGRAM]}")
root=$(cd "$(dirname "$0")/../.." && pwd)
program=$(realpath "${2:-$root/build/tiral}")
folder=$(mktemp -d "${TMPDIR:-/tmp}/tiral-replay.XXXXXX")
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/work" "$folder/tmp"
python3 - "$input" "$folder" <<'PY'
import sys
data = open(sys.argv[1], "rb").read()
answers, marker, file = data.partition(b"--input--\n")
out = bytearray(answers)
for i, byte in enumerate(out):
    if byte == ord("/"):
        out[i] = ord("_")
    if byte == ord(".") and i > 0 and out[i - 1] == ord("."):
        out[i] = ord("_")
open(sys.argv[2] + "/stdin", "wb").write(out)
if marker:
    open(sys.argv[2] + "/work/climate.txt", "wb").write(file)
PY
status=0
(cd "$folder/work" && TMPDIR=$folder/tmp "$program" <"$folder/stdin" >"$folder/stdout" 2>"$folder/stderr") || status=$?
echo "status: $status"
echo "standard error:"
cat -v "$folder/stderr"
echo "working folder:"
ls -la "$folder/work" | tail -n +2
