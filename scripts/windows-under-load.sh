#!/usr/bin/env bash
# Runs the Windows suite several times in a row (default 3) while a parallel build of the native
# tree, over and over, keeps every core busy: a test that waits for a time rather than for the
# event it needs, or that finds another program's window, fails here. Each run's result is
# printed; its log is build/win/loaded-run-N.log. Build both trees first (./dev test does).
#   scripts/windows-under-load.sh [RUNS]
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/env.sh"
ROOT=$ZELDRIUM_ROOT
runs=${1:-3}
for tree in native win; do
  if [ ! -f "$ROOT/build/$tree/build.ninja" ]; then
    echo "windows-under-load.sh: build/$tree is not built (run ./dev test first)" >&2
    exit 2
  fi
done

# The load runs in a process group of its own, so that it can be ended with everything it
# started.
setsid bash -c "while :; do cmake --build '$ROOT/build/native' --clean-first -j $(nproc) \
  >/dev/null 2>&1; done" &
load=$!
trap 'kill -- -$load 2>/dev/null; wait $load 2>/dev/null' EXIT

failed_runs=0
for run in $(seq "$runs"); do
  log=$ROOT/build/win/loaded-run-$run.log
  start=$(date +%s)
  (cd "$ROOT/build/win" && "$HERE/wine-session.sh" ctest --output-on-failure --timeout 300 -j 1) \
    >"$log" 2>&1
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  echo "run $run: ${line:-no result} in $(( $(date +%s) - start )) s (${log#$ROOT/})"
  if [ -z "$line" ] || ! grep -q ' 0 tests failed' <<<"$line"; then
    failed_runs=$((failed_runs + 1))
    grep -E '^\s*[0-9]+ - ' "$log" || true
  fi
done
[ "$failed_runs" -eq 0 ]
