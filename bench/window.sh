#!/usr/bin/env bash
# The search window against the command line: the time from Enter in the window's search box (and
# from the choice of a tab over every mailbox) to the hit count, Zeldrium.dll under Wine driven by
# a test program as host, next to zeldrium-find.exe under Wine and zeldrium-find natively over
# the same folders, every one on one core; the same window of an earlier build, in turns with
# ours; and zeldrium-find.exe under Wine on one large index, where Wine's file calls do not count,
# against the native builds. Targets: zeldrium-find.exe under Wine at most 1.5 times the native
# run over the store and 1.3 times on the one index, the window at most 1.3 times
# zeldrium-find.exe under Wine, and at least a quarter faster than the earlier build's from a
# tab. Uses the stores and the native builds of bench/run.sh (run that first).
#   bench/window.sh [CROSS_BUILD_DIR [EARLIER_CROSS_BUILD_DIR]]   (default build/win)
# Environment: BENCH_RUNS (default 5), BENCH_TEXT (default invoice).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../scripts/env.sh"
ROOT=$ZELDRIUM_ROOT
WIN=${1:-$ROOT/build/win}
BEFORE_WIN=${2:-}
RUNS=${BENCH_RUNS:-5}
TEXT=${BENCH_TEXT:-invoice}
STORE=$ROOT/build/bench-store
ONE_STORE=$ROOT/build/bench-store-one
FIND=$ROOT/build/bench/tools/find/zeldrium-find
FIND32=$ROOT/build/bench32/tools/find/zeldrium-find
TESTS=$WIN/bin/window_bench.exe
[ -x "$FIND" ] && [ -d "$STORE" ] || { echo "window bench: run bench/run.sh first" >&2; exit 1; }
[ -f "$TESTS" ] || { echo "window bench: no $TESTS (build the cross tree: cmake --build build/win --target window_bench)" >&2; exit 1; }

# The Enter search runs over the host's current folder and its subfolders: the first mailbox's
# largest top-level folder. The tab search lists every mailbox with subfolders, as bench/run.sh
# searches the whole store.
mailbox=$(cd "$STORE" && ls -d -- *.mb | head -1)
folder=$(cd "$STORE/$mailbox" && du -s -- */ | sort -n | tail -1 | cut -f2)
folder=${folder%/}
mailboxes=$(cd "$STORE" && ls -d -- *.mb | sed 's/$/\\/' | paste -sd, -)
export LC_ALL=C

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }
# median_cpu CMD...: the median processor time of RUNS runs after a warm-up, in milliseconds.
median_cpu() {
  local times=()
  "$HERE/cpu_ms.py" "$@" >/dev/null
  for ((i = 0; i < RUNS; i++)); do times+=("$("$HERE/cpu_ms.py" "$@")"); done
  median "${times[@]}"
}

# Every mailbox, named, as bench/run.sh does.
folder_args=()
for mb in "$STORE"/*.mb; do folder_args+=(--folder "$(basename "$mb")\\"); done
native_enter=$(median_cpu taskset -c 0 "$FIND" --data "$STORE" --folder "$mailbox\\$folder\\" --subfolders --subject "$TEXT")
native_all=$(median_cpu taskset -c 0 "$FIND" --data "$STORE" "${folder_args[@]}" --subfolders --subject "$TEXT")
native_one=$(median_cpu taskset -c 0 "$FIND" --data "$ONE_STORE" --count --subject "$TEXT")
native32_one=-
[ -x "$FIND32" ] && native32_one=$(median_cpu taskset -c 0 "$FIND32" --data "$ONE_STORE" --count --subject "$TEXT")
hits_enter=$("$FIND" --data "$STORE" --folder "$mailbox\\$folder\\" --subfolders --subject "$TEXT" --count)
hits_all=$("$FIND" --data "$STORE" "${folder_args[@]}" --subfolders --subject "$TEXT" --count)

# The same search by zeldrium-find built for Windows, under Wine: the platform's share of the
# difference (32-bit code, Wine's file calls). Its start-up (a search of a folder that does not
# exist) is taken off.
wine_find=$WIN/tools/find/zeldrium-find.exe
wine_script=$(mktemp)
trap 'rm -f "$wine_script"' EXIT
cat >"$wine_script" <<EOS
t() { local t0 t1; t0=\$(date +%s%N); taskset -c 0 wine "\$@" >/tmp/zeldrium-window-bench-wine.\$\$ 2>&1; t1=\$(date +%s%N); echo \$(((t1 - t0) / 1000000)); }
for ((i = 0; i <= $RUNS; i++)); do
  echo "enter \$(t "$wine_find" --data "Z:$STORE" --folder '$mailbox\\$folder\\' --subfolders --subject "$TEXT")"
  echo "all \$(t "$wine_find" --data "Z:$STORE" $(printf "%q " "${folder_args[@]}") --subfolders --subject "$TEXT")"
  echo "one \$(t "$wine_find" --data "Z:$ONE_STORE" --count --subject "$TEXT")"
  echo "start \$(t "$wine_find" --data "Z:$STORE" --count --subject "$TEXT" --folder 'NOPE.mb\\')"
done
rm -f /tmp/zeldrium-window-bench-wine.\$\$
EOS
wine_enter=- wine_all=- wine_one=-
if [ -f "$wine_find" ]; then
  wine_out=$("$ROOT/scripts/wine-session.sh" bash "$wine_script" 2>/dev/null)
  # The fastest of the runs, less the fastest start-up: Wine's start-up varies by tens of
  # milliseconds, more than a search of one folder takes.
  fastest() { grep "^$1 " <<<"$wine_out" | tail -n +2 | cut -d' ' -f2 | sort -n | head -1; }
  start=$(fastest start)
  wine_enter=$(($(fastest enter) - start))
  wine_all=$(($(fastest all) - start))
  wine_one=$(($(fastest one) - start))
fi

# window DIR: the window test, our driver beside the DLL in DIR; prints its "window-enter-ms" and
# "window-tab-ms", each a median and the fastest run.
window() {
  ZELDRIUM_BENCH_STORE="Z:$STORE" ZELDRIUM_BENCH_FOLDER="$mailbox\\$folder\\" \
    ZELDRIUM_BENCH_MAILBOXES="$mailboxes" ZELDRIUM_BENCH_TEXT="$TEXT" ZELDRIUM_BENCH_RUNS="$RUNS" \
    WINEDEBUG=-all "$ROOT/scripts/wine-session.sh" taskset -c 0 wine "$1/window_bench.exe" \
    --gtest_filter=WindowBench.EnterToCount 2>&1
}
# The fastest run: what other work on the machine, Wine's servers above all, disturbs least.
fastest_of() { sed -n "s/^$1 [0-9.]* fastest \([0-9.]*\).*/\1/p" <<<"$2"; }
# The earlier DLL is driven by our driver (the window's controls are the same), from a directory
# of its own.
before_dir=
if [ -n "$BEFORE_WIN" ] && [ -f "$BEFORE_WIN/bin/Zeldrium.dll" ]; then
  before_dir=$(mktemp -d)
  cp "$TESTS" "$BEFORE_WIN/bin/Zeldrium.dll" "$before_dir/"
  trap 'rm -f "$wine_script"; rm -rf "$before_dir"' EXIT
