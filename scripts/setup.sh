#!/usr/bin/env bash
# Installs what building and testing Zeldrium needs on Debian 12, skipping what is already there.
#   scripts/setup.sh [native|win|fuzz|bench]...   (no argument: native and win)
# Needs root for apt-get; everything else lives under $ZELDRIUM_CACHE (default ~/.cache/zeldrium).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/env.sh"

want_native=(cmake ninja-build g++ make googletest libgtest-dev python3 man-db clang-format)
want_win=(g++-mingw-w64-i686-posix wine wine32:i386 xvfb xauth fonts-vlgothic fonts-wine locales imagemagick)
want_fuzz=(clang libclang-rt-14-dev)
want_bench=(ripgrep time g++-multilib strace)

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

parts=("$@")
[ ${#parts[@]} -gt 0 ] || parts=(native win)
missing=()
need_i386=0
for part in "${parts[@]}"; do
  case $part in
    native) list=("${want_native[@]}") ;;
    win) list=("${want_win[@]}"); need_i386=1 ;;
    fuzz) list=("${want_fuzz[@]}") ;;
    bench) list=("${want_bench[@]}") ;;
    *) echo "setup.sh: unknown part '$part'" >&2; exit 2 ;;
  esac
  for p in "${list[@]}"; do installed "$p" || missing+=("$p"); done
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" != 0 ]; then
    echo "setup.sh: missing packages (${missing[*]}); run as root or install them" >&2
    exit 1
  fi
  # The 32-bit Wine must be named explicitly, and i386 must be known before the update.
  if [ $need_i386 = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

for part in "${parts[@]}"; do
  [ "$part" = win ] || continue
  # Wine maps Windows file names through the Unix locale: Japanese folder names need a real
  # ja_JP.UTF-8 locale. Compiled privately so the system's configuration stays untouched.
  if [ ! -f "$ZELDRIUM_LOCPATH/ja_JP.UTF-8/LC_CTYPE" ]; then
    mkdir -p "$ZELDRIUM_LOCPATH"
    localedef -i ja_JP -f UTF-8 "$ZELDRIUM_LOCPATH/ja_JP.UTF-8" 2>/dev/null || true
    [ -f "$ZELDRIUM_LOCPATH/ja_JP.UTF-8/LC_CTYPE" ] || { echo "setup.sh: localedef ja_JP failed" >&2; exit 1; }
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix in $WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")" "$ZELDRIUM_CACHE"
    wineboot -i >/dev/null 2>&1 </dev/null || true
    # regedit wants UTF-16 with a byte-order mark; the repository keeps the readable UTF-8 form.
    reg="$ZELDRIUM_CACHE/wine-ci.reg"
    { printf '\xff\xfe'; sed 's/$/\r/' "$HERE/wine-ci.reg.in" | iconv -f UTF-8 -t UTF-16LE; } >"$reg"
    wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1 </dev/null
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
      cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
    wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] || { echo "setup.sh: creating the Wine prefix failed" >&2; exit 1; }
  fi
  # The same at 144 dpi, for the layout tests and the demo's second screenshot.
  "$HERE/make-dpi-prefix.sh" 144 || { echo "setup.sh: creating the 144-dpi prefix failed" >&2; exit 1; }
done
