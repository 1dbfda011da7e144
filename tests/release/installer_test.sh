#!/usr/bin/env bash
# The installer under Wine, in a fresh prefix of its own:
#  1. a silent install puts the program for this processor, the guide, the licence and the
#     uninstaller in place, adds the Start-menu shortcut and the uninstall entry, and no Run value;
#  2. the installed program starts and shows its tray icon;
#  3. a silent install with /AUTOSTART over the running program ends it cleanly, with its
#     settings saved, and writes the Run value the program's own check box writes;
#  4. with the program running again, a silent uninstall ends it the same way;
#  5. a portable copy, running and named by the Run value, survives a silent install and
#     uninstall, which then leave nothing of Memvale's but the settings key and the copy;
#  6. in a 32-bit prefix of its own, a silent install puts the 32-bit program in place.
# Usage: installer_test.sh SETUP_EXE VERSION MEMVALE_REMOTE_EXE STATE_DIR OBJDUMP FACTS
# (FACTS: the build's memvale_facts.sh, the program's command ids and registry keys).
# Exits 77 (skipped) when there is no installer yet: bash scripts/package.sh makes it.
set -euo pipefail
setup=$1 version=$2 remote=$3 state=$4 objdump=$5
# shellcheck source=/dev/null
source "$6"
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
if [[ ! -f $setup ]]; then
  echo "no installer $setup: make it with bash scripts/package.sh"
  exit 77
fi
if ! "$scripts/runs-32bit.sh"; then
  echo "installer test skipped: the installer is a 32-bit program, and this machine does not run 32-bit x86 programs"
  exit 77
