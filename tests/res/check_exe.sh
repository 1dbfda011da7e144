#!/usr/bin/env bash
# Checks what the linker made of memvale.exe: the processor, large-address awareness for the
# 32-bit program, no DLL beyond Windows' own, the manifest for the right processor, the size of
# a download without debug information, and the version resource against the build file's.
# Usage: check_exe.sh EXE ARCH(x86|amd64) OBJDUMP VERSION(x.y.z) WINDRES
set -euo pipefail
exe=$1 arch=$2 objdump=$3 version=$4 windres=$5
headers=$("$objdump" -p "$exe")
fail=0

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
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")

grep -aq "processorArchitecture=\"$arch\"" "$exe" || { echo "manifest not for $arch"; fail=1; }

max_size=$((200 * 1024))
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

((fail == 0)) && echo "memvale.exe: $arch, $size bytes, version $version, imports: $(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
exit $fail
