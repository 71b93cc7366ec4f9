#!/usr/bin/env bash
# The search benchmark: zeldrium-find against GNU grep, ripgrep and cat over one large generated
# store: the same results as a reference build, one core with the page cache warm (64 and 32
# bits), where the processor time goes, all cores with the cache cold (also on a store of many
# smaller files), peak memory, the calls to the system per folder, and the search window under
# Wine (bench/window.sh, bench/calls.sh, bench/memory.sh, bench/typing.sh: from a typed key to
# its count).
#   ./dev bench                       (or bench/run.sh)
# Environment: BENCH_MAILS (default 1200000 index lines), BENCH_FOLDERS (240), BENCH_RUNS (5),
# BENCH_REFERENCE (a git revision whose zeldrium-find must print the same hits; default the last
# one with reading threads), BENCH_BEFORE (a git revision to compare the calls per folder and the
# window with; default the last one before they were cut), BENCH_WINDOW=0 to leave out
# everything under Wine.
# The stores are made once under build/bench-store* and reused while their parameters stay the
# same.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../scripts/env.sh"
ROOT=$ZELDRIUM_ROOT
JOBS=${JOBS:-$(nproc)}
RUNS=${BENCH_RUNS:-5}
MAILS=${BENCH_MAILS:-1200000}
FOLDERS=${BENCH_FOLDERS:-240}
REFERENCE=${BENCH_REFERENCE:-4a2310f}
BEFORE=${BENCH_BEFORE:-d783de4}
SEED=7

"$ROOT/scripts/setup.sh" native bench

# build DIR SOURCE [TARGETS] [CMAKE-ARGS...]: programs (default zeldrium-find and
# zeldrium-make-store) with -O2, without the debug information, in a tree of their own (the test
# trees keep their build type).
build() {
  local dir=$1 src=$2 targets=${3:-zeldrium-find zeldrium-make-store}
  shift 3 2>/dev/null || shift $#
  mkdir -p "$dir"
  # shellcheck disable=SC2086
  cmake -S "$src" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DZELDRIUM_BUILD_TESTS=OFF "$@" >"$dir/build.log" 2>&1 &&
    cmake --build "$dir" -j "$JOBS" --target $targets >>"$dir/build.log" 2>&1
}
BUILD=$ROOT/build/bench
echo "== building zeldrium-find (Release) in ${BUILD#$ROOT/}"
build "$BUILD" "$ROOT" "zeldrium-find zeldrium-make-store zeldrium-marking-bench" ||
  { tail -30 "$BUILD/build.log"; echo "bench: build failed" >&2; exit 1; }
FIND=$BUILD/tools/find/zeldrium-find
MAKE_STORE=$BUILD/tools/make_store/zeldrium-make-store
# The same in 32 bits, as the DLL is: SSE2 assumed, position-dependent code, as MinGW makes it.
BUILD32=$ROOT/build/bench32
echo "== building zeldrium-find (Release, 32-bit) in ${BUILD32#$ROOT/}"
build "$BUILD32" "$ROOT" "zeldrium-find zeldrium-marking-bench" \
  -DCMAKE_CXX_FLAGS="-m32 -msse2 -mfpmath=sse -fno-pie" -DCMAKE_C_FLAGS="-m32 -fno-pie" \
  -DCMAKE_EXE_LINKER_FLAGS="-m32 -no-pie" ||
  { tail -30 "$BUILD32/build.log"; echo "bench: 32-bit build failed" >&2; exit 1; }
FIND32=$BUILD32/tools/find/zeldrium-find

# The reference, from the repository's history; without it (a shallow clone) the comparison is
# left out and says so.
REF_FIND=
REF_BUILD=$ROOT/build/bench-reference
if git -C "$ROOT" cat-file -e "$REFERENCE^{commit}" 2>/dev/null; then
  if [ "$(cat "$REF_BUILD/.revision" 2>/dev/null)" != "$(git -C "$ROOT" rev-parse "$REFERENCE")" ]; then
    echo "== building the reference zeldrium-find ($REFERENCE) in ${REF_BUILD#$ROOT/}"
    rm -rf "$REF_BUILD" && mkdir -p "$REF_BUILD/src"
    git -C "$ROOT" archive "$REFERENCE" | tar -x -C "$REF_BUILD/src"
    build "$REF_BUILD/out" "$REF_BUILD/src" "zeldrium-find" &&
      git -C "$ROOT" rev-parse "$REFERENCE" >"$REF_BUILD/.revision" ||
      echo "bench: the reference did not build (log: ${REF_BUILD#$ROOT/}/out/build.log)" >&2
  fi
  [ -f "$REF_BUILD/.revision" ] && REF_FIND=$REF_BUILD/out/tools/find/zeldrium-find
