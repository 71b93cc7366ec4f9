#!/usr/bin/env bash
# The search while typing: from a key typed into the search window's search text to the count of
# the text it makes, Zeldrium.dll under Wine driven by window_bench.exe as host, scope "every
# mailbox", Subject. Two stores made by zeldrium-make-store: 100,000 index lines (the median over
# the keys of a typed word; target 100 ms) and 1,000,000 (its first five letters typed 30 ms
# apart, the last one's count against one run of the same text; target 1.5 times that run).
#   bench/typing.sh [CROSS_BUILD_DIR]     (default build/win; ./dev bench runs it)
# Environment: BENCH_RUNS (default 9), BENCH_WORD (default invoice).
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../scripts/env.sh"
ROOT=$ZELDRIUM_ROOT
WIN=${1:-$ROOT/build/win}
RUNS=${BENCH_RUNS:-9}
WORD=${BENCH_WORD:-invoice}
TESTS=$WIN/bin/window_bench.exe
MAKE_STORE=$ROOT/build/bench/tools/make_store/zeldrium-make-store
[ -x "$MAKE_STORE" ] || MAKE_STORE=$ROOT/build/native/tools/make_store/zeldrium-make-store
[ -x "$MAKE_STORE" ] || { echo "typing bench: no zeldrium-make-store (run bench/run.sh or ./dev test first)" >&2; exit 1; }
[ -f "$TESTS" ] || { echo "typing bench: no $TESTS (cmake --build build/win --target window_bench)" >&2; exit 1; }

# store DIR MAILS FOLDERS: made once, reused while its parameters stay the same.
store() {
  local dir=$1 params="--seed 11 --mails $2 --folders $3"
  if [ "$(cat "$dir/.bench-params" 2>/dev/null)" != "$params" ]; then
    echo "== generating ${dir#$ROOT/} ($params)" >&2
    # shellcheck disable=SC2086
    "$MAKE_STORE" --out "$dir" $params --force >/dev/null
    echo "$params" >"$dir/.bench-params"
  fi
  echo "$dir"
}
small=$(store "$ROOT/build/bench-typing-100k" 100000 40)
large=$(store "$ROOT/build/bench-typing-1m" 1000000 200)

# window STORE BURST: the bench's figures for one store.
window() {
  ZELDRIUM_BENCH_STORE="Z:$1" ZELDRIUM_BENCH_WORD="$WORD" ZELDRIUM_BENCH_RUNS="$RUNS" \
    ZELDRIUM_BENCH_BURST="$2" WINEDEBUG=-all "$ROOT/scripts/wine-session.sh" \
    wine "$TESTS" --gtest_filter=WindowBench.TypingLatency 2>&1
}
value() { sed -n "s/^$1 \([0-9.]*\).*/\1/p" <<<"$2"; }
verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v != "" && v >= 0 && v <= t) ? "met" : "MISSED" }'; }

out_small=$(window "$small" 0)
out_large=$(window "$large" 1)
key_small=$(value typing-median-ms "$out_small")
key_large=$(value typing-median-ms "$out_large")
single=$(value typing-single-run-ms "$out_large")
burst=$(value typing-burst-ms "$out_large")
[ -n "$key_small" ] && [ -n "$burst" ] || {
  echo "$out_small" | tail -20; echo "$out_large" | tail -20
  echo "typing bench: no figures from the window" >&2; exit 1
}
# The median of the rounds' ratios: a round's single run and burst meet the same load.
ratio=$(sed -n 's/^typing-burst-ms [0-9.]* ratio \([0-9.]*\).*/\1/p' <<<"$out_large")

echo "== typing '$WORD' for Subject over every mailbox, key to count, medians of $RUNS rounds, ms"
echo "   (Zeldrium.dll in a test host under Wine; the count is timed when the window sets it)"
echo "100,000 lines: $key_small per key"
grep '^typing-key ' <<<"$out_small" | sed 's/^typing-key /  /'
echo "1,000,000 lines: $key_large per key; one run of '${WORD:0:5}' $single;" \
  "the five keys 30 ms apart, the last one to its count: $burst (median ratio $ratio)"
grep '^typing-round ' <<<"$out_large" | sed 's/^typing-round /  round /'
grep '^typing-burst-wrong-count' <<<"$out_large" || true
echo "target 100,000 lines within 100 ms a key: $key_small $(verdict "$key_small" 100)"
echo "target 1,000,000 lines, five keys 30 ms apart within 1.5 times one run: $ratio $(verdict "$ratio" 1.5)"
