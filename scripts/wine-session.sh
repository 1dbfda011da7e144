#!/usr/bin/env bash
# One Wine session per build folder: a private prefix, a persistent wineserver and a private
# Xvfb display, so that each Windows process starts in a fraction of a second.
# Usage: wine-session.sh start|stop|env BUILD_DIR   (env prints the variables to export)
set -euo pipefail

cmd=$1
build=$(cd "$2" && pwd)
state=$build/wine
mkdir -p "$state"
# No Mono or Gecko prompts, and no menu entries on this machine's own desktop.
export WINEPREFIX=$state/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

display_alive() {
  [[ -f $state/xvfb.pid && -f $state/display ]] && kill -0 "$(cat "$state/xvfb.pid")" 2>/dev/null
}

start_xvfb() {
  # Xvfb picks a free display itself and writes its number once it is ready, so that sessions
  # started at the same time never take the same one.
  rm -f "$state/display.n"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$state/display.n" >"$state/xvfb.log" 2>&1 9>&- &
  echo $! >"$state/xvfb.pid"
  for _ in $(seq 200); do
    [[ -s $state/display.n ]] && break
    sleep 0.05
  done
  echo ":$(tr -d '[:space:]' <"$state/display.n")" >"$state/display"
}

# Windows' Chinese, Japanese and Korean font names, and the links that dialog fonts follow for
# those scripts, all lead to the CJK font installed here, and Thai to a Thai font, so that the
# tests measure real glyphs.
map_cjk_fonts() {
  local font="WenQuanYi Micro Hei" reg=$state/cjk-fonts.reg
  python3 - "$font" >"$reg" <<'PY'
import sys
font = sys.argv[1]
def multi(*texts):
    data = ''.join(t + '\0' for t in texts) + '\0'
    return 'hex(7):' + ','.join('%02x' % b for b in data.encode('utf-16-le'))
print('REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]')
for name in ('Microsoft YaHei', 'Microsoft YaHei UI', 'Microsoft JhengHei', 'Microsoft JhengHei UI', 'SimSun',
             'NSimSun', 'PMingLiU', 'MingLiU', 'MS UI Gothic', 'MS Gothic', 'MS PGothic', 'Meiryo', 'Meiryo UI',
             'Yu Gothic UI', 'Malgun Gothic', 'Gulim', 'Dotum'):
    print('"%s"="%s"' % (name, font))
print('\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]')
for name in ('Tahoma', 'MS Shell Dlg', 'MS Shell Dlg 2', 'Microsoft Sans Serif', 'Segoe UI', 'MS Sans Serif'):
    print('"%s"=%s' % (name, multi('wqy-microhei.ttc,' + font, 'Loma.ttf,Loma')))
PY
  wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1 9>&- || true
}

keepalive_alive() {
  [[ -f $state/keepalive.pid ]] && kill -0 "$(cat "$state/keepalive.pid")" 2>/dev/null
}

start() {
  exec 9>"$state/lock"
  flock 9
  display_alive || start_xvfb
  export DISPLAY=$(cat "$state/display")
  # The persistent server comes first, so that wineboot uses it; one already running is fine.
  # No child keeps the lock's descriptor or our output: a daemon holding the lock would block
  # every later start, and one holding stdout would hang "eval $(wine-session.sh env ...)".
  wineserver -p 9>&- >/dev/null 2>&1 || true
  if [[ ! -f $WINEPREFIX/system.reg ]]; then
    wineboot -i >"$state/wineboot.log" 2>&1 9>&-
  fi
  if [[ ! -f $state/script-fonts ]]; then
    map_cjk_fonts
    touch "$state/script-fonts"
  fi
  # Wine's own services end with the last Windows process and start again with the next one,
  # which then waits for them; and a service started by a test inherits its output pipes, so
  # CTest waits for the service to end. One idle process keeps them running for the session.
  if ! keepalive_alive; then
    setsid bash -c 'sleep infinity | wine cmd.exe' </dev/null >/dev/null 2>&1 9>&- &
    echo $! >"$state/keepalive.pid"
  fi
  flock -u 9
}

stop() {
  if [[ -f $state/keepalive.pid ]]; then
    kill -- -"$(cat "$state/keepalive.pid")" 2>/dev/null || true
    rm -f "$state/keepalive.pid"
  fi
  wineserver -k 2>/dev/null || true
  if [[ -f $state/xvfb.pid ]]; then
    kill "$(cat "$state/xvfb.pid")" 2>/dev/null || true
    rm -f "$state/xvfb.pid" "$state/display"
  fi
}

case $cmd in
  start) start ;;
  stop) stop ;;
  env)
    display_alive || start
    echo "export WINEPREFIX='$WINEPREFIX' WINEDEBUG=-all WINEDLLOVERRIDES='$WINEDLLOVERRIDES' DISPLAY='$(cat "$state/display")'"
    ;;
  *) echo "usage: $0 start|stop|env BUILD_DIR" >&2; exit 2 ;;
esac
