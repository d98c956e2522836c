#!/usr/bin/env bash
# Builds tiral for 64-bit Windows with MinGW-w64 and tests it under Wine:
# the Windows unit tests, the end-to-end vectors through the Linux harness,
# control-C at a prompt, a write to a full device, the zip package that cpack
# makes, and no work file left in the temporary folder. Ends with
# "N passed, M failed"; non-zero on failure.
#
#   bash tests/windows/run_windows_tests.sh
#
# Build folders: build-wintest (Windows; build-win is left to the README's
# recipe) and build-wincheck (the Linux harness).
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
started=$(date +%s)
passed=0
failed=0
skipped=0

pass() { passed=$((passed + 1)); echo "PASS: $1"; }
fail() { failed=$((failed + 1)); echo "FAIL: $1"; }
skip() { skipped=$((skipped + 1)); echo "SKIP: $1"; }
finish() {
  echo "run time: $(($(date +%s) - started)) s"
  if [ "$skipped" -gt 0 ]; then
    echo "$passed passed, $failed failed, $skipped skipped"
  else
    echo "$passed passed, $failed failed"
  fi
  [ "$failed" -eq 0 ]
  exit
}
# A step that everything after it needs: its failure ends the run.
must() {
  local what=$1
  shift
  if ! "$@"; then
    fail "$what"
    finish
  fi
}

log_dir=$root/build-wintest/logs
mkdir -p "$log_dir"

# ------------------------------------------------------------- packages
install_packages() {
  bash tools/install-test-packages.sh >"$log_dir/apt.log" 2>&1 </dev/null
}
must "install the test packages (see $log_dir/apt.log)" install_packages

# ---------------------------------------------------------------- builds
build_windows() {
  nice cmake -S . -B build-wintest -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIRAL_WERROR=ON -DTIRAL_EXHAUSTIVE=ON >"$log_dir/configure-win.log" 2>&1 &&
    nice cmake --build build-wintest -j2 >"$log_dir/build-win.log" 2>&1
}
build_harness() {
  nice cmake -S . -B build-wincheck -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIRAL_BENCHMARKS=OFF \
    >"$log_dir/configure-wincheck.log" 2>&1 &&
    nice cmake --build build-wincheck -j2 --target tiral_e2e_tests >"$log_dir/build-wincheck.log" 2>&1
}
must "Windows build (see $log_dir/build-win.log)" build_windows
must "Linux end-to-end harness build (see $log_dir/build-wincheck.log)" build_harness
exe=$root/build-wintest/tiral.exe
if grep -qi "warning:" "$log_dir/build-win.log"; then
  fail "the Windows build has warnings (see $log_dir/build-win.log)"
else
  pass "Windows build without warnings"
fi

# ------------------------------------------------------------------ Wine
# A private prefix and temporary folder; one persistent server for all runs.
WINEPREFIX=$(mktemp -d /tmp/tiral-wineprefix-XXXXXX)
wine_temp=$(mktemp -d /tmp/tiral-winetemp-XXXXXX)
export WINEPREFIX
export WINEDEBUG=-all            # Wine adds nothing to the program's standard error
export WINEDLLOVERRIDES="mscoree,mshtml="  # no Mono or Gecko installers at start
wine_log=$log_dir/wine.log
cleanup() {
  wineserver -k >>"$wine_log" 2>&1 </dev/null
  rm -rf "$WINEPREFIX" "$wine_temp"
}
trap cleanup EXIT

start_wine() {
  # The server first: wineboot would otherwise start one that ends with it.
  wineserver -p >"$wine_log" 2>&1 </dev/null || return 1
  timeout 300 wine wineboot -i >>"$wine_log" 2>&1 </dev/null || return 1
  local windows_temp="Z:${wine_temp//\//\\}"
  for name in TEMP TMP; do
    timeout 120 wine reg add 'HKCU\Environment' /v "$name" /t REG_SZ /d "$windows_temp" /f \
      >>"$wine_log" 2>&1 </dev/null || return 1
  done
}
must "Wine prefix (see $wine_log)" start_wine
# Work files must land in the private folder, or its emptiness proves nothing.
wine_says=$(wine cmd /c echo %TEMP% 2>>"$wine_log" </dev/null | tr -d '\r\n')
if [ "$wine_says" = "Z:${wine_temp//\//\\}" ]; then
  pass "Wine's temporary folder is the private $wine_temp"
