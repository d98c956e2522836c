#!/usr/bin/env bash
# Runs every seed of the whole-run harness (the shared vectors', the made
# ones and fuzz/afl/regressions/) once, then fuzzes the whole program with AFL++ on one
# core for SECONDS; fails when a seed or the fuzzer finds a crash (a signal, a
# sanitizer report, a broken promise of the harness) or the fuzzer a hang.
#   fuzz/afl/run.sh SECONDS [OUTPUT_FOLDER]      default output: fuzz/out/afl
# A fresh run each time; findings land in OUTPUT_FOLDER/findings/default/.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:?usage: fuzz/afl/run.sh SECONDS [OUTPUT_FOLDER]}
out=${2:-fuzz/out/afl}
harness=$(fuzz/afl/build.sh "${AFL_BUILD_FOLDER:-build-afl}" | tail -n 1)

rm -rf "$out"
mkdir -p "$out/seeds"
python3 fuzz/afl/make_seeds.py ../shared/vectors "$out/seeds" >/dev/null
cp fuzz/afl/regressions/*.in "$out/seeds/" 2>/dev/null || true

# The harness makes its private folders under TMPDIR; one that a hang's
# timeout leaves behind goes with this folder at the end. In memory where it
# can be: a run on disk is a third slower.
scratch_parent=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch_parent=/dev/shm
scratch=$(mktemp -d "$scratch_parent/tiral-afl-run.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# Every seed once, before fuzzing: AFL++ would skip a seed that crashes, and
# a regression input or a vector that crashes again must fail the run. The
# harness names a signal or a broken promise on standard error.
failed=0
for seed in "$out/seeds"/*; do
  status=0
  TMPDIR=$scratch ASAN_OPTIONS=abort_on_error=1:detect_leaks=0:allocator_may_return_null=1 \
    UBSAN_OPTIONS=abort_on_error=1:print_stacktrace=1 \
    timeout 60 "$harness" "$seed" </dev/null >/dev/null 2>"$out/replay.err" || status=$?
  if [ "$status" = 124 ]; then
    echo "whole_run: seed ${seed##*/} still runs after 60 s" >&2
    failed=1
  elif grep -q '^whole_run_harness: ' "$out/replay.err"; then
    echo "whole_run: seed ${seed##*/}:" >&2
    tail -n 40 "$out/replay.err" >&2
    failed=1
  fi
done
rm -f "$out/replay.err"
[ "$failed" = 0 ] || exit 1

# Unattended on a shared machine: no screen, no CPU binding or frequency
# check, whatever the core pattern; the sanitizer options are the fuzzer's own.
# A hang is a run still going after 6 s: a dated file may rightly span the
# years 1 to 9999, some 5.9 million records that take near 3 s of a core
# under the sanitizers, more on a loaded machine.
unset ASAN_OPTIONS UBSAN_OPTIONS
export AFL_NO_UI=1 AFL_SKIP_CPUFREQ=1 AFL_NO_AFFINITY=1 AFL_I_DONT_CARE_ABOUT_MISSING_CRASHES=1
AFL_TMPDIR=$scratch TMPDIR=$scratch afl-fuzz -i "$out/seeds" -o "$out/findings" -x fuzz/afl/whole_run.dict \
  -m none -t 6000 -V "$seconds" -- "$harness" @@ </dev/null >"$out/afl-fuzz.log" 2>&1 || {
  tail -n 30 "$out/afl-fuzz.log" >&2
  exit 1
}

stats=$out/findings/default/fuzzer_stats
field() { sed -n "s/^$1 *: //p" "$stats"; }
echo "whole_run: $(field execs_done) executions, $(field corpus_count) paths, $(field saved_crashes) crashes, $(field saved_hangs) hangs in $(field run_time) s"
findings=$(find "$out/findings/default/crashes" "$out/findings/default/hangs" -type f -name 'id:*' | wc -l)
if [ "$findings" -gt 0 ]; then
  echo "whole_run: findings in $out/findings/default/crashes and hangs" >&2
  exit 1
fi
