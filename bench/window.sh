#!/usr/bin/env bash
# The search window against the command line: the time from Enter in the window's search box to
# the hit count (Zeldrium.dll under Wine, driven by the integration test program as host) next to
# zeldrium-find natively over the same folders. Target: the window at most 1.3 times the native
# time. Uses the store and the native build of bench/run.sh (run that first).
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

# None: zeldrium-find then searches the whole store, every mailbox with its subfolders.
folder_args=()
native_enter=$(median_ms "$FIND" --data "$STORE" --folder "$mailbox\\$folder\\" --subfolders --subject "$TEXT")
native_all=$(median_ms "$FIND" --data "$STORE" "${folder_args[@]}" --subfolders --subject "$TEXT")
hits_enter=$("$FIND" --data "$STORE" --folder "$mailbox\\$folder\\" --subfolders --subject "$TEXT" --count)
hits_all=$("$FIND" --data "$STORE" "${folder_args[@]}" --subfolders --subject "$TEXT" --count)

# The same search by zeldrium-find built for Windows, under Wine: the platform's share of the
# difference (32-bit code, Wine's file calls). Its start-up (--help) is taken off.
wine_find=$WIN/tools/find/zeldrium-find.exe
wine_script=$(mktemp)
trap 'rm -f "$wine_script"' EXIT
cat >"$wine_script" <<EOS
t() { local t0 t1; t0=\$(date +%s%N); wine "\$@" >/tmp/zeldrium-window-bench-wine.\$\$ 2>&1; t1=\$(date +%s%N); echo \$(((t1 - t0) / 1000000)); }
for ((i = 0; i <= $RUNS; i++)); do
  echo "enter \$(t "$wine_find" --data "Z:$STORE" --folder '$mailbox\\$folder\\' --subfolders --subject "$TEXT")"
  echo "all \$(t "$wine_find" --data "Z:$STORE" $(printf "%q " "${folder_args[@]}") --subfolders --subject "$TEXT")"
  echo "start \$(t "$wine_find" --help)"
done
rm -f /tmp/zeldrium-window-bench-wine.\$\$
EOS
wine_enter=- wine_all=-
if [ -f "$wine_find" ]; then
  wine_out=$("$ROOT/scripts/wine-session.sh" bash "$wine_script" 2>/dev/null)
  med() { grep "^$1 " <<<"$wine_out" | tail -n +2 | cut -d' ' -f2 | sort -n | sed -n "$(((RUNS + 1) / 2))p"; }
  start=$(med start)
  wine_enter=$(($(med enter) - start))
  wine_all=$(($(med all) - start))
fi

out=$(ZELDRIUM_BENCH_STORE="Z:$STORE" ZELDRIUM_BENCH_FOLDER="$mailbox\\$folder\\" \
  ZELDRIUM_BENCH_MAILBOXES="$mailboxes" ZELDRIUM_BENCH_TEXT="$TEXT" ZELDRIUM_BENCH_RUNS="$RUNS" \
  WINEDEBUG=-all "$ROOT/scripts/wine-session.sh" wine "$TESTS" --gtest_filter=WindowBench.EnterToCount 2>&1)
window_enter=$(sed -n 's/^window-enter-ms \([0-9.]*\).*/\1/p' <<<"$out")
window_all=$(sed -n 's/^window-tab-ms \([0-9.]*\).*/\1/p' <<<"$out")
[ -n "$window_enter" ] || { echo "$out" | tail -20; echo "window bench: no timing" >&2; exit 1; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
echo "== Subject '$TEXT', medians of $RUNS runs, milliseconds"
echo "   native: zeldrium-find on Linux; wine: zeldrium-find.exe under Wine less its start-up"
printf '%-44s %8s %8s %6s %8s %6s %s\n' search window native ratio wine ratio hits
printf '%-44s %8s %8s %6s %8s %6s %s\n' "Enter over $mailbox\\$folder\\ + subfolders" \
  "$window_enter" "$native_enter" "$(ratio "$window_enter" "$native_enter")" "$wine_enter" \
  "$(ratio "$window_enter" "$wine_enter")" "$hits_enter"
printf '%-44s %8s %8s %6s %8s %6s %s\n' "tab over every mailbox + subfolders" "$window_all" \
  "$native_all" "$(ratio "$window_all" "$native_all")" "$wine_all" \
  "$(ratio "$window_all" "$wine_all")" "$hits_all"
grep -E '^window-' <<<"$out" | sed 's/^/  /'
r=$(ratio "$window_enter" "$native_enter")
awk -v r="$r" 'BEGIN { exit !(r <= 1.3) }' && echo "target window/native <= 1.3: met" ||
  echo "target window/native <= 1.3: MISSED"