else
  fail "Wine's temporary folder is '$wine_says', not $wine_temp"
fi

# -------------------------------------------------------- Windows unit tests
# Each test executable prints GoogleTest lines (after "N: " under ctest -V):
# one check per test case.
count_gtest() {
  local log=$1 ok bad
  ok=$(grep -cE '^([0-9]+: )?\[       OK \]' "$log")
  bad=$(grep -cE '^([0-9]+: )?\[  FAILED  \] .*\([0-9]+ ms\)$' "$log")
  passed=$((passed + ok))
  failed=$((failed + bad))
  skipped=$((skipped + $(grep -cE '^([0-9]+: )?\[  SKIPPED \] .*\([0-9]+ ms\)$' "$log")))
  grep -E '^([0-9]+: )?\[  FAILED  \] .*\([0-9]+ ms\)$' "$log" | sed -E 's/^([0-9]+: )?/FAIL: /'
  grep -E '^([0-9]+: )?\[  SKIPPED \] .*\([0-9]+ ms\)$' "$log" | sed -E 's/^([0-9]+: )?/SKIP: /'
  echo "$(basename "$log"): $ok test cases passed, $bad failed"
  return "$bad"
}
unit_log=$log_dir/windows-unit-tests.log
timeout 1200 ctest --test-dir build-wintest -V >"$unit_log" 2>&1
unit_status=$?
# Once in a while under Wine a test program dies between two death tests
# with no test failing. That is Wine's, not a finding: the programs run once
# more, and the first log is kept. GoogleTest's capture files ("gte*.tmp")
# that the dead program left would fail every later check of the temporary
# folder, which is kept for the work files of tiral.exe: they are removed,
# and both are said.
if [ "$unit_status" -ne 0 ] && ! grep -qE '^[0-9]+: \[  FAILED  \]' "$unit_log"; then
  mv "$unit_log" "$log_dir/windows-unit-tests-first.log"
  echo "RETRY: a Windows test program ended without a test failure line (see $log_dir/windows-unit-tests-first.log)"
  for left in "$wine_temp"/gte*.tmp; do
    [ -e "$left" ] && echo "RETRY: removed GoogleTest's capture file $(basename "$left")" && rm -f "$left"
  done
  timeout 1200 ctest --test-dir build-wintest -V >"$unit_log" 2>&1
  unit_status=$?
fi
count_gtest "$unit_log"
if [ "$unit_status" -ne 0 ] && ! grep -qE '^[0-9]+: \[  FAILED  \]' "$unit_log"; then
  fail "Windows unit tests ended without a test failure line (crash or time-out, see $unit_log)"
fi
grep -E '^\s*[0-9]+ - .*\((Failed|Timeout|SEGFAULT|Exception|Child aborted)\)' "$unit_log" | sed 's/^/ctest: /'

# ------------------------------------------------------- end-to-end vectors
# Vectors whose meaning cannot hold on Windows, with the reason.
wine_skips=(
  "case_differs_is_another_name|Windows file names ignore case: Data.txt names the input file data.txt, and the program rightly refuses it"
)
filter="Vectors/RecordedRun.*:Cases/RecordedRun.*:-"
for entry in "${wine_skips[@]}"; do
  name=${entry%%|*}
  skip "vector $name: ${entry#*|}"
  filter+="*/RecordedRun.GivesTheRecordedResults/$name:"
done
e2e_log=$log_dir/windows-e2e.log
TIRAL_RUNNER=wine TIRAL_BINARY_OVERRIDE=$exe TIRAL_RUNNER_TEMP=$wine_temp \
  timeout 1800 build-wincheck/tests/tiral_e2e_tests --gtest_filter="$filter" >"$e2e_log" 2>&1
e2e_status=$?
count_gtest "$e2e_log"
if [ "$e2e_status" -ne 0 ] && ! grep -qE '^\[  FAILED  \]' "$e2e_log"; then
  fail "end-to-end harness ended without a test failure line (see $e2e_log)"
fi

