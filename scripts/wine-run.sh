#!/usr/bin/env bash
# Runs one Windows program in the build folder's Wine session, starting the session if needed.
# CTest uses it as the cross-compiling emulator: wine-run.sh BUILD_DIR PROGRAM [ARGS...]
set -euo pipefail
build=$1
shift
eval "$("$(dirname "$0")/wine-session.sh" env "$build")"
exec wine "$@"
