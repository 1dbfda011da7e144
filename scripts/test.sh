#!/usr/bin/env bash
# Installs what is missing, builds both programs and runs every test under Wine: the 64-bit
# suites always, the 32-bit ones where this machine runs 32-bit programs. Exits non-zero on
# any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
# Where 32-bit programs cannot run, the 32-bit suites could not even be listed: that build
# makes the program and its checks only.
runs32=1
scripts/runs-32bit.sh || runs32=0
if ((runs32)); then
  cmake --preset win32 >/dev/null
else
  cmake --preset win32 -DMEMVALE_TESTS=OFF >/dev/null
fi
cmake --preset win64 >/dev/null
for preset in win32 win64; do
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

if ((runs32)); then
  run_suites win32
else
  echo "32-bit suites skipped: this machine does not run 32-bit x86 programs (only the 32-bit program's checks run)."
  ctest --preset win32
fi
run_suites win64
