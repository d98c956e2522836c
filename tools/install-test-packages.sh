#!/usr/bin/env bash
# Installs, from Debian's packages, what the builds and every test stage need,
# when any of it is missing (as root, without questions). A machine that has
# them all is left alone, so the script costs nothing on a second run.
#
#   bash tools/install-test-packages.sh
set -euo pipefail

packages=(
  # the builds and the unit, end-to-end and report-model tests
  cmake g++ make libgtest-dev libgmock-dev googletest python3 bc time
  # the sanitizer, fuzzing and benchmark stages
  clang libclang-rt-dev afl++ libbenchmark-dev valgrind
  # the packages stage: manual page, recipes, batch runs, chart and package checks
  groff-base man-db parallel mawk librsvg2-bin libxml2-utils lintian
  openssh-server openssh-client rsync
  # the Windows build under Wine
  g++-mingw-w64-x86-64-posix wine wine64
)

if dpkg -s "${packages[@]}" >/dev/null 2>&1; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-test-packages: these Debian packages are needed; run this script as root:" >&2
  echo "  ${packages[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y "${packages[@]}" </dev/null