fi

# The revision before the calls per folder were cut, for bench/calls.sh and the window: built
# once, natively here and for Windows by bench/window.sh.
BEFORE_BUILD=$ROOT/build/bench-before
BEFORE_REV=
if git -C "$ROOT" cat-file -e "$BEFORE^{commit}" 2>/dev/null; then
  BEFORE_REV=$(git -C "$ROOT" rev-parse "$BEFORE")
  if [ "$(cat "$BEFORE_BUILD/.revision" 2>/dev/null)" != "$BEFORE_REV" ]; then
    echo "== building the zeldrium-find of before ($BEFORE) in ${BEFORE_BUILD#$ROOT/}"
    rm -rf "$BEFORE_BUILD" && mkdir -p "$BEFORE_BUILD/src"
    git -C "$ROOT" archive "$BEFORE" | tar -x -C "$BEFORE_BUILD/src"
    build "$BEFORE_BUILD/out" "$BEFORE_BUILD/src" "zeldrium-find" &&
      echo "$BEFORE_REV" >"$BEFORE_BUILD/.revision" ||
      echo "bench: the revision before did not build (log: ${BEFORE_BUILD#$ROOT/}/out/build.log)" >&2
  fi
fi
export BENCH_BEFORE_REV=$BEFORE_REV

# make_store DIR PARAMS: a store, made once for its parameters.
make_store() {
  local dir=$1 params=$2
  if [ "$(cat "$dir/.bench-params" 2>/dev/null)" != "$params" ]; then
    echo "== generating a store ($params) in ${dir#$ROOT/}"
    # shellcheck disable=SC2086
    "$MAKE_STORE" --out "$dir" $params --force >/dev/null
    echo "$params" >"$dir/.bench-params"
  fi
}
STORE=$ROOT/build/bench-store
make_store "$STORE" "--seed $SEED --mails $MAILS --folders $FOLDERS"
# Many smaller files for the cold cache (480 indexes, about 130 MB), and one large index.
SMALL_STORE=$ROOT/build/bench-store-480
make_store "$SMALL_STORE" "--seed $SEED --mails 625000 --folders 480"
ONE_STORE=$ROOT/build/bench-store-one
make_store "$ONE_STORE" "--seed $SEED --mails 290000 --folders 1"

LIST=$(mktemp)
OUT=$(mktemp)
trap 'rm -f "$LIST" "$OUT"' EXIT
(cd "$STORE" && find . -name Folder.idx -print0) >"$LIST"
files=$(tr -cd '\0' <"$LIST" | wc -c)
bytes=$(cd "$STORE" && xargs -0 -a "$LIST" cat | wc -c)
lines=$(cd "$STORE" && xargs -0 -a "$LIST" cat | tr -cd '\n' | wc -c)
echo "== store: $lines index lines in $files Folder.idx files, $((bytes / 1048576)) MiB"

