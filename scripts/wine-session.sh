#!/usr/bin/env bash
# Runs a command inside a private X display and a warm, persistent wineserver, then tears both down.
#   scripts/wine-session.sh COMMAND [ARGS...]
# The Windows side sees a Japanese system (code page 932) whatever this machine's locale is.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/env.sh"
export LOCPATH="$ZELDRIUM_LOCPATH"

# One session per prefix at a time. Sessions on one prefix share its wineserver and so one
# desktop: each would see the other's windows (a test waiting for "its" dialog could find the
# other run's), and a session ending would take down the server or the desktop the other's
# programs still draw on. A second session waits for the first (another $ZELDRIUM_CACHE gives
# a prefix of its own). Only this script holds the lock: every program it starts gets 9>&-, so
# nothing left running keeps it.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.session-lock"
if ! flock -n 9; then
  echo "wine-session.sh: waiting for another session on $WINEPREFIX to end" >&2
  flock 9
fi
export LC_ALL=ja_JP.UTF-8

dispfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dispfile" 2>/dev/null 9>&- &
xvfb_pid=$!
for _ in $(seq 200); do [ -s "$dispfile" ] && break; sleep 0.05; done
if [ ! -s "$dispfile" ]; then echo "wine-session.sh: Xvfb did not start" >&2; exit 1; fi
export DISPLAY=":$(cat "$dispfile")"
rm -f "$dispfile"
# A server left running by someone else (not a session) is shared; only the session that started
# the server stops it again.
own_server=0
own_dpi_server=0
dpi_prefix="$WINEPREFIX-144dpi"
cleanup() {
  [ $own_dpi_server = 1 ] && { WINEPREFIX="$dpi_prefix" wineserver -k 2>/dev/null || true; }
  [ $own_server = 1 ] && { wineserver -k 2>/dev/null || true; }
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
# Wine's helper processes must not inherit the pipes of whatever reads our output (ctest would
# wait for them forever), so they are started here with their output on /dev/null.
if wineserver -p 2>/dev/null 9>&-; then own_server=1; fi
wine wineboot </dev/null >/dev/null 2>&1 9>&-
# Likewise the prefix of the 144-dpi runs (scripts/wine-dpi.sh), when there is one.
if [ -f "$dpi_prefix/system.reg" ]; then
  if WINEPREFIX="$dpi_prefix" wineserver -p 2>/dev/null 9>&-; then own_dpi_server=1; fi
  WINEPREFIX="$dpi_prefix" wine wineboot </dev/null >/dev/null 2>&1 9>&-
fi
"$@" 9>&-