fi

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Polls a command every 0.1 s until it succeeds; false after the given seconds.
wait_until() {
  local seconds=$1
  shift
  for _ in $(seq $((seconds * 10))); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

[[ -d $state ]] && "$scripts/wine-session.sh" stop "$state"
rm -rf "$state"
mkdir -p "$state"
# Started apart from env, whose command substitution would wait for the session's daemons.
"$scripts/wine-session.sh" start "$state" >/dev/null 2>&1
trap '"$scripts/wine-session.sh" stop "$state"' EXIT
eval "$("$scripts/wine-session.sh" env "$state")"
# The Start-menu shortcut must not become a menu entry of this machine's own desktop.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

user_dir=$WINEPREFIX/drive_c/users/$(id -un)
install_dir=$user_dir/AppData/Local/Programs/Memvale
shortcut="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Memvale.lnk"
win_dir="C:\\users\\$(id -un)\\AppData\\Local\\Programs\\Memvale"
win_exe="$win_dir\\memvale.exe"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Memvale'
run_key="HKCU\\$RUN_KEY"
settings_key="HKCU\\$SETTINGS_KEY"
portable_dir="$WINEPREFIX/drive_c/Portable Memvale"
portable_exe='C:\Portable Memvale\memvale.exe'

# The data of one registry value, as reg prints it; fails when the value is not there.
reg_value() {
  local out
  out=$(wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r') || return 1
  sed -n "s/^ *$2 *REG_[A-Z_]* *//p" <<<"$out" | grep .
}

expect_value() {
  local got
  got=$(reg_value "$1" "$2") || got="(none)"
  [[ $got == "$3" ]] || fail "$1 $2 is $got, not $3"
}

# The Interval value, which the program reads at start and writes back at exit, and AutoFree 1,
# so that the program never frees a share of this machine's memory when it runs low.
seed_settings() {
  wine reg delete "$settings_key" /f >/dev/null 2>&1 || true
  wine reg add "$settings_key" /v Interval /t REG_DWORD /d "$1" /f >/dev/null
  wine reg add "$settings_key" /v AutoFree /t REG_DWORD /d 1 /f >/dev/null
}

# The sixteen values the program writes at exit (large memory amounts as REG_QWORD), with
# the Interval that was seeded.
expect_saved_settings() {
  local count
  count=$(wine reg query "$settings_key" 2>/dev/null | tr -d '\r' | grep -cE 'REG_(DWORD|QWORD)') || true
  ((count == 16)) || fail "$1: the settings key holds $count values, not 16"
  expect_value "$settings_key" Interval "$(printf '0x%x' "$2")"
}

# Starts the program (the installed one unless named) in the background and waits for its tray icon.
start_memvale() {
  wine "${2:-$win_exe}" &
  memvale_pid=$!
  wait_until 30 wine "$remote" tray || fail "$1: no tray icon for the program"
}

# The program ended by itself with exit code 0.
expect_memvale_ended() {
  if ! wait_until 10 bash -c "! kill -0 $memvale_pid"; then
    fail "$1: the program is still running"
    kill "$memvale_pid"
    return
  fi
  local code=0
  wait "$memvale_pid" || code=$?
  ((code == 0)) || fail "$1: the program ended with exit code $code"
}

echo "1. silent install"
wine "$setup" /S || fail "the silent install failed"
for file in memvale.exe README.txt LICENSE.txt uninstall.exe; do
  [[ -f $install_dir/$file ]] || fail "no $file in $install_dir"
done
"$objdump" -f "$install_dir/memvale.exe" | grep -q 'pei-x86-64' || fail "not the 64-bit program on x64 Windows"
[[ -f $shortcut ]] || fail "no Start-menu shortcut"
expect_value "$uninstall_key" DisplayName "Memvale"
expect_value "$uninstall_key" DisplayVersion "$version"
expect_value "$uninstall_key" Publisher "Jonas Ferren"
expect_value "$uninstall_key" DisplayIcon "$win_exe,0"
expect_value "$uninstall_key" InstallLocation "$win_dir"
expect_value "$uninstall_key" UninstallString "\"$win_dir\\uninstall.exe\""
expect_value "$uninstall_key" QuietUninstallString "\"$win_dir\\uninstall.exe\" /S"
expect_value "$uninstall_key" NoModify 0x1
expect_value "$uninstall_key" NoRepair 0x1
[[ $(reg_value "$uninstall_key" EstimatedSize) =~ ^0x[0-9a-f]*[1-9a-f][0-9a-f]*$ ]] || fail "no EstimatedSize"
reg_value "$run_key" "$RUN_VALUE" >/dev/null && fail "a Run value without /AUTOSTART"

echo "2. the installed program starts and shows its tray icon"
seed_settings 1500
start_memvale "first start"

echo "3. silent install with /AUTOSTART over the running program"
wine "$setup" /S /AUTOSTART || fail "the install over the running program failed"
expect_memvale_ended "install over it"
expect_saved_settings "install over it" 1500
[[ -f $install_dir/memvale.exe ]] || fail "no program after installing over it"
expect_value "$run_key" "$RUN_VALUE" "\"$win_exe\""

echo "4. silent uninstall while the program runs"
# The portable copy of step 5: the installed program, copied away.
mkdir -p "$portable_dir"
cp "$install_dir/memvale.exe" "$portable_dir/"
seed_settings 1600
start_memvale "second start"
# The uninstaller copies itself away and returns at once; the copy does the work.
wine "$win_dir\\uninstall.exe" /S || fail "the silent uninstall failed"
expect_memvale_ended "uninstall"
wait_until 20 test ! -e "$install_dir" || fail "$install_dir is still there"
[[ -e $shortcut ]] && fail "the Start-menu shortcut is still there"
wait_until 10 bash -c "! wine reg query '$uninstall_key'" || fail "the uninstall entry is still there"
reg_value "$run_key" "$RUN_VALUE" >/dev/null && fail "the Run value is still there"
expect_saved_settings "uninstall" 1600

echo "5. a portable copy survives a silent install and uninstall"
wine reg add "$run_key" /v "$RUN_VALUE" /d "\"$portable_exe\"" /f >/dev/null
start_memvale "portable copy" "$portable_exe"
wine "$setup" /S || fail "the install beside the portable copy failed"
wine "$remote" tray >/dev/null || fail "the install ended the portable copy"
wine "$win_dir\\uninstall.exe" /S || fail "the uninstall beside the portable copy failed"
wait_until 20 test ! -e "$install_dir" || fail "$install_dir is still there beside the portable copy"
wine "$remote" tray >/dev/null || fail "the uninstall ended the portable copy"
expect_value "$run_key" "$RUN_VALUE" "\"$portable_exe\""
wine "$remote" command "$IDM_EXIT"
expect_memvale_ended "portable copy"
wine reg delete "$run_key" /v "$RUN_VALUE" /f >/dev/null 2>&1 || true
rm -rf "$portable_dir"

echo "6. silent install on 32-bit Windows"
prefix32=$state/prefix32
WINEPREFIX=$prefix32 WINEARCH=win32 wine "$setup" /S || fail "the silent install on 32-bit Windows failed"
"$objdump" -f "$prefix32/drive_c/users/$(id -un)/AppData/Local/Programs/Memvale/memvale.exe" |
  grep -q 'pei-i386' || fail "not the 32-bit program on 32-bit Windows"
WINEPREFIX=$prefix32 wineserver -k

# Nothing else of Memvale's is left: no file, and no registry key or value once Wine has
# written the registry out.
"$scripts/wine-session.sh" stop "$state"
trap - EXIT
leftovers=$(find "$WINEPREFIX/drive_c" -iname '*memvale*')
[[ -z $leftovers ]] || fail "left behind: $leftovers"
leftovers=$(awk '/^\[/ { section = $1 } tolower($0) ~ /memvale/ && section != "[Software\\\\Memvale]" { print }' \
  "$WINEPREFIX/user.reg" "$WINEPREFIX/system.reg")
[[ -z $leftovers ]] || fail "left in the registry: $leftovers"

if ((failures == 0)); then
  echo "installer: all checks passed"
  rm -rf "$state"
fi
exit $((failures > 0))