# ------------------------------------------------------------- arguments
# --help and --version answer on standard output, a command line that cannot
# run is refused on standard error with status 3; none reads an answer or
# makes a file.
arguments() {
  local work version entry args status want_out want_err out err
  work=$(mktemp -d /tmp/tiral-wine-arguments-XXXXXX)
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-wintest/CMakeCache.txt)
  # arguments|status|standard output (HELP: the usage text)|standard error
  local table=(
    "--version|0|tiral $version"$'\r'"|"
    "-V|0|tiral $version"$'\r'"|"
    "--help|0|HELP|"
    "-h|0|HELP|"
    "-h extra|0|HELP|"
    "--verbose|3||tiral: unknown option '--verbose' (see tiral --help)"$'\r'
    "extra|3||tiral: usage: tiral [--table FILE] [--chart FILE.svg] INPUT REPORT [FIRST_YEAR], or tiral [OPTIONS] alone to be asked (see tiral --help)"$'\r'
  )
  for entry in "${table[@]}"; do
    IFS='|' read -r args want_status want_out want_err <<<"$entry"
    rm -rf "$work/run" && mkdir "$work/run"
    # shellcheck disable=SC2086
    (cd "$work/run" && printf 'in.txt\nreport.txt\n1991\n' | wine "$exe" $args >"$work/out" 2>"$work/err")
    status=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
    local out_ok=no
    if [ "$want_out" = HELP ]; then
      [[ "$out" == "Usage: tiral "* ]] && [ "$(grep -c $'[^\r]$\|^$' "$work/out")" -eq 0 ] && out_ok=yes
    else
      [ "$out" = "$want_out" ] && out_ok=yes
    fi
    if [ "$status" -eq "$want_status" ] && [ "$out_ok" = yes ] && [ "$err" = "$want_err" ] &&
      [ -z "$(ls -A "$work/run")" ]; then
      pass "tiral.exe $args: status $want_status, its line, nothing made"
    else
      fail "tiral.exe $args: status $status, stdout: $(head -c 200 "$work/out" | cat -A), stderr: $(cat -A "$work/err")"
    fi
  done
  rm -rf "$work"
}
arguments

# ----------------------------------------- operands, the table and the chart
# tiral.exe with the answers as operands writes the Linux build's report,
# table and chart byte for byte and says nothing; a refused command line is
# one line and status 3, and touches no file.
operands() {
  local work entry args want_status want_err status
  work=$(mktemp -d /tmp/tiral-wine-operands-XXXXXX)
  mkdir "$work/linux" "$work/wine"
  for folder in linux wine; do
    cp examples/climate.txt "$work/$folder/climate.txt"
    cp examples/climate.txt "$work/$folder/-my data, 1.txt"
  done
  (cd "$work/linux" && TMPDIR=$work/linux "$root/build-wincheck/tiral" --table t.csv --chart c.svg -- \
    "-my data, 1.txt" "r 1.txt" 1991 >/dev/null 2>&1)
  (cd "$work/wine" && wine "$exe" --table t.csv --chart c.svg -- "-my data, 1.txt" "r 1.txt" 1991 \
    >"$work/out" 2>"$work/err")
  status=$?
  if [ "$status" -eq 0 ] && [ ! -s "$work/out" ] && [ ! -s "$work/err" ] &&
    cmp -s "$work/wine/r 1.txt" "$work/linux/r 1.txt" && cmp -s "$work/wine/t.csv" "$work/linux/t.csv" &&
    cmp -s "$work/wine/c.svg" "$work/linux/c.svg"; then
    pass "tiral.exe with operands, --table and --chart: the Linux report, table and chart byte for byte"
  else
    fail "tiral.exe with operands, --table and --chart: status $status, stderr: $(head -c 300 "$work/err" | cat -A)," \
      "$(cd "$work" && for f in "r 1.txt" t.csv c.svg; do cmp "wine/$f" "linux/$f" 2>&1; done)"
  fi
  # arguments|status|standard error; the names are split at blanks.
  local table=(
    "climate.txt .\\climate.txt 1991|3|tiral: the report would replace the input file 'climate.txt'"
    "climate.txt CLIMATE.TXT 1991|3|tiral: the report would replace the input file 'climate.txt'"
    "climate.txt r.txt 19x1|3|tiral: the first year must be a whole number, not '19x1'"
    "--table climate.txt climate.txt r.txt 1991|3|tiral: the table would replace the input file 'climate.txt'"
    "--chart r.txt climate.txt r.txt 1991|3|tiral: the chart would replace the report 'r.txt'"
    "--table R.TXT climate.txt r.txt 1991|3|tiral: the table would replace the report 'r.txt'"
    "climate.txt r.txt|3|tiral: climate.txt has no dates; give the first year after the report name"
  )
  for entry in "${table[@]}"; do
    IFS='|' read -r args want_status want_err <<<"$entry"
    rm -rf "$work/run" && mkdir "$work/run" && cp examples/climate.txt "$work/run/"
    # shellcheck disable=SC2086
    (cd "$work/run" && wine "$exe" $args </dev/null >"$work/out" 2>"$work/err")
    status=$?
    if [ "$status" -eq "$want_status" ] && [ ! -s "$work/out" ] && [ "$(cat "$work/err")" = "$want_err"$'\r' ] &&
      [ "$(ls -A "$work/run")" = climate.txt ] && cmp -s "$work/run/climate.txt" examples/climate.txt; then
      pass "tiral.exe $args: status $want_status, its line, nothing made"
    else
      fail "tiral.exe $args: status $status, stdout: $(head -c 200 "$work/out" | cat -A), stderr: $(cat -A "$work/err")"
    fi
  done
  rm -rf "$work"
}
operands

