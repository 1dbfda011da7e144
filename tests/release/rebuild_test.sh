#!/usr/bin/env bash
# Bit for bit: the packages in dist/ (and the programs in build/) are built a second time from
# a copy of the same sources in another folder, later, and every file must come out the same.
# Usage: rebuild_test.sh SOURCE_DIR STATE_DIR
# Exits 77 (skipped) when there are no packages yet: bash scripts/package.sh makes them.
set -euo pipefail
source_dir=$(cd "$1" && pwd) state=$2
if [[ ! -f $source_dir/dist/SHA256SUMS ]]; then
  echo "no $source_dir/dist/SHA256SUMS: make the packages with bash scripts/package.sh"
  exit 77
fi

rm -rf "$state"
mkdir -p "$state/src"
# The sources as they are in the tree, changes not yet committed included; none of its builds.
(cd "$source_dir" && git ls-files -z --cached --others --exclude-standard |
  grep -zv -e '^build/' -e '^dist/' | tar --null --no-recursion -T - -cf -) | tar -xf - -C "$state/src"

epoch=$(git -C "$source_dir" log -1 --format=%ct)
start=$SECONDS
SOURCE_DATE_EPOCH=$epoch bash "$state/src/scripts/package.sh" >"$state/package.log" 2>&1 ||
  { cat "$state/package.log"; exit 1; }
echo "second build and packages: $((SECONDS - start)) s"

failures=0
for arch in win32 win64; do
  cmp "$source_dir/build/$arch/memvale.exe" "$state/src/build/$arch/memvale.exe" ||
    failures=$((failures + 1))
done
cmp "$source_dir/dist/SHA256SUMS" "$state/src/dist/SHA256SUMS" || failures=$((failures + 1))
(cd "$state/src/dist" && sha256sum --quiet -c "$source_dir/dist/SHA256SUMS") || failures=$((failures + 1))
if ((failures)); then
  echo "FAIL: the second build differs (are dist/ and build/ older than the sources? run bash scripts/package.sh)"
  exit 1
fi
echo "both builds are identical: $(wc -l <"$source_dir/dist/SHA256SUMS") packaged files and both programs"
rm -rf "$state"
