#!/usr/bin/env bash
# Installs what is missing, builds both programs and runs every test under Wine: the 64-bit
# suites always, the 32-bit ones where this machine runs 32-bit programs. Exits non-zero on
# any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
# The release packages, which the installer test installs under Wine.
scripts/package.sh

# CTest starts and stops each build's Wine session; the trap stops it as well when a run is
# interrupted before CTest's own stop.
sessions=()
trap 'for b in "${sessions[@]}"; do scripts/wine-session.sh stop "$b"; done' EXIT
run_suites() {
  sessions+=("build/$1")
  ctest --preset "$1"
}

if scripts/runs-32bit.sh; then
  run_suites win32
else
  echo "32-bit suites skipped: this machine does not run 32-bit x86 programs (only the 32-bit program's exe check runs)."
  # Listing the suites' tests still starts the session; the trap stops it.
  sessions+=(build/win32)
  ctest --preset win32 -R '^memvale_exe_check$'
fi
run_suites win64