# --------------------------------------------- control-C at the input prompt
input_prompt="         Input Filename: "
interrupt_at_prompt() {
  local work fifo pid status=-1 i
  work=$(mktemp -d /tmp/tiral-wine-interrupt-XXXXXX)
  fifo=$work/keyboard
  mkfifo "$fifo"
  (cd "$work" && exec wine "$exe" <"$fifo" >"$work/out" 2>"$work/err") &
  pid=$!
  exec 9>"$fifo"  # the keyboard stays open: the program waits at the prompt
  for i in $(seq 200); do
    [ "$(tail -c ${#input_prompt} "$work/out" 2>/dev/null)" = "$input_prompt" ] && break
    sleep 0.1
  done
  kill -INT "$pid"
  for i in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  # Still waiting, and silent: the signal never became a console event.
  local delivered=yes
  kill -0 "$pid" 2>/dev/null && [ ! -s "$work/err" ] && delivered=no
  exec 9>&-  # end of input: a program that missed the interrupt ends here
  wait "$pid"
  status=$?
  local want_err=$'forrtl: error (200): program aborting due to control-C event\r'
  # 0xC000013A: the low byte is what a POSIX parent sees.
  if [ "$delivered" = no ]; then
    skip "control-C at a prompt: Wine did not deliver SIGINT as a control-C event (status $status)"
  elif [ "$status" -eq $((0xC000013A & 0xFF)) ] && [ "$(cat "$work/err")" = "$want_err" ] &&
    [ "$(tail -c $((${#input_prompt} + 1)) "$work/out" | tr '\n' '|')" = "$input_prompt|" ]; then
    pass "control-C at the input prompt: message 200, status 0xC000013A, prompt line ended"
  else
    fail "control-C at the input prompt: status $status, stderr: $(od -c "$work/err" | head -5)"
  fi
  rm -rf "$work"
}
interrupt_at_prompt

