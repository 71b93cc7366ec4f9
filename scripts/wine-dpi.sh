#!/usr/bin/env bash
# Runs a Windows program on a screen of another DPI: in a copy of the Wine prefix whose LogPixels
# says so (made by setup.sh, or here on first use). Tests read the DPI they are meant to see from
# ZELDRIUM_TEST_DPI.
#   scripts/wine-dpi.sh DPI PROGRAM [ARGS...]
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/env.sh"
dpi=$1
shift
# Made from the base prefix, before WINEPREFIX names the copy.
if [ ! -f "$WINEPREFIX-${dpi}dpi/system.reg" ]; then
  "$HERE/make-dpi-prefix.sh" "$dpi" </dev/null >/dev/null 2>&1
fi
export WINEPREFIX="$WINEPREFIX-${dpi}dpi"
export ZELDRIUM_TEST_DPI=$dpi
exec wine "$@"
