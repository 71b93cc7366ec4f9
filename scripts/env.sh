# Sourced by the scripts: where the caches live and how Wine must be started.
ZELDRIUM_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ZELDRIUM_CACHE=${ZELDRIUM_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zeldrium}
ZELDRIUM_LOCPATH=$ZELDRIUM_CACHE/locale
export WINEPREFIX=${WINEPREFIX:-$ZELDRIUM_CACHE/wine}
export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
