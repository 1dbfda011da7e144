#!/usr/bin/env bash
# Installs the cross compilers, Wine and the X server that the build and the tests need.
# Quick when everything is there already; never installs wine32, which cannot run here and
# would make the wine launcher pick the 32-bit loader.
set -euo pipefail

packages=(cmake make g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 xvfb xauth googletest)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