# ---------------------------- control-C and a kill in the middle of a run
# A long input keeps the run busy; the signal goes once its work files are in
# Wine's temporary folder. Afterwards none of them may be left, and the old
# report must be as it was; after control-C no new report file is left either
# (a killed Windows process runs no code, so its new file may stay). A run
# that ends before its files are seen is tried again with twice the input.
long_input() {
  awk -v n="$2" 'BEGIN { for (i = 0; i < n; i++) printf "%d.5 %d.25 %d.0\n", 10 + i % 17, i % 11 - 3, 40 + i % 53 }' >"$1"
}
stop_mid_run() {
  local signal=$1 work pid status i seen=no records=3000000 attempt
  work=$(mktemp -d /tmp/tiral-wine-midrun-XXXXXX)
  printf 'long.txt\nreport.txt\n1901\n' >"$work/answers"
  for attempt in 1 2 3; do
    long_input "$work/long.txt" "$records"
    rm -f "$work"/.report.txt.tiral-*
    printf 'an older report\r\n' >"$work/report.txt"
    (cd "$work" && exec wine "$exe" <"$work/answers" >"$work/out" 2>"$work/err") &
    pid=$!
    while kill -0 "$pid" 2>/dev/null; do
      if [ -n "$(ls -A "$wine_temp")" ]; then
        seen=yes
        break
      fi
      sleep 0.01
    done
    kill -"$signal" "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    status=$?
    [ "$seen" = yes ] && break
    records=$((records * 2))
  done
  # The server deletes the files of a killed process as it notices the end.
  for i in $(seq 50); do
    [ -z "$(ls -A "$wine_temp")" ] && break
    sleep 0.1
  done
  local left new_files
  left=$(ls -A "$wine_temp" | wc -l)
  new_files=$(find "$work" -name '.report.txt.tiral-*' | wc -l)
  if [ "$seen" = no ]; then
    fail "$signal in the middle of a run: every run ended (last status $status) before its work files were seen"
  elif [ "$left" -ne 0 ]; then
    fail "$signal in the middle of a run: $left work files left in Wine's temporary folder"
  elif [ "$(cat "$work/report.txt")" != $'an older report\r' ]; then
    fail "$signal in the middle of a run: the old report changed: $(head -c 200 "$work/report.txt" | cat -A)"
  elif [ "$signal" = INT ] && [ "$new_files" -ne 0 ]; then
    fail "INT in the middle of a run: the new report file is left"
  elif [ "$signal" = INT ] && { [ "$status" -ne $((0xC000013A & 0xFF)) ] ||
    [ "$(cat "$work/err")" != $'forrtl: error (200): program aborting due to control-C event\r' ]; }; then
    fail "INT in the middle of a run: status $status, stderr: $(cat -A "$work/err" | head -5)"
  else
    pass "$signal in the middle of a run: no work file left, the old report as it was ($new_files new report file left)"
  fi
  rm -rf "$work"
}
stop_mid_run INT
stop_mid_run KILL

# ------------------------------------------------ a full device as the report
full_device() {
  local work status
  work=$(mktemp -d /tmp/tiral-wine-full-XXXXXX)
  # A whole year: a run that has nothing to say about its data.
  for i in $(seq 365); do printf '2.0 1.0 50.0\n'; done >"$work/climate.txt"
  (cd "$work" && printf "climate.txt\n'Z:\\\\dev\\\\full'\n2001\n" | wine "$exe" >"$work/out" 2>"$work/err")
  status=$?
  local first second
  first=$(sed -n 1p "$work/err")
  second=$(sed -n 2p "$work/err")
  if [ "$status" -eq 38 ] && [[ "$first" == "forrtl: "?*$'\r' ]] &&
    [ "$second" = $'forrtl: severe (38): error during write, unit 400, file Z:\\dev\\full\r' ] &&
    [ "$(wc -l <"$work/err")" -eq 2 ]; then
    pass "report to Z:\\dev\\full: system text, message 38, status 38"
  else
    fail "report to Z:\\dev\\full: status $status, stderr: $(cat -A "$work/err")"
  fi
  rm -rf "$work"
}
full_device

# ------------------------------------------- a failed allocation is message 41
memory_exhausted() {
  local work status
  work=$(mktemp -d /tmp/tiral-wine-memory-XXXXXX)
  (cd "$work" && wine "$root/build-wintest/tests/windows/memory_exit_probe.exe" </dev/null >"$work/out" 2>"$work/err")
  status=$?
  if [ "$status" -eq $((0xC0000029 & 0xFF)) ] &&
    [ "$(cat "$work/err")" = $'forrtl: severe (41): insufficient virtual memory\r' ]; then
    pass "failed allocation: message 41, status 0xC0000029"
  else
    fail "failed allocation: status $status, stderr: $(cat -A "$work/err" | head -5)"
  fi
  rm -rf "$work"
}
memory_exhausted

