#!/usr/bin/env bash
# What a user gets: the tree that `cmake --install` makes (install), the one
# in the tarball that `cpack` makes (package), or the /usr tree of the Debian
# package unpacked by dpkg-deb (deb), into a temporary folder. It must hold
# exactly the program, the manual page, the README, the change log, the
# licence and the sample data with its README and generator, copied
# unchanged (the manual page compressed), Debian's copyright file and change
# log; lintian finds no error in the Debian package; the program found there, run on the sample found there, must
# write the same report as the program of the build tree.
#   install_test.sh install|package|deb BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
mode=$1
build=$(realpath "$2")
source=$(realpath "$3")
version=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

case $mode in
  install)
    cmake --install "$build" --prefix "$work/prefix" >"$work/install.log"
    root=$work/prefix
    ;;
  package)
    cpack --config "$build/CPackConfig.cmake" -G TGZ -B "$work/out" >"$work/cpack.log" ||
      { cat "$work/cpack.log"; exit 1; }
    tarball=$work/out/tiral-$version-Linux.tar.gz
    [ -f "$tarball" ] || { echo "no $(basename "$tarball") in: $(ls "$work/out")"; exit 1; }
    mkdir "$work/unpacked"
    tar -xzf "$tarball" -C "$work/unpacked"
    root=$work/unpacked/tiral-$version-Linux
    [ -d "$root" ] || { echo "the tarball has no folder tiral-$version-Linux: $(ls "$work/unpacked")"; exit 1; }
    ;;
  deb)
    cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" ||
      { cat "$work/cpack.log"; exit 1; }
    deb=$work/out/tiral_${version}_$(dpkg --print-architecture).deb
    [ -f "$deb" ] || { echo "no $(basename "$deb") in: $(ls "$work/out")"; exit 1; }
    for field in Package:tiral Version:$version Architecture:$(dpkg --print-architecture); do
      [ "$(dpkg-deb -f "$deb" "${field%%:*}")" = "${field#*:}" ] ||
        { echo "the package's ${field%%:*} is '$(dpkg-deb -f "$deb" "${field%%:*}")', not ${field#*:}"; exit 1; }
    done
    # Everything under /usr, and nothing else than the folders leading there.
    outside=$(dpkg-deb --contents "$deb" | awk '{ print $6 }' | grep -vE '^\./(usr/.*)?$' || true)
    [ -z "$outside" ] || { echo "the package puts files outside /usr: $outside"; exit 1; }
    if command -v lintian >/dev/null; then
      lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 ||
        { echo "lintian finds errors:"; grep -v '^running with root' "$work/lintian.log"; exit 1; }
    else
      lintian_missing=1
    fi
    mkdir "$work/unpacked"
    dpkg-deb -x "$deb" "$work/unpacked"
    root=$work/unpacked/usr
    ;;
  *)
    echo "usage: $0 install|package|deb BUILD_DIR SOURCE_DIR VERSION"
    exit 2
    ;;
esac

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Installed path, and the source file it must be a copy of.
copies=(
  "share/tiral/examples/climate.txt|examples/climate.txt"
  "share/tiral/examples/README.md|examples/README.md"
  "share/tiral/examples/generate_climate.py|examples/generate_climate.py"
  "share/doc/tiral/README.md|README.md"
  "share/doc/tiral/CHANGELOG.md|CHANGELOG.md"
  "share/doc/tiral/LICENSE|LICENSE"
  "share/doc/tiral/copyright|doc/copyright"
  "share/man/man1/tiral.1.gz|doc/tiral.1"
)
want="bin/tiral"$'\n'"share/doc/tiral/changelog.gz"
for entry in "${copies[@]}"; do
  installed=${entry%%|*}
  want+=$'\n'$installed
  if [[ $installed == *.gz ]]; then
    gzip -dc "$root/$installed" | cmp -s - "$source/${entry#*|}" || fail "$installed is not ${entry#*|} compressed"
  else
    cmp -s "$root/$installed" "$source/${entry#*|}" || fail "$installed is not a copy of ${entry#*|}"
  fi
done
gzip -dc "$root/share/doc/tiral/changelog.gz" | head -1 | grep -qx "tiral ($version) unstable; urgency=medium" ||
  fail "share/doc/tiral/changelog.gz does not begin with version $version"
have=$(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
want=$(LC_ALL=C sort <<<"$want")
[ "$have" = "$want" ] ||
  fail "files differ (+ there, - missing): $(diff <(echo "$want") <(echo "$have") | grep '^[<>]' | tr '<>\n' '-+ ')"
[ -x "$root/bin/tiral" ] || fail "bin/tiral is not executable"

# The same answers for both programs: the report's second record shows the
# input name as typed.
sample=$root/share/tiral/examples/climate.txt
run() {
  mkdir "$work/$1"
  (cd "$work/$1" && printf "'%s'\nreport.txt\n1991\n" "$sample" | TMPDIR=$work/$1 "$2" >stdout 2>stderr) ||
    fail "$1: exit status $?"
}
mkdir "$work/runs"
run runs/installed "$root/bin/tiral"
run runs/built "$build/tiral"
[ -s "$work/runs/installed/stderr" ] && fail "installed program: $(head -c 300 "$work/runs/installed/stderr")"
cmp -s "$work/runs/installed/stdout" "$work/runs/built/stdout" || fail "console transcripts differ"
[ "$(wc -l <"$work/runs/installed/report.txt")" -eq 40 ] || fail "the installed program's report is not 40 records"
cmp -s "$work/runs/installed/report.txt" "$work/runs/built/report.txt" || fail "reports differ"
cmp -s "$sample" "$source/examples/climate.txt" || fail "the run changed the installed sample"

if [ "$failures" -ne 0 ]; then
  echo "$mode: $failures failures"
  exit 1
fi
echo "$mode: $(wc -l <<<"$want") files in place, the installed program writes the built program's report"
if [ -n "${lintian_missing:-}" ]; then
  echo "deb: lintian is not installed (Debian: lintian), so the package was not checked by it; skipped"
  exit 77
fi
