#!/usr/bin/env bash
# Checks what the linker made of memvale.exe: the processor, large-address awareness for the
# 32-bit program, no DLL beyond Windows' own, no function that Windows 7 lacks, the manifest for the right processor with its DPI
# awareness and Windows versions, the size of a download without debug information, and the
# version resource against the build file's.
# Usage: check_exe.sh EXE ARCH(x86|amd64) OBJDUMP VERSION(x.y.z) WINDRES
set -euo pipefail
exe=$1 arch=$2 objdump=$3 version=$4 windres=$5
headers=$("$objdump" -p "$exe")
fail=0

# Every imported function as dll!function, the DLL's name in lower case.
imported_functions() {
  awk '/^[[:space:]]*DLL Name: / { dll = tolower($3); next }
       /^[[:space:]]*$/ { dll = "" }
       dll != "" && /^[[:space:]]*[0-9a-f]+[[:space:]]+[0-9]+[[:space:]]+[^ ]+/ { print dll "!" $3 }' <<<"$headers"
}

if [[ $arch == x86 ]]; then
  grep -q 'file format pei-i386' <<<"$headers" || { echo "not a 32-bit program"; fail=1; }
  grep -qi 'large address aware' <<<"$headers" || { echo "not large-address-aware"; fail=1; }
else
  grep -q 'file format pei-x86-64' <<<"$headers" || { echo "not a 64-bit program"; fail=1; }
fi

allowed='^(kernel32|user32|gdi32|comctl32|shell32|advapi32|ole32|msvcrt)\.dll$'
while read -r dll; do
  if ! grep -qiE "$allowed" <<<"$dll"; then
    echo "imports a DLL that Windows does not have: $dll"
    fail=1
  fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")

# Wine has every function of Windows 10, so only this list keeps a newer import (one a runtime
# update pulls in) from passing every test and failing to start on Windows 7.
allow_list=$(dirname "$0")/win7_imports.txt
unknown=$(comm -23 <(imported_functions | sort -u) <(grep -v '^#' "$allow_list" | sed '/^$/d' | sort -u))
if [[ -n $unknown ]]; then
  echo "imports functions not confirmed for Windows 7 (see $allow_list):"
  echo "$unknown"
  fail=1
fi

grep -aq "processorArchitecture=\"$arch\"" "$exe" || { echo "manifest not for $arch"; fail=1; }
# Per-monitor v2 where Windows knows it, system awareness before (never per-monitor v1, which
# leaves the controls at the old size); Windows 7 to 11 declared, so that none of them runs the
# program in an older compatibility mode.
grep -aq '<dpiAwareness[^>]*>PerMonitorV2, System</dpiAwareness>' "$exe" || { echo "manifest lacks PerMonitorV2, System"; fail=1; }
grep -aq '<dpiAware[^>]*>true</dpiAware>' "$exe" || { echo "manifest lacks dpiAware true"; fail=1; }
for os in 35138b9a-5d96-4fbd-8e2d-a2440225f93a 4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 \
          1f676c76-80e1-4239-95bb-83d0f6d0da78 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
  grep -aq "supportedOS Id=\"{$os}\"" "$exe" || { echo "manifest lacks supportedOS $os"; fail=1; }
done

# Each language but English carries its string tables, at most 12 KB of them: summed here per
# language from the resource directory, with each table's directory entries.
declare -A language_bytes=()
while read -r language bytes; do
  language_bytes[$language]=$((${language_bytes[$language]:-0} + bytes + 40))
done < <(awk '
  /^[0-9a-f]+   Entry: ID: / { type = $4 }
  /^[0-9a-f]+       Entry: ID: / { language = $4 }
  /Leaf: Addr:/ && type == "0x000006," && language != "0x000409," { sub(",", "", $6); print language, $6 }
  ' <<<"$headers")
languages=${#language_bytes[@]}
for language in "${!language_bytes[@]}"; do
  bytes=${language_bytes[$language]}
  ((bytes <= 12 * 1024)) || { echo "language ${language%,} takes $bytes bytes, more than 12 KB"; fail=1; }
done

# Most of it is the static C++ runtime; the icons in seven sizes at 32-bit colour take about
# 35 KB. A program that grows past this has taken in something it should not carry; each
# language may add its 12 KB.
max_size=$((256 * 1024 + languages * 12 * 1024))
size=$(stat -c %s "$exe")
((size <= max_size)) || { echo "$size bytes, more than $max_size"; fail=1; }
grep -qE '^ *[0-9]+ \.debug' <<<"$("$objdump" -h "$exe")" && { echo "carries debug sections"; fail=1; }

# Both binary fields and both strings of VERSIONINFO, and the manifest's own identity, carry
# the build file's version.
resources=$("$windres" -i "$exe" -O rc)
numbers="${version//./, }, 0"
for field in FILEVERSION PRODUCTVERSION; do
  grep -qx "\s*$field $numbers" <<<"$resources" || { echo "$field is not $numbers"; fail=1; }
done
for name in FileVersion ProductVersion; do
  grep -qF "VALUE \"$name\", \"$version.0\"" <<<"$resources" || { echo "$name is not $version.0"; fail=1; }
done
grep -aqE "<assemblyIdentity name=\"[^\"]*\" version=\"${version//./\\.}\\.0\"" "$exe" ||
  { echo "the manifest's version is not $version.0"; fail=1; }

((fail == 0)) && echo "memvale.exe: $arch, $size bytes, $languages languages ($(for l in "${!language_bytes[@]}"; do echo -n "${l%,} ${language_bytes[$l]} "; done)bytes), version $version, imports: $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
exit $fail