# ------------------------------------------------------------ the zip package
# cpack makes the zip from the Windows build; unpacked, it holds the static
# tiral.exe, the texts with CR LF and the sample data unchanged, and the
# program run there on that sample writes the Linux build's report.
zip_package() {
  local work version zip top status
  work=$(mktemp -d /tmp/tiral-winzip-XXXXXX)
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-wintest/CMakeCache.txt)
  zip=$work/out/tiral-$version-win64.zip
  top=$work/unpacked/tiral-$version-win64
  if ! cpack --config build-wintest/CPackConfig.cmake -B "$work/out" >"$log_dir/cpack-win.log" 2>&1 || [ ! -f "$zip" ]; then
    fail "cpack made no $(basename "$zip") (see $log_dir/cpack-win.log)"
    rm -rf "$work"
    return
  fi
  mkdir "$work/unpacked"
  (cd "$work/unpacked" && cmake -E tar xf "$zip")
  local want have
  want=$(printf '%s\n' README.txt CHANGELOG.txt LICENSE.txt examples/README.txt examples/climate.txt \
    examples/generate_climate.py tiral.exe | LC_ALL=C sort)
  have=$(cd "$top" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
  if [ "$have" = "$want" ]; then
    pass "the zip holds tiral.exe, README.txt, CHANGELOG.txt, LICENSE.txt and examples/"
  else
    fail "the zip holds: $(echo "$have" | tr '\n' ' ')"
  fi
  local dlls
  dlls=$(x86_64-w64-mingw32-objdump -p "$top/tiral.exe" 2>/dev/null | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
  if [ -n "$dlls" ] && ! grep -qi 'lib[^ ]*\.dll' <<<"$dlls"; then
    pass "the zipped tiral.exe needs only system DLLs ($dlls)"
  else
    fail "the zipped tiral.exe needs: ${dlls:-nothing readable}"
  fi
  local text bare=""
  for text in README.txt CHANGELOG.txt LICENSE.txt examples/README.txt; do
    [ -s "$top/$text" ] && [ "$(grep -c $'[^\r]$\|^$' "$top/$text")" -eq 0 ] || bare+="$text "
  done
  # README.txt is the user's text, not the developers' README, and the
  # examples' README speaks of cmd and PowerShell, not of a Linux shell.
  cmp -s <(tr -d '\r' <"$top/README.txt") doc/README-Windows.txt || bare+="README.txt(not doc/README-Windows.txt) "
  cmp -s <(tr -d '\r' <"$top/examples/README.txt") doc/README-examples-Windows.txt ||
    bare+="examples/README.txt(not doc/README-examples-Windows.txt) "
  if [ -z "$bare" ] && cmp -s "$top/examples/climate.txt" examples/climate.txt; then
    pass "the zip's texts end their lines with CR LF, its sample data is unchanged"
  else
    fail "line ends or sample data in the zip: ${bare:-climate.txt differs}"
  fi
  mkdir "$work/linux"
  cp examples/climate.txt "$work/linux/"
  (cd "$work/linux" && printf 'climate.txt\nreport.txt\n1991\n' | "$root/build-wincheck/tiral" >/dev/null 2>&1)
  (cd "$top/examples" && printf 'climate.txt\nreport.txt\n1991\n' | wine ../tiral.exe >"$work/out/stdout" 2>"$work/out/stderr")
  status=$?
  if [ "$status" -eq 0 ] && [ ! -s "$work/out/stderr" ] && [ -s "$work/linux/report.txt" ] &&
    cmp -s "$top/examples/report.txt" "$work/linux/report.txt"; then
    pass "the unzipped tiral.exe on the unzipped sample: the Linux report byte for byte"
  else
    fail "the unzipped tiral.exe on the unzipped sample: status $status, stderr: $(head -c 300 "$work/out/stderr")," \
      "report $(cmp "$top/examples/report.txt" "$work/linux/report.txt" 2>&1)"
  fi
  rm -rf "$work"
}
zip_package

# ------------------------------------------------------ no work file left
if [ -z "$(ls -A "$wine_temp")" ]; then
  pass "Wine's temporary folder is empty after every run"
else
  fail "files left in Wine's temporary folder: $(ls -A "$wine_temp" | head -20 | tr '\n' ' ')"
fi

finish
