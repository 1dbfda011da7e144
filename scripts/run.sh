#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it under Wine: on $DISPLAY when
# there is one, otherwise on a private Xvfb display whose number it prints.
# The 32-bit program is the one that ships; this machine can only run the 64-bit build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target memvale

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [[ -n ${DISPLAY:-} ]]; then
  export WINEPREFIX=$PWD/build/win64/wine/desktop-prefix
  exec wine build/win64/memvale.exe
fi
eval "$(scripts/wine-session.sh env build/win64)"
echo "Memvale runs on the private display $DISPLAY (stop it with: scripts/wine-session.sh stop build/win64)"
exec wine build/win64/memvale.exe
