#!/usr/bin/env bash
# Takes the README's pictures from the real program under Wine and writes them to docs/:
# the tray menu and the Optimization, Startup, About and History pages, at 100 % (96 DPI) and
# at 150 % (144 DPI, the pictures named *-150.png), and the Optimization page in German,
# Japanese and Arabic. Run it again whenever the program's look changes.
# It uses a fresh Wine prefix (default settings) and a private display of its own, installs
# ImageMagick when it is missing, and takes Wine's own fonts from Debian's fonts-wine package
# into that prefix alone.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if ! dpkg-query -W -f='${Status}' imagemagick 2>/dev/null | grep -q 'install ok installed'; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends imagemagick
fi

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)" --target memvale memvale_remote memvale_in_test

state=build/win64/screenshots
[[ -d $state ]] && scripts/wine-session.sh stop "$state"
rm -rf "$state"
mkdir -p "$state"
# Started apart from env, whose command substitution would wait for the session's daemons.
scripts/wine-session.sh start "$state" >/dev/null 2>&1
trap 'scripts/wine-session.sh stop "$state"; rm -rf "$state"' EXIT
eval "$(scripts/wine-session.sh env "$state")"

# Wine's own fonts (MS Sans Serif, Tahoma, the title-bar symbols), for this prefix only, so
# that the pictures show the dialogs' fonts rather than this machine's substitutes.
fonts=$state/fonts
mkdir -p "$fonts"
(cd "$fonts" && apt-get download -q fonts-wine >/dev/null && dpkg-deb -x fonts-wine_*.deb .)
cp "$fonts"/usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
# No window manager runs on the private display: Wine draws the title bars itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null

remote=build/win64/memvale_remote.exe
# The program's command ids, from its own sources (cmake/facts.cmake).
# shellcheck source=/dev/null
source build/win64/memvale_facts.sh

# Polls a command every 0.1 s for up to 30 s until it succeeds.
wait_until() {
  for _ in $(seq 300); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  echo "screenshots.sh: gave up waiting for: $*" >&2
  return 1
}

# Saves the part of the screen that a window of the program covers (main or menu).
# The pause lets the window finish painting and the memory figures settle on a tick.
shoot() {
  local rect
  sleep 1.5
  rect=$(wine "$remote" rect "$1" | tr -d '\r')
  import -window root -crop "$rect" +repage -strip -define png:compression-level=9 "docs/$2"
  echo "docs/$2: $rect"
}

# Wine reads the DPI when a program starts: for each scale the session starts again after the
# value is set, the desktop and the program with it.
take_pictures() {
  local dpi=$1 suffix=$2
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  scripts/wine-session.sh stop "$state"
  scripts/wine-session.sh start "$state" >/dev/null 2>&1
  eval "$(scripts/wine-session.sh env "$state")"

  wine build/win64/memvale.exe &
  wait_until wine "$remote" tray

  wine "$remote" command "$IDM_CONFIG"
  shoot main "page-optimization$suffix.png"
  wine "$remote" next-page
  shoot main "page-startup$suffix.png"
  wine "$remote" next-page
  shoot main "page-about$suffix.png"
  wine "$remote" next-page
  shoot main "page-history$suffix.png"

  wine "$remote" close
  wine "$remote" menu
  wait_until wine "$remote" rect menu
  shoot menu "tray-menu$suffix.png"
}

# The Optimization page in another language, chosen through the Language setting.
take_language_picture() {
  wine reg add 'HKCU\Software\Memvale' /v Language /d "$1" /f >/dev/null
  wine build/win64/memvale.exe &
  wait_until wine "$remote" tray
  wine "$remote" command "$IDM_CONFIG"
  shoot main "page-optimization-$1.png"
  wine "$remote" command "$IDM_EXIT"
  wait_until bash -c "! wine $remote tray"
}

take_pictures 96 ""
take_pictures 144 "-150"
wine "$remote" command "$IDM_EXIT"
wait_until bash -c "! wine $remote tray"
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
scripts/wine-session.sh stop "$state"
scripts/wine-session.sh start "$state" >/dev/null 2>&1
eval "$(scripts/wine-session.sh env "$state")"
for language in de ja ar; do
  take_language_picture "$language"
done

# The History page after three runs. A run on this machine would aim at its own free memory,
# so the test build of the program takes its figures from MEMVALE_TEST_MEMORY (2 GB installed,
# 300 MB free) and its settings from a key of its own; the runs commit 400 MB each.
shots='HKCU\Software\MemvaleShots\Software\Memvale'
wine reg add "$shots" /v ManualFree /t REG_DWORD /d 104857600 /f >/dev/null
wine reg add "$shots" /v HistorySpan /t REG_DWORD /d 0 /f >/dev/null
wine reg add "$shots" /v AutoFree /t REG_DWORD /d 1 /f >/dev/null
MEMVALE_TEST_ROOT='Software\MemvaleShots' MEMVALE_TEST_MEMORY='2147483648 314572800' \
  wine build/win64/memvale_in_test.exe &
wait_until wine "$remote" tray
sleep 20
for _ in 1 2 3; do
  wine "$remote" command "$IDM_FREE_NOW"
  sleep 25
done
wine "$remote" command "$IDM_CONFIG"
for _ in 1 2 3; do
  wine "$remote" next-page
done
shoot main "page-history.png"
wine "$remote" command "$IDM_EXIT"
