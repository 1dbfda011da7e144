#!/usr/bin/env bash
# Each folder of the program includes only from the folders below it:
# base <- settings <- engine <- pages <- shell (res/ is shared by all).
set -euo pipefail
cd "$(dirname "$0")/.."
floors=(base settings engine pages shell)
status=0
for i in "${!floors[@]}"; do
  above=("${floors[@]:i+1}")
  ((${#above[@]})) || continue
  pattern="#include \"($(IFS='|'; echo "${above[*]}"))/"
  if grep -nE "$pattern" "${floors[i]}"/*.h "${floors[i]}"/*.cpp; then
    echo "${floors[i]}/ includes from a folder above it"
    status=1
  fi
done
exit $status
