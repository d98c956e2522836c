#!/usr/bin/env bash
# The README's first command configures on a machine with only CMake and a
# C++ compiler: its configure step, taken from the README's text, run in a
# temporary folder with GoogleTest, Python and Google Benchmark made
# unfindable, so that any search for them fails the configure.
#   first_command_test.sh SOURCE_DIR
set -euo pipefail
source=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The first code block of the README is the first command; its configure step
# is what comes before the first "&&".
first=$(awk '/^```/ { if (inside) exit; inside = 1; next } inside' "$source/README.md" | head -n 1)
configure=${first%%&&*}
case $configure in
  "cmake -S . -B build-release "*-DBUILD_TESTING=OFF*) ;;
  *) echo "the README's first command does not configure with -DBUILD_TESTING=OFF: $first"; exit 1 ;;
esac
read -r -a words <<<"$configure"
words[4]=$work/build  # the build folder
if ! (cd "$source" && "${words[@]}" -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_Python3=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >"$work/configure.log" 2>&1); then
  cat "$work/configure.log"
  echo "the first command's configure needs more than CMake and a compiler"
  exit 1
fi
if grep -qiE '^(GTest|Python3|benchmark)_' "$work/build/CMakeCache.txt"; then
  echo "the first command's configure looked for: $(grep -iE '^(GTest|Python3|benchmark)_' "$work/build/CMakeCache.txt")"
  exit 1
fi
echo "first command: configures without GoogleTest, Python or Google Benchmark: ${words[*]}"
