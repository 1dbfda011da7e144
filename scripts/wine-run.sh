#!/usr/bin/env bash
# Runs one Windows program in the build folder's Wine session, starting the session if needed.
# CTest uses it as the cross-compiling emulator: wine-run.sh BUILD_DIR PROGRAM [ARGS...]
# The program writes to a file, shown when it ends: a Wine process it starts on the way (the
# desktop, a service) outlives it and would keep CTest's output pipe open until its time-out.
set -uo pipefail
build=$1
shift
eval "$("$(dirname "$0")/wine-session.sh" env "$build")"
output=$(mktemp)
trap 'rm -f "$output"' EXIT
# Now and then Wine fails to start the program at all and hands it to start.exe, which says
# so in these words; the program never ran, so it is started again.
for attempt in 1 2 3; do
  wine "$@" >"$output" 2>&1 </dev/null
  code=$?
  grep -q '^ShellExecuteEx failed' "$output" && head -c 200 "$output" | grep -q '^Application could not be started' || break
  echo "wine-run.sh: Wine could not start $1 (attempt $attempt), starting it again" >&2
done
cat "$output"
exit $code
