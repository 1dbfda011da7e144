#!/usr/bin/env bash
# Builds both programs and makes the release packages in dist/:
#   memvale-VERSION-win64.zip, memvale-VERSION-win32.zip  portable: memvale.exe, README.txt, LICENSE.txt
#   memvale-VERSION-setup.exe                             the installer, from installer/memvale.nsi
# VERSION is the one in CMakeLists.txt's project(). Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

version=$(sed -n 's/^project(Memvale VERSION \([0-9]*\.[0-9]*\.[0-9]*\).*/\1/p' CMakeLists.txt)
[[ -n $version ]] || { echo "package.sh: no x.y.z version in CMakeLists.txt's project()" >&2; exit 1; }

for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)" --target memvale
done

mkdir -p dist build
stage=$(mktemp -d build/package.XXXXXX)
trap 'rm -rf "$stage"' EXIT
# Text files in Windows line endings, for every editor that opens them there.
sed 's/\r*$/\r/' docs/README.txt >"$stage/README.txt"
sed 's/\r*$/\r/' LICENSE >"$stage/LICENSE.txt"

for arch in win32 win64; do
  zip_file=dist/memvale-$version-$arch.zip
  rm -f "$zip_file"
  zip -q -X -j "$zip_file" "build/$arch/memvale.exe" "$stage/README.txt" "$stage/LICENSE.txt"
done

makensis -V2 -DVERSION="$version" -DWIN32_EXE="$PWD/build/win32/memvale.exe" \
  -DWIN64_EXE="$PWD/build/win64/memvale.exe" -DDOCS="$PWD/$stage" -DICON="$PWD/res/app.ico" \
  -DOUTFILE="$PWD/dist/memvale-$version-setup.exe" -DFACTS="$PWD/build/win64/memvale_facts.nsh" \
  installer/memvale.nsi

ls -l dist/memvale-"$version"-*
