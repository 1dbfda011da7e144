#!/usr/bin/env bash
# Installs what is missing, builds both programs and runs every test (the 64-bit suites under
# Wine). Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
# The release packages, which the installer test installs under Wine.
scripts/package.sh

scripts/wine-session.sh start build/win64
trap 'scripts/wine-session.sh stop build/win64' EXIT
ctest --preset win32
ctest --preset win64
