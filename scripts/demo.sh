#!/usr/bin/env bash
# The demo: builds everything, makes a sample mail store, searches it from the command line, then
# runs Zeldrium.dll in the stand-in host: in a window when there is a display, otherwise as a
# scripted session under a private Xvfb that prints what the plug-in did and takes a screenshot.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/env.sh"
ROOT=$ZELDRIUM_ROOT
"$HERE/setup.sh" native win
dir=$ROOT/build/native
cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j "$(nproc)" --target zeldrium-make-store zeldrium-find
store=$ROOT/build/demo-store
# A store made before the generator wrote display names (Folders.txt) is made again: the
# generator replaces only a directory that it made itself.
if ! compgen -G "$store/*.mb/Folders.txt" >/dev/null; then
  "$dir/tools/make_store/zeldrium-make-store" --out "$store" --force --seed 1 --mails 20000 --folders 40
fi
mailbox=$(cd "$store" && ls -d *.mb | head -1)
find_=("$dir/tools/find/zeldrium-find" --data "$store")
echo
echo "\$ zeldrium-find --data $store --folder '$mailbox\\' --subfolders --subject 会議 --format table | head -15"
"${find_[@]}" --folder "$mailbox\\" --subfolders --subject 会議 --format table | head -15
echo
echo "\$ zeldrium-find --data $store --folder '$mailbox\\' --subfolders --from yamada --count"
"${find_[@]}" --folder "$mailbox\\" --subfolders --from yamada --count

# The plug-in in the stand-in host (32-bit Windows, under Wine).
win=$ROOT/build/win
cmake -S "$ROOT" -B "$win" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$win" -j "$(nproc)" --target zeldrium-standin-host Zeldrium
host=$win/tools/standin_host/zeldrium-standin-host.exe
# Wine sees the Unix root as drive Z:.
host_args=(--data "Z:$store" --plugin "Z:$win/bin/Zeldrium.dll")
cd "$ROOT/build"
echo
if [ -n "${DISPLAY:-}" ]; then
  echo "The stand-in host with Zeldrium.dll: ツール > クイック検索... opens the search window;"
  echo "the mail list's context menu has 差出人検索!. Close the window to end the demo."
  LC_ALL=ja_JP.UTF-8 LOCPATH="$ZELDRIUM_LOCPATH" wine "$host" "${host_args[@]}"
else
  script=$ROOT/tools/standin_host/demo.script
  echo "No display: a scripted session of the stand-in host with Zeldrium.dll ($script)"
  rm -f demo.bmp demo.png demo-properties.bmp demo-properties.png demo-144dpi.png
  status=0
  "$HERE/wine-session.sh" wine "$host" "${host_args[@]}" --script "Z:$script" || status=$?
  if [ -f demo.bmp ]; then
    convert demo.bmp demo.png && rm -f demo.bmp
    echo
    echo "Screenshot of the session: $ROOT/build/demo.png"
  fi
  if [ -f demo-properties.bmp ]; then
    convert demo-properties.bmp demo-properties.png && rm -f demo-properties.bmp
    echo "Screenshot of the search's properties: $ROOT/build/demo-properties.png"
  fi
  # The same session on a screen of 144 dpi (a prefix of its own), quietly: only its screenshot
  # and whether every step succeeded are of interest.
  mkdir -p demo-144dpi
  status144=0
  (cd demo-144dpi && rm -f demo.bmp &&
    "$HERE/wine-session.sh" "$HERE/wine-dpi.sh" 144 "$host" "${host_args[@]}" --script "Z:$script" \
      >session.log 2>&1) || status144=$?
  rm -f demo-144dpi/demo-properties.bmp
  if [ -f demo-144dpi/demo.bmp ]; then
    convert demo-144dpi/demo.bmp demo-144dpi.png && rm -f demo-144dpi/demo.bmp
    echo "Screenshot of the same session at 144 dpi: $ROOT/build/demo-144dpi.png"
  fi
  [ "$status" -eq 0 ] || { echo "demo: the session had failed steps (exit status $status)" >&2; exit "$status"; }
  [ "$status144" -eq 0 ] || { echo "demo: the 144-dpi session had failed steps (exit status $status144; build/demo-144dpi/session.log)" >&2; exit "$status144"; }
fi
