#!/usr/bin/env bash
# Makes the copy of the Wine prefix for a screen of DPI dots per inch ("$WINEPREFIX-${DPI}dpi"),
# unless it is there: the base prefix copied, its LogPixels set.
#   scripts/make-dpi-prefix.sh DPI
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/env.sh"
dpi=$1
target="$WINEPREFIX-${dpi}dpi"
[ -f "$target/system.reg" ] && exit 0
[ -f "$WINEPREFIX/system.reg" ] || { echo "make-dpi-prefix.sh: no prefix at $WINEPREFIX" >&2; exit 1; }
rm -rf "$target.tmp"
cp -a "$WINEPREFIX" "$target.tmp"
reg=$(mktemp --suffix=.reg)
printf 'REGEDIT4\n\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n"LogPixels"=dword:%08x\n' "$dpi" >"$reg"
WINEPREFIX="$target.tmp" wine regedit /S "$(WINEPREFIX="$target.tmp" winepath -w "$reg")" </dev/null >/dev/null 2>&1
WINEPREFIX="$target.tmp" wineserver -w
rm -f "$reg"
mv "$target.tmp" "$target"
