#!/usr/bin/env bash
# The search benchmark: zeldrium-find --count against grep, ripgrep and cat over one large
# generated store, page cache warm, medians of several runs, plus peak memory.
#   ./dev bench                       (or bench/run.sh)
# Environment: BENCH_MAILS (default 1200000 index lines), BENCH_FOLDERS (240), BENCH_RUNS (5).
# The store is made once under build/bench-store and reused while its parameters stay the same.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../scripts/env.sh"
ROOT=$ZELDRIUM_ROOT
JOBS=${JOBS:-$(nproc)}
RUNS=${BENCH_RUNS:-5}
MAILS=${BENCH_MAILS:-1200000}
FOLDERS=${BENCH_FOLDERS:-240}
SEED=7

"$ROOT/scripts/setup.sh" native bench

# A tree of its own: the test trees keep their build type, and no switch between them forces a
# full rebuild. -O2 like the test tree, without the debug information.
BUILD=$ROOT/build/bench
LOG=$BUILD/build.log
mkdir -p "$BUILD"
echo "== building zeldrium-find (Release) in ${BUILD#$ROOT/}"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DZELDRIUM_BUILD_TESTS=OFF >"$LOG" 2>&1 &&
  cmake --build "$BUILD" -j "$JOBS" --target zeldrium-find zeldrium-make-store >>"$LOG" 2>&1 ||
  { tail -30 "$LOG"; echo "bench: build failed (log: ${LOG#$ROOT/})" >&2; exit 1; }
FIND=$BUILD/tools/find/zeldrium-find
MAKE_STORE=$BUILD/tools/make_store/zeldrium-make-store

STORE=$ROOT/build/bench-store
params="--seed $SEED --mails $MAILS --folders $FOLDERS"
if [ "$(cat "$STORE/.bench-params" 2>/dev/null)" != "$params" ]; then
  echo "== generating the store ($params) in ${STORE#$ROOT/}"
  # shellcheck disable=SC2086
  "$MAKE_STORE" --out "$STORE" $params --force
  echo "$params" >"$STORE/.bench-params"
fi

LIST=$(mktemp)
OUT=$(mktemp)
trap 'rm -f "$LIST" "$OUT"' EXIT
(cd "$STORE" && find . -name Folder.idx -print0) >"$LIST"
files=$(tr -cd '\0' <"$LIST" | wc -c)
bytes=$(cd "$STORE" && xargs -0 -a "$LIST" cat | wc -c)
lines=$(cd "$STORE" && xargs -0 -a "$LIST" cat | tr -cd '\n' | wc -c)
echo "== store: $lines index lines in $files Folder.idx files, $((bytes / 1048576)) MiB"

# No folder named: zeldrium-find searches the whole store, every mailbox with its subfolders.
folders=()
first_mailbox=(--folder "$(basename "$(compgen -G "$STORE/*.mb" | head -1)")\\")
ours=("$FIND" --data "$STORE" --subfolders --count)

# The C locale for every tool: the files are code page 932, and all literals here are ASCII.
export LC_ALL=C

# run_ms CMD...: one run, in milliseconds. Output goes to a file, not /dev/null: GNU grep notices
# /dev/null and stops at the first match. SINK=/dev/null before it for cat, the floor, which has
# nothing to say.
run_ms() {
  local t0 t1
  t0=$(date +%s%N)
  "$@" >"${SINK:-$OUT}" 2>&1 || true
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000000))
}

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

# median_ms CMD...: one warm-up run, then RUNS timed runs; prints the median in milliseconds.
median_ms() {
  local times=()
  run_ms "$@" >/dev/null
  for ((i = 0; i < RUNS; i++)); do times+=($(run_ms "$@")); done
  median "${times[@]}"
}

