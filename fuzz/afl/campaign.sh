#!/usr/bin/env bash
# A fuzzing campaign of the whole program on one core for MINUTES (default 30),
# into fuzz/out/afl-campaign/ (or the folder given); fails on any finding.
#   fuzz/afl/campaign.sh [MINUTES] [OUTPUT_FOLDER]
set -euo pipefail
here=$(dirname "$0")
minutes=${1:-30}
exec "$here/run.sh" $((minutes * 60)) "${2:-fuzz/out/afl-campaign}"
