#!/usr/bin/env bash
# The search window against the command line: the time from Enter in the window's search box (and
# from the choice of a tab over every mailbox) to the hit count, Zeldrium.dll under Wine driven by
# a test program as host, next to zeldrium-find.exe under Wine and zeldrium-find natively over
# the same folders, every one on one core. Targets: zeldrium-find.exe under Wine at most 1.5
# times the native run, the window at most 1.3 times zeldrium-find.exe under Wine. Uses the
# store and the native build of bench/run.sh (run that first).
#   bench/window.sh [CROSS_BUILD_DIR]     (default build/win, built with scripts/demo.sh or ./dev)
# Environment: BENCH_RUNS (default 5), BENCH_TEXT (default invoice).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../scripts/env.sh"
ROOT=$ZELDRIUM_ROOT
WIN=${1:-$ROOT/build/win}
RUNS=${BENCH_RUNS:-5}
TEXT=${BENCH_TEXT:-invoice}
STORE=$ROOT/build/bench-store
FIND=$ROOT/build/bench/tools/find/zeldrium-find
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

median_ms() {
  local t0 t1 times=()
  "$@" >/dev/null 2>&1 || true
  for ((i = 0; i < RUNS; i++)); do
    t0=$(date +%s%N)
    "$@" >/tmp/zeldrium-window-bench.$$ 2>&1 || true
    t1=$(date +%s%N)
    times+=($(((t1 - t0) / 1000000)))
  done
  rm -f /tmp/zeldrium-window-bench.$$
  printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((RUNS + 1) / 2))p"
}

# Every mailbox, named, as bench/run.sh does.
folder_args=()
for mb in "$STORE"/*.mb; do folder_args+=(--folder "$(basename "$mb")\\"); done
native_enter=$(median_ms taskset -c 0 "$FIND" --data "$STORE" --folder "$mailbox\\$folder\\" --subfolders --subject "$TEXT")
native_all=$(median_ms taskset -c 0 "$FIND" --data "$STORE" "${folder_args[@]}" --subfolders --subject "$TEXT")
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
  echo "start \$(t "$wine_find" --data "Z:$STORE" --count --subject "$TEXT" --folder 'NOPE.mb\\')"
done
rm -f /tmp/zeldrium-window-bench-wine.\$\$
EOS
wine_enter=- wine_all=-
if [ -f "$wine_find" ]; then
  wine_out=$("$ROOT/scripts/wine-session.sh" bash "$wine_script" 2>/dev/null)
  # The fastest of the runs, less the fastest start-up: Wine's start-up varies by tens of
  # milliseconds, more than a search of one folder takes.
  fastest() { grep "^$1 " <<<"$wine_out" | tail -n +2 | cut -d' ' -f2 | sort -n | head -1; }
  start=$(fastest start)
  wine_enter=$(($(fastest enter) - start))
  wine_all=$(($(fastest all) - start))
fi

out=$(ZELDRIUM_BENCH_STORE="Z:$STORE" ZELDRIUM_BENCH_FOLDER="$mailbox\\$folder\\" \
  ZELDRIUM_BENCH_MAILBOXES="$mailboxes" ZELDRIUM_BENCH_TEXT="$TEXT" ZELDRIUM_BENCH_RUNS="$RUNS" \
  WINEDEBUG=-all "$ROOT/scripts/wine-session.sh" taskset -c 0 wine "$TESTS" --gtest_filter=WindowBench.EnterToCount 2>&1)
window_enter=$(sed -n 's/^window-enter-ms \([0-9.]*\).*/\1/p' <<<"$out")
window_all=$(sed -n 's/^window-tab-ms \([0-9.]*\).*/\1/p' <<<"$out")
[ -n "$window_enter" ] || { echo "$out" | tail -20; echo "window bench: no timing" >&2; exit 1; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
echo "== Subject '$TEXT', medians of $RUNS runs, milliseconds, each on one core"
echo "   native: zeldrium-find on Linux; wine: zeldrium-find.exe under Wine, its fastest run less"
echo "   its fastest start-up; window: Zeldrium.dll in a test host under Wine"
printf '%-44s %8s %8s %8s %10s %12s %s\n' search native wine window wine/native window/wine hits
printf '%-44s %8s %8s %8s %10s %12s %s\n' "Enter over $mailbox\\$folder\\ + subfolders" \
  "$native_enter" "$wine_enter" "$window_enter" "$(ratio "$wine_enter" "$native_enter")" \
  "$(ratio "$window_enter" "$wine_enter")" "$hits_enter"
printf '%-44s %8s %8s %8s %10s %12s %s\n' "tab over every mailbox + subfolders" \
  "$native_all" "$wine_all" "$window_all" "$(ratio "$wine_all" "$native_all")" \
  "$(ratio "$window_all" "$wine_all")" "$hits_all"
grep -E '^window-' <<<"$out" | sed 's/^/  /'
verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v != "-" && v <= t) ? "met" : "MISSED" }'; }
r=$(ratio "$wine_all" "$native_all")
echo "target zeldrium-find.exe under Wine / native <= 1.5: $r $(verdict "$r" 1.5)"
r=$(ratio "$window_enter" "$wine_enter")
echo "target window / zeldrium-find.exe under Wine <= 1.3, from Enter: $r $(verdict "$r" 1.3)"
r=$(ratio "$window_all" "$wine_all")
echo "target window / zeldrium-find.exe under Wine <= 1.3, from a tab: $r $(verdict "$r" 1.3)"