# peak_mb CMD...: the maximum resident set size of one run, in MiB (one decimal).
peak_mb() {
  local kb
  kb=$(/usr/bin/time -f '%M' "$@" 2>&1 >"$OUT" | tail -1)
  awk -v kb="$kb" 'BEGIN { printf "%.1f", kb / 1024 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

grep_count() { grep -c -F -i -r --include=Folder.idx -- "$1" "$STORE" | awk -F: '{ s += $NF } END { print s + 0 }'; }
rg_count() { rg -c -F -i -g Folder.idx --no-ignore --hidden -- "$1" "$STORE" | awk -F: '{ s += $NF } END { print s + 0 }'; }

echo "== page cache: reading every index file once"
(cd "$STORE" && xargs -0 -a "$LIST" cat >/dev/null)
cat_ms=$(cd "$STORE" && SINK=/dev/null median_ms xargs -0 -a "$LIST" cat)

results=()
subject_ratios=""
# bench NAME LITERAL OURS-ARGS...: ours against grep and rg for the same literal. The three take
# turns, run after run, so that a slow moment of the machine falls on all of them alike.
bench() {
  local name=$1 literal=$2; shift 2
  local hits g r peak
  local ours_cmd=("${ours[@]}" "$@" "${folders[@]}")
  local grep_cmd=(grep -c -F -i -r --include=Folder.idx -- "$literal" "$STORE")
  local rg_cmd=(rg -c -F -i -g Folder.idx --no-ignore --hidden -- "$literal" "$STORE")
  hits=$("${ours_cmd[@]}")
  g=$(grep_count "$literal")
  r=$(rg_count "$literal")
  echo "-- $name: ours $hits hits; grep and rg count $g and $r lines holding '$literal' anywhere"
  local ours_t=() grep_t=() rg_t=()
  for ((i = 0; i <= RUNS; i++)); do
    local o gr rr
    o=$(run_ms "${ours_cmd[@]}")
    gr=$(run_ms "${grep_cmd[@]}")
    rr=$(run_ms "${rg_cmd[@]}")
    # The first round warms up.
    if ((i > 0)); then ours_t+=("$o"); grep_t+=("$gr"); rg_t+=("$rr"); fi
  done
  local ours_ms grep_ms rg_ms
  ours_ms=$(median "${ours_t[@]}")
  grep_ms=$(median "${grep_t[@]}")
  rg_ms=$(median "${rg_t[@]}")
  peak=$(peak_mb "${ours_cmd[@]}")
  results+=("$(printf '%-34s %8d %8d %8d %8d %9s %8s %9s %9s' "$name" "$ours_ms" "$grep_ms" \
    "$rg_ms" "$cat_ms" "$(ratio "$ours_ms" "$grep_ms")" "$(ratio "$ours_ms" "$rg_ms")" \
    "$(ratio "$ours_ms" "$cat_ms")" "$peak")")
  LAST_GREP=$(ratio "$ours_ms" "$grep_ms")
  LAST_RG=$(ratio "$ours_ms" "$rg_ms")
}

bench "Subject 'invoice', ignoring case" invoice --subject invoice
subject_grep=$LAST_GREP
subject_rg=$LAST_RG
bench "From 'yamada example', all words" yamada --from "yamada example" --all-words
# OR Subject invoice, OR Subject meeting, AND From/To example, NOT Subject Re:, NOT From spam.
five_rows='five,0,,0,2,0,0,invoice,0,2,0,0,meeting,1,3,0,0,example,2,2,0,0,Re:,2,0,0,0,spam'
bench "five rows OR/OR/AND/NOT/NOT" invoice --cond "$five_rows"

echo
echo "== medians of $RUNS runs, milliseconds; peak = maximum resident set of zeldrium-find"
printf '%-34s %8s %8s %8s %8s %9s %8s %9s %9s\n' case ours grep rg cat ours/grep ours/rg \
  ours/cat "peak MiB"
printf '%s\n' "${results[@]}"

echo
echo "== memory"
# A reply prefix in any case: well over 100,000 hits.
many_hits=$("${ours[@]}" --subject re: "${folders[@]}")
many_count_mb=$(peak_mb "${ours[@]}" --subject re: "${folders[@]}")
many_tsv_mb=$(peak_mb "$FIND" --data "$STORE" --subfolders --format tsv --subject re: "${folders[@]}")
# Without hits, what is left is what reading costs: it must not grow with the store.
one_mb=$(peak_mb "${ours[@]}" --subject zzqqxx "${first_mailbox[@]}")
all_mb=$(peak_mb "${ours[@]}" --subject zzqqxx "${folders[@]}")
echo "Subject 're:': $many_hits hits: peak $many_count_mb MiB with --count, $many_tsv_mb MiB printing them"
echo "No hits: peak $one_mb MiB over one mailbox, $all_mb MiB over the whole store"
# The newest hit alone: --limit keeps one row and sorts nothing; a pipe into head still has the
# whole list made and sorted first.
newest=("$FIND" --data "$STORE" --format tsv --subject re:)
limit_ms=$(median_ms "${newest[@]}" --limit 1)
limit_mb=$(peak_mb "${newest[@]}" --limit 1)
head_ms=$(median_ms bash -c '"$@" | head -1' newest "${newest[@]}")
echo "Subject 're:', the newest hit: --limit 1 $limit_ms ms, peak $limit_mb MiB; | head -1 $head_ms ms"

echo
echo "== targets"
verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v != "-" && v <= t) ? "met" : "MISSED" }'; }
echo "Subject search: ours/grep $subject_grep (target <= 1.0: $(verdict "$subject_grep" 1.0)), ours/rg $subject_rg (target <= 1.5: $(verdict "$subject_rg" 1.5))"
echo "Memory with $many_hits hits: $many_tsv_mb MiB (target < 64: $(verdict "$many_tsv_mb" 64))"
echo "Memory without hits: $one_mb MiB for one mailbox, $all_mb MiB for all of them"

echo
echo "== the search window (Zeldrium.dll under Wine) against zeldrium-find"
"$ROOT/scripts/setup.sh" win
cmake -S "$ROOT" -B "$ROOT/build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake" >/dev/null
cmake --build "$ROOT/build/win" -j "$(nproc)" --target window_bench zeldrium-find >/dev/null
"$HERE/window.sh" "$ROOT/build/win"
