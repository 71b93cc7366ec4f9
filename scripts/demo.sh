#!/usr/bin/env bash
# The demo: builds everything, makes a sample mail store and searches it from the command line.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/env.sh"
ROOT=$ZELDRIUM_ROOT
"$HERE/setup.sh" native
dir=$ROOT/build/native
cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j "$(nproc)" --target zeldrium-make-store zeldrium-find
store=$ROOT/build/demo-store
if [ ! -d "$store" ]; then
  "$dir/tools/make_store/zeldrium-make-store" --out "$store" --seed 1 --mails 20000 --folders 40
fi
mailbox=$(cd "$store" && ls -d *.mb | head -1)
find_=("$dir/tools/find/zeldrium-find" --data "$store")
echo
echo "\$ zeldrium-find --data $store --folder '$mailbox\\' --subfolders --subject 会議 --format table | head -15"
"${find_[@]}" --folder "$mailbox\\" --subfolders --subject 会議 --format table | head -15
echo
echo "\$ zeldrium-find --data $store --folder '$mailbox\\' --subfolders --from yamada --count"
"${find_[@]}" --folder "$mailbox\\" --subfolders --from yamada --count
