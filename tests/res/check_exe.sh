#!/usr/bin/env bash
# Checks what the linker made of memvale.exe: the processor, large-address awareness for the
# 32-bit program, no DLL beyond Windows' own, and the manifest for the right processor.
# Usage: check_exe.sh EXE ARCH(x86|amd64) OBJDUMP
set -euo pipefail
exe=$1 arch=$2 objdump=$3
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

((fail == 0)) && echo "memvale.exe: $arch, imports: $(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
exit $fail
