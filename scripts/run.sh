#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it under Wine: on $DISPLAY when
# there is one, otherwise on a private Xvfb display whose number it prints.
# Usage: run.sh [win64|win32]   (the 64-bit program by default; win32 needs a machine that
# runs 32-bit programs)
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-win64}
case $preset in
  win64 | win32) ;;
  *) echo "usage: $0 [win64|win32]" >&2; exit 2 ;;
esac
scripts/setup.sh

cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)" --target memvale

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [[ -n ${DISPLAY:-} ]]; then
  export WINEPREFIX=$PWD/build/$preset/wine/desktop-prefix
  exec wine "build/$preset/memvale.exe"
fi
scripts/wine-session.sh start "build/$preset"
eval "$(scripts/wine-session.sh env "build/$preset")"
echo "Memvale runs on the private display $DISPLAY (stop it with: scripts/wine-session.sh stop build/$preset)"
exec wine "build/$preset/memvale.exe"
