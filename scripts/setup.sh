#!/usr/bin/env bash
# Installs the cross compilers, Wine and the X server that the build and the tests need,
# and NSIS and zip for the release packages. Quick when everything is there already.
set -euo pipefail

packages=(cmake make g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 xvfb xauth googletest)
# Release packages; the installer is a 32-bit program, which the installer test runs under Wine.
packages+=(nsis zip wine32:i386)
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
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
