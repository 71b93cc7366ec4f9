#!/usr/bin/env bash
# What a million hits cost: the growth of the peak memory per hit of the search window
# (Zeldrium.dll under Wine, driven by the integration test program as host) and of zeldrium-find
# printing them, next to the bytes of the hits' texts; and the time a header click takes to sort
# a million rows under Wine. Targets: the window at most the texts' bytes + 64 per hit; a sort of
# a million rows at most 2 s. Uses the native build of bench/run.sh (run that first).
#   bench/memory.sh [CROSS_BUILD_DIR [EARLIER_CROSS_BUILD_DIR]]     (default build/win)
# With an earlier build, its DLL is measured instead, driven by our driver (the window's controls
# are the same).
# Environment: BENCH_MEMORY_MAILS (default 1060000 index lines, which give about a million
# hits of From "@").
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../scripts/env.sh"
ROOT=$ZELDRIUM_ROOT
WIN=${1:-$ROOT/build/win}
MAILS=${BENCH_MEMORY_MAILS:-1060000}
TEXT=@
FIND=$ROOT/build/bench/tools/find/zeldrium-find
MAKE_STORE=$ROOT/build/bench/tools/make_store/zeldrium-make-store
TESTS=$WIN/bin/window_bench.exe
DLL_DIR=$WIN/bin
[ -x "$FIND" ] && [ -x "$MAKE_STORE" ] || { echo "memory bench: run bench/run.sh first" >&2; exit 1; }
[ -f "$TESTS" ] || { echo "memory bench: no $TESTS (cmake --build build/win --target window_bench)" >&2; exit 1; }

STORE=$ROOT/build/bench-store-1m
params="--seed 7 --mails $MAILS --folders 200"
if [ "$(cat "$STORE/.bench-params" 2>/dev/null)" != "$params" ]; then
  echo "== generating the store ($params) in ${STORE#$ROOT/}"
  # shellcheck disable=SC2086
  "$MAKE_STORE" --out "$STORE" $params --force >/dev/null
  echo "$params" >"$STORE/.bench-params"
fi
export LC_ALL=C
folder_args=()
for mb in "$STORE"/*.mb; do folder_args+=(--folder "$(basename "$mb")\\"); done
mailboxes=$(cd "$STORE" && ls -d -- *.mb | sed 's/$/\\/' | paste -sd, -)
find_cmd=("$FIND" --data "$STORE" --subfolders --from "$TEXT" "${folder_args[@]}")

TSV=$(mktemp)
trap 'rm -f "$TSV"' EXIT
if [ -n "${2:-}" ]; then
  DLL_DIR=$(mktemp -d)
  cp "$TESTS" "$2/bin/Zeldrium.dll" "$DLL_DIR/"
  trap 'rm -f "$TSV"; rm -rf "$DLL_DIR"' EXIT
fi
peak_kb() { /usr/bin/time -f '%M' "$@" 2>&1 >"$TSV" | tail -1; }
count_kb=$(peak_kb "${find_cmd[@]}" --count)
hits=$(cat "$TSV")
tsv_kb=$(peak_kb "${find_cmd[@]}" --raw --format tsv)
# The five texts as printed: date, folder ID, subject, from, mail ID (the window shows the
# folder's display name where this prints its ID).
text_bytes=$(awk -F'\t' '{ s += length($1) + length($2) + length($3) + length($4) + length($5) }
  END { printf "%.1f", s / NR }' "$TSV")
find_per_hit=$(awk -v a="$tsv_kb" -v b="$count_kb" -v n="$hits" 'BEGIN { printf "%.1f", (a - b) * 1024 / n }')

out=$(ZELDRIUM_BENCH_STORE="Z:$STORE" ZELDRIUM_BENCH_MAILBOXES="$mailboxes" ZELDRIUM_BENCH_TEXT="$TEXT" \
  WINEDEBUG=-all "$ROOT/scripts/wine-session.sh" wine "$DLL_DIR/window_bench.exe" \
  --gtest_filter=WindowBench.MemoryPerHitAndSort 2>&1)
value() { sed -n "s/^$1 \([0-9.]*\).*/\1/p" <<<"$out"; }
window_hits=$(value window-hits)
[ -n "$window_hits" ] || { echo "$out" | tail -20; echo "memory bench: no figures from the window" >&2; exit 1; }
window_per_hit=$(value window-run-bytes-per-hit)

echo "== $hits hits: From '$TEXT' over every mailbox with subfolders, $MAILS index lines"
echo "texts: $text_bytes bytes per hit (date, folder, subject, from and mail ID as zeldrium-find --raw prints them)"
echo "zeldrium-find printing them: peak $((tsv_kb / 1024)) MiB, $find_per_hit bytes per hit above a --count run ($((count_kb / 1024)) MiB)"
echo "window (Zeldrium.dll under Wine, $window_hits rows): the run's peak grows by $window_per_hit bytes per hit;" \
  "$(value window-resident-bytes-per-hit) bytes per hit stay resident after the sorts"
echo "header-click sorts of $window_hits rows under Wine (time, and the peak's growth per row while sorting):"
grep '^window-sort-' <<<"$out" | sed 's/^window-sort-\(.*\)-ms \([0-9]*\) sort-bytes-per-hit \(.*\)/  \1: \2 ms, +\3 bytes/' 
verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v != "" && v <= t) ? "met" : "MISSED" }'; }
limit=$(awk -v t="$text_bytes" 'BEGIN { printf "%.1f", t + 64 }')
slowest=$(grep '^window-sort-' <<<"$out" | awk '{ if ($2 > m) m = $2 } END { print m + 0 }')
echo "target window <= texts + 64 = $limit bytes per hit: $(verdict "$window_per_hit" "$limit")"
echo "target sort of a million rows <= 2000 ms (slowest $slowest ms): $(verdict "$slowest" 2000)"
