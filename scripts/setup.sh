#!/usr/bin/env bash
# Installs the cross compilers, Wine and the X server that the build and the tests need; NSIS,
# zip, and a JSON Schema validator with a YAML reader for the release packages and their
# manifests; and, where this machine runs 32-bit x86 programs, Wine's 32-bit loader (i386
# multiarch) for the 32-bit program's tests and the installer's (itself a 32-bit program);
# gettext for the translations' check, a CJK font for the texts-fit tests' Chinese, Japanese and
# Korean glyphs, and the locales the language tests start the program in.
# Quick when everything is there already.
set -euo pipefail
cd "$(dirname "$0")/.."

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

packages=(cmake make g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 xvfb xauth googletest nsis zip
  python3-jsonschema python3-yaml gettext fonts-wqy-microhei fonts-thai-tlwg locales)
if scripts/runs-32bit.sh; then
  packages+=(wine32:i386)
else
  echo "This machine does not run 32-bit x86 programs: Wine's 32-bit loader is not installed."
fi

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
