#!/usr/bin/env bash
# Runs every libFuzzer target for SECONDS each (default 600), one after the other, and prints
# per target the executions, the coverage reached and any finding. Not part of the test command
# (which runs each target for a few seconds).
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (./dev fuzz [SECONDS])
# The working corpus of a target grows in build/fuzz/corpus/<target>/ from the seeds in
# fuzz/corpus/<target>/, which are only read; findings land in build/fuzz/findings/<target>/.
# Exits non-zero when any target found something.
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/env.sh"
ROOT=$ZELDRIUM_ROOT
BUILD=$ROOT/build/fuzz
SECONDS_EACH=${1:-600}
[ $# -gt 0 ] && shift
case $SECONDS_EACH in
  ''|*[!0-9]*) echo "fuzz.sh: SECONDS must be a whole number, not '$SECONDS_EACH'" >&2; exit 2 ;;
esac

"$HERE/setup.sh" native fuzz || exit 1
echo "== fuzz: building in ${BUILD#$ROOT/}"
mkdir -p "$BUILD"
if ! { cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
         -DZELDRIUM_FUZZ=ON -DZELDRIUM_BUILD_TESTS=OFF &&
       cmake --build "$BUILD" --target fuzz_targets -j "${JOBS:-2}"; } >"$BUILD/build.log" 2>&1; then
  tail -40 "$BUILD/build.log"
  echo "== fuzz: BUILD FAILED (full log: ${BUILD#$ROOT/}/build.log)"
  exit 1
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in "$ROOT"/fuzz/*_fuzz.cpp; do
    t=$(basename "$f" _fuzz.cpp)
    targets+=("$t")
  done
fi

found=0
report=()
for t in "${targets[@]}"; do
  bin=$BUILD/fuzz/${t}_fuzz
  [ -x "$bin" ] || { echo "fuzz.sh: no target '$t'" >&2; exit 2; }
  work=$BUILD/corpus/$t
  findings=$BUILD/findings/$t
  log=$BUILD/fuzz-$t.log
  mkdir -p "$work" "$findings"
  echo "== $t: ${SECONDS_EACH}s"
  # One job on one core: the machine is shared, and a steady rate makes runs comparable.
  "$bin" -max_total_time="$SECONDS_EACH" -timeout=20 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" "$ROOT/fuzz/corpus/$t" >"$log" 2>&1
  rc=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -oE 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -1)
  if [ $rc -eq 0 ]; then
    line=$(printf '%-11s %12s executions  %-20s no finding' "$t" "${execs:-?}" "$cov")
  else
    found=1
    artifact=$(grep -oE "Test unit written to [^ ]+" "$log" | tail -1 | sed 's/.* to //')
    what=$(grep -m1 -E 'property violated|ERROR: (AddressSanitizer|libFuzzer|LeakSanitizer)|runtime error' "$log")
    line=$(printf '%-11s %12s executions  FINDING: %s\n%13s input: %s (log: %s)' \
      "$t" "${execs:-?}" "$what" "" "${artifact:-none}" "${log#$ROOT/}")
  fi
  echo "$line"
  report+=("$line")
done

echo
printf '%s\n' "${report[@]}"
exit $found