fi
# Ours and the earlier build in turns, three times: a slow moment of the machine falls on both
# alike.
ours_tab=() before_tab=() ours_enter=()
for ((round = 0; round < 3; round++)); do
  out=$(window "$WIN/bin")
  [ -n "$(fastest_of window-enter-ms "$out")" ] || { echo "$out" | tail -20; echo "window bench: no timing" >&2; exit 1; }
  ours_enter+=("$(fastest_of window-enter-ms "$out")")
  ours_tab+=("$(fastest_of window-tab-ms "$out")")
  if [ -n "$before_dir" ]; then
    out=$(window "$before_dir")
    before_tab+=("$(fastest_of window-tab-ms "$out")")
  fi
done
least() { printf '%s\n' "$@" | sort -n | head -1; }
window_enter=$(least "${ours_enter[@]}")
window_all=$(least "${ours_tab[@]}")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
echo "== Subject '$TEXT', milliseconds, each on one core"
echo "   native: zeldrium-find on Linux, processor time (median of $RUNS); wine: zeldrium-find.exe"
echo "   under Wine, its fastest run less its fastest start-up; window: Zeldrium.dll in a test host"
echo "   under Wine, its fastest run of 3 x $RUNS"
printf '%-44s %8s %8s %8s %10s %12s %s\n' search native wine window wine/native window/wine hits
printf '%-44s %8s %8s %8s %10s %12s %s\n' "Enter over $mailbox\\$folder\\ + subfolders" \
  "$native_enter" "$wine_enter" "$window_enter" "$(ratio "$wine_enter" "$native_enter")" \
  "$(ratio "$window_enter" "$wine_enter")" "$hits_enter"
printf '%-44s %8s %8s %8s %10s %12s %s\n' "tab over every mailbox + subfolders" \
  "$native_all" "$wine_all" "$window_all" "$(ratio "$wine_all" "$native_all")" \
  "$(ratio "$window_all" "$wine_all")" "$hits_all"
one_size=$(find "$ONE_STORE" -name Folder.idx -printf '%s' | head -1)
printf 'one index of %d MiB: native 64-bit %s, native 32-bit %s, zeldrium-find.exe under Wine %s (wine/native 64-bit %s)\n' \
  "$((one_size / 1048576))" "$native_one" "$native32_one" "$wine_one" "$(ratio "$wine_one" "$native_one")"
if [ ${#before_tab[@]} -gt 0 ]; then
  echo "window from a tab, fastest runs, ours and the earlier build in turns: ours ${ours_tab[*]}, earlier ${before_tab[*]}"
fi
verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v != "-" && v <= t) ? "met" : "MISSED" }'; }
r=$(ratio "$wine_all" "$native_all")
echo "target zeldrium-find.exe under Wine / native <= 1.5: $r $(verdict "$r" 1.5)"
r=$(ratio "$wine_one" "$native_one")
echo "target zeldrium-find.exe under Wine / native 64-bit on one large index <= 1.3: $r $(verdict "$r" 1.3)"
r=$(ratio "$window_enter" "$wine_enter")
echo "target window / zeldrium-find.exe under Wine <= 1.3, from Enter: $r $(verdict "$r" 1.3)"
r=$(ratio "$window_all" "$wine_all")
echo "target window / zeldrium-find.exe under Wine <= 1.3, from a tab: $r $(verdict "$r" 1.3)"
if [ ${#before_tab[@]} -gt 0 ]; then
  before_all=$(least "${before_tab[@]}")
  r=$(ratio "$window_all" "$before_all")
  echo "target window from a tab / the earlier build's <= 0.75: $r $(verdict "$r" 0.75)"
fi
