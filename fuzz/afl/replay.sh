#!/usr/bin/env bash
# Runs a program (default: build/tiral, the plain build) on one whole-run fuzz
# input as the harness does: private folder, climate.txt from the input, the
# answers (with '/' and '..' confined) on standard input, a private TMPDIR,
# and the setup line's closed streams and file-size limit.
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
closed, limit = "", ""
if data.startswith(b"--setup--"):
    line, _, data = data.partition(b"\n")
    flags = line[len(b"--setup--"):].decode("latin-1")
    # As the harness reads it: the digits after an "f" are its limit.
    streams, i = set(), 0
    while i < len(flags):
        if flags[i] in "012":
            streams.add(flags[i])
        elif flags[i] == "f":
            digits = ""
            while len(digits) < 9 and i + 1 < len(flags) and flags[i + 1].isdigit():
                i += 1
                digits += flags[i]
            limit = str(int(digits or "0"))
        i += 1
    closed = "".join(sorted(streams))
open(sys.argv[2] + "/setup", "w").write(closed + ":" + limit + "\n")
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
IFS=: read -r closed limit <"$folder/setup" || true
run=("$program")
[ -n "${limit:-}" ] && run=(prlimit "--fsize=$limit:$limit" "$program")
status=0
(
  cd "$folder/work"
  exec <"$folder/stdin" >"$folder/stdout" 2>"$folder/stderr"
  [[ $closed == *0* ]] && exec 0<&-
  [[ $closed == *1* ]] && exec 1>&-
  [[ $closed == *2* ]] && exec 2>&-
  TMPDIR=$folder/tmp exec "${run[@]}"
) || status=$?
echo "status: $status"
echo "standard error:"
cat -v "$folder/stderr"
echo "working folder:"
ls -la "$folder/work" | tail -n +2