# Every mailbox with its subfolders, the whole store, named: without a folder the reference
# build searches nothing.
folders=()
for mb in "$STORE"/*.mb; do folders+=(--folder "$(basename "$mb")\\"); done
first_mailbox=("${folders[@]:0:2}")

# The C locale for grep and rg: the files are code page 932, and their literals are ASCII.
export LC_ALL=C
ONE_CORE=(taskset -c 0)

# run_ms CMD...: one run, in milliseconds on the clock. Output goes to a file, not /dev/null: GNU
# grep notices /dev/null and stops at the first match. SINK=/dev/null before it for cat, the
# floor, which has nothing to say. COLD=1 empties the page cache first.
run_ms() {
  local t0 t1
  if [ "${COLD:-0}" = 1 ]; then sync; echo 3 >/proc/sys/vm/drop_caches; fi
  t0=$(date +%s%N)
  "$@" >"${SINK:-$OUT}" 2>&1 || true
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000000))
}

# cpu_ms CMD...: one run, its processor time (user and system) in milliseconds: on one core with
# the page cache warm that is the time it takes, and what the machine's other work changes less.
cpu_ms() { SINK=${SINK:-$OUT} "$HERE/cpu_ms.py" "$@"; }

median() { printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"; }

# median_ms CMD...: one warm-up run, then RUNS timed runs; prints the median in milliseconds.
median_ms() {
  local times=()
  run_ms "$@" >/dev/null
  for ((i = 0; i < RUNS; i++)); do times+=("$(run_ms "$@")"); done
  median "${times[@]}"
}

# peak_mb CMD...: the maximum resident set size of one run, in MiB (one decimal).
peak_mb() {
  local kb
  kb=$(/usr/bin/time -f '%M' "$@" 2>&1 >"$OUT" | tail -1)
  awk -v kb="$kb" 'BEGIN { printf "%.1f", kb / 1024 }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }
verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v != "-" && v <= t) ? "met" : "MISSED" }'; }

ours=("$FIND" --data "$STORE" --subfolders)
grep_cmd() { echo grep -c -F -i -r --include=Folder.idx -- "$1" "$STORE"; }
rg_cmd() { echo rg -c -F -i -g Folder.idx --no-ignore --hidden -- "$1" "$STORE"; }

echo
echo "== the same hits as the reference ($REFERENCE): md5 of the tsv output"
five_rows='five,0,,0,2,0,0,invoice,0,2,0,0,meeting,1,3,0,0,example,2,2,0,0,Re:,2,0,0,0,spam'
all_same=1
# same NAME ARGS...: the md5 of ours and of the reference for one search.
same() {
  local name=$1; shift
  local mine theirs hits verdict
  mine=$("${ours[@]}" --format tsv "$@" "${folders[@]}" | md5sum | cut -c1-12)
  hits=$("${ours[@]}" --count "$@" "${folders[@]}")
  if [ -n "$REF_FIND" ]; then
    theirs=$("$REF_FIND" --data "$STORE" --subfolders --format tsv "$@" "${folders[@]}" |
             md5sum | cut -c1-12)
    [ "$mine" = "$theirs" ] && verdict=same || { verdict=DIFFERENT; all_same=0; }
  else
    theirs=-; verdict="no reference"; all_same=0
  fi
  printf '%-42s %9s hits  %s  %s  %s\n' "$name" "$hits" "$mine" "$theirs" "$verdict"
}
same "Subject 'invoice'" --subject invoice
same "From 'yamada example', all words" --from "yamada example" --all-words
same "Subject 're:'" --subject re:
same "From+To 'example'" --from-to example
same "To '田中'" --to 田中
same "Subject '会議', keeping case" --subject 会議 --case
same "Subject 'invoice' since 2024-01-01" --subject invoice --since 2024-01-01
same "five rows OR/OR/AND/NOT/NOT" --cond "$five_rows"

echo
echo "== page cache: reading every index file once"
(cd "$STORE" && xargs -0 -a "$LIST" cat >/dev/null)
cat_times=()
for ((i = 0; i <= RUNS; i++)); do
  t=$(cd "$STORE" && SINK=/dev/null cpu_ms "${ONE_CORE[@]}" xargs -0 -a "$LIST" cat)
  ((i > 0)) && cat_times+=("$t")
done
cat_ms=$(median "${cat_times[@]}")

results=()
# bench NAME LITERAL OURS-ARGS...: ours against grep and rg for the same literal, each on one
# core, in processor time. The three take turns, run after run, so that a slow moment of the
# machine falls on all of them alike.
bench() {
  local name=$1 literal=$2; shift 2
  local ours_cmd=("${ONE_CORE[@]}" "${ours[@]}" --count "$@" "${folders[@]}")
  local g r
  read -r -a g <<<"$(grep_cmd "$literal")"
  read -r -a r <<<"$(rg_cmd "$literal")"
  local ours_t=() grep_t=() rg_t=()
  for ((i = 0; i <= RUNS; i++)); do
    local a b c
    a=$(cpu_ms "${ours_cmd[@]}")
    b=$(cpu_ms "${ONE_CORE[@]}" "${g[@]}")
    c=$(cpu_ms "${ONE_CORE[@]}" "${r[@]}")
    # The first round warms up.
    if ((i > 0)); then ours_t+=("$a"); grep_t+=("$b"); rg_t+=("$c"); fi
  done
  local ours_ms grep_ms rg_ms peak
  ours_ms=$(median "${ours_t[@]}")
  grep_ms=$(median "${grep_t[@]}")
  rg_ms=$(median "${rg_t[@]}")
  peak=$(peak_mb "${ours_cmd[@]}")
  results+=("$(printf '%-34s %8.1f %8.1f %8.1f %8.1f %9s %8s %9s %9s' "$name" "$ours_ms" \
    "$grep_ms" "$rg_ms" "$cat_ms" "$(ratio "$ours_ms" "$grep_ms")" "$(ratio "$ours_ms" "$rg_ms")" \
    "$(ratio "$ours_ms" "$cat_ms")" "$peak")")
  LAST_GREP=$(ratio "$ours_ms" "$grep_ms")
  LAST_RG=$(ratio "$ours_ms" "$rg_ms")
}

bench "Subject 'invoice', ignoring case" invoice --subject invoice
subject_grep=$LAST_GREP
subject_rg=$LAST_RG
bench "From 'yamada example', all words" yamada --from "yamada example" --all-words
# OR Subject invoice, OR Subject meeting, AND From/To example, NOT Subject Re:, NOT From spam.
bench "five rows OR/OR/AND/NOT/NOT" invoice --cond "$five_rows"
five_rg=$LAST_RG

echo
echo "== one core (taskset -c 0 for every tool), page cache warm: processor time, medians of $RUNS runs, ms"
echo "   grep and rg count lines holding the literal anywhere; peak = maximum resident set of ours"
printf '%-34s %8s %8s %8s %8s %9s %8s %9s %9s\n' case ours grep rg cat ours/grep ours/rg \
  ours/cat "peak MiB"
printf '%s\n' "${results[@]}"

echo
echo "== 32 bits against 64: zeldrium-find built natively both ways (32-bit as the DLL is: SSE2"
echo "   assumed, position-dependent code), one core, processor time, in turns; Subject 'invoice'"
t64=() t32=()
for ((i = 0; i <= RUNS; i++)); do
  a=$(cpu_ms "${ONE_CORE[@]}" "$FIND" --data "$STORE" --count --subject invoice)
  b=$(cpu_ms "${ONE_CORE[@]}" "$FIND32" --data "$STORE" --count --subject invoice)
  if ((i > 0)); then t64+=("$a"); t32+=("$b"); fi
done
bits_ratio=$(ratio "$(median "${t32[@]}")" "$(median "${t64[@]}")")
printf '64-bit %.1f  32-bit %.1f  32/64 %s\n' "$(median "${t64[@]}")" "$(median "${t32[@]}")" \
  "$bits_ratio"

echo
echo "== where the processor time goes: the marking pass alone and the whole scan of the lines,"
echo "   per instruction set, every index file of the store in memory (bench/marking_bench.cpp)"
subject_cond='s,0,,0,2,0,0,invoice,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,'
for bench_program in "$BUILD/bench/zeldrium-marking-bench" "$BUILD32/bench/zeldrium-marking-bench"; do
  echo "Subject 'invoice':"
  "${ONE_CORE[@]}" "$bench_program" "$STORE" "$subject_cond" "$RUNS" | sed 's/^/  /'
  echo "five rows:"
  "${ONE_CORE[@]}" "$bench_program" "$STORE" "$five_rows" "$RUNS" | sed 's/^/  /'
done

cold=()
if [ -w /proc/sys/vm/drop_caches ]; then
  echo
  echo "== cold: the page cache emptied before every run, all cores; Subject 'invoice', ms"
  for cold_store in "$STORE" "$SMALL_STORE"; do
    (cd "$cold_store" && find . -name Folder.idx -print0) >"$LIST.cold"
    ours_t=() rg_t=() cat_cold=()
    for ((i = 0; i < RUNS; i++)); do
      ours_t+=("$(COLD=1 run_ms "$FIND" --data "$cold_store" --count --subject invoice)")
      rg_t+=("$(COLD=1 run_ms rg -c -F -i -g Folder.idx --no-ignore --hidden -- invoice "$cold_store")")
      cat_cold+=("$(cd "$cold_store" && COLD=1 SINK=/dev/null run_ms xargs -0 -a "$LIST.cold" cat)")
    done
    rm -f "$LIST.cold"
    cold_ours=$(median "${ours_t[@]}")
    cold_rg_ms=$(median "${rg_t[@]}")
    cold+=("$(ratio "$cold_ours" "$cold_rg_ms")")
    printf '%-16s ours %d  rg %d  cat %d  ours/rg %s   (ours %s; rg %s)\n' "${cold_store#$ROOT/build/}" \
      "$cold_ours" "$cold_rg_ms" "$(median "${cat_cold[@]}")" "${cold[-1]}" "${ours_t[*]}" "${rg_t[*]}"
  done
  (cd "$STORE" && xargs -0 -a "$LIST" cat >/dev/null)  # warm again for what follows
else
  echo
  echo "== cold: left out (emptying the page cache needs root)"
fi

echo
echo "== memory"
# A reply prefix in any case: well over 100,000 hits.
many_hits=$("${ours[@]}" --count --subject re: "${folders[@]}")
many_count_mb=$(peak_mb "${ours[@]}" --count --subject re: "${folders[@]}")
many_tsv_mb=$(peak_mb "${ours[@]}" --format tsv --subject re: "${folders[@]}")
# Without hits, what is left is what reading costs: it must not grow with the store.
one_mb=$(peak_mb "${ours[@]}" --count --subject zzqqxx "${first_mailbox[@]}")
all_mb=$(peak_mb "${ours[@]}" --count --subject zzqqxx "${folders[@]}")
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
echo "== calls to the system per folder, natively (strace), ours and before ($BEFORE)"
"$HERE/calls.sh" native "$STORE" "$FIND" "${BEFORE_REV:+$BEFORE_BUILD/out/tools/find/zeldrium-find}"

echo
echo "== targets"
echo "Same hits as the reference: $([ $all_same = 1 ] && echo met || echo MISSED)"
echo "Subject search, one core: ours/rg $subject_rg (target <= 1.2: $(verdict "$subject_rg" 1.2)), ours/grep $subject_grep (target <= 0.5: $(verdict "$subject_grep" 0.5))"
echo "Five rows, one core: ours/rg $five_rg (target <= 1.3: $(verdict "$five_rg" 1.3))"
echo "32-bit / 64-bit build, Subject search, one core: $bits_ratio (target <= 1.2: $(verdict "$bits_ratio" 1.2))"
for c in "${cold[@]}"; do
  echo "Cold page cache, all cores: ours/rg $c (target <= 1.1: $(verdict "$c" 1.1))"
done
echo "Memory without hits: $all_mb MiB (target < 16: $(verdict "$all_mb" 15.99))"
echo "Memory with $many_hits hits: $many_tsv_mb MiB (target < 64: $(verdict "$many_tsv_mb" 63.99))"

[ "${BENCH_WINDOW:-1}" = 0 ] && exit 0
echo
echo "== the search window (Zeldrium.dll under Wine) against zeldrium-find, and against the DLL of before ($BEFORE)"
"$ROOT/scripts/setup.sh" win
cmake -S "$ROOT" -B "$ROOT/build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake" >/dev/null
cmake --build "$ROOT/build/win" -j "$JOBS" --target window_bench zeldrium-find Zeldrium >/dev/null
# The revision before, for Windows, once: its DLL and zeldrium-find.exe.
BEFORE_WIN=
if [ -n "$BEFORE_REV" ]; then
  BEFORE_WIN=$BEFORE_BUILD/win
  if [ "$(cat "$BEFORE_WIN/.revision" 2>/dev/null)" != "$BEFORE_REV" ]; then
    echo "== building the DLL of before ($BEFORE) in ${BEFORE_WIN#$ROOT/}"
    { cmake -S "$BEFORE_BUILD/src" -B "$BEFORE_WIN" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$BEFORE_BUILD/src/cmake/toolchain-i686-mingw.cmake" &&
      cmake --build "$BEFORE_WIN" -j "$JOBS" --target Zeldrium zeldrium-find; } \
      >"$BEFORE_BUILD/win.log" 2>&1 && echo "$BEFORE_REV" >"$BEFORE_WIN/.revision" ||
      { echo "bench: the DLL of before did not build (log: ${BEFORE_BUILD#$ROOT/}/win.log)" >&2; BEFORE_WIN=; }
  fi
fi
"$HERE/window.sh" "$ROOT/build/win" "$BEFORE_WIN"

echo
echo "== requests to Wine's server per folder, ours and before ($BEFORE)"
"$HERE/calls.sh" wine "$STORE" "$ROOT/build/win/tools/find/zeldrium-find.exe" \
  "${BEFORE_WIN:+$BEFORE_WIN/tools/find/zeldrium-find.exe}"

echo
echo "== a million hits: memory per hit and header-click sorts"
"$HERE/memory.sh" "$ROOT/build/win"
if [ -n "$BEFORE_WIN" ]; then
  echo
  echo "== the same, the DLL of before ($BEFORE) driven by our driver"
  "$HERE/memory.sh" "$ROOT/build/win" "$BEFORE_WIN"
fi

echo
echo "== the search while typing: from a key to its count"
"$HERE/typing.sh" "$ROOT/build/win"
