#!/usr/bin/env bash
# Checks the formatting, builds every tree and runs every suite: the native unit tests, the same
# under AddressSanitizer and UndefinedBehaviorSanitizer, a few seconds of each fuzz target (and
# every kept reproducer), and the Windows tree (core tests and the real DLL) under Wine.
# The last line is the total over all suites: "N passed, N failed".
set -uo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/env.sh"
ROOT=$ZELDRIUM_ROOT
JOBS=${JOBS:-$(nproc)}

"$HERE/setup.sh" native win fuzz || { echo "0 passed, 1 failed"; exit 1; }

total_passed=0
total_failed=0
summary=()

# count SUITE LOG: adds the suite's ctest result to the totals. A suite that did not build, or that
# found no test at all, counts as one failure: a silent suite must never look green.
count() {
  local suite=$1 log=$2 line passed failed total
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$line" ]; then
    passed=0; failed=1
  else
    failed=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((total - failed))
    [ "$total" -gt 0 ] || failed=1
  fi
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
  summary+=("$(printf '%-10s %5d passed, %d failed' "$suite" "$passed" "$failed")")
}

# build SUITE DIR CMAKE-ARGS...: configures and builds a tree (only the target $TARGET when it is
# set); output goes to DIR/build.log.
build() {
  local suite=$1 dir=$2; shift 2
  mkdir -p "$dir"
  echo "== $suite: building in ${dir#$ROOT/}"
  if ! { cmake -S "$ROOT" -B "$dir" -G Ninja "$@" &&
         cmake --build "$dir" -j "$JOBS" ${TARGET:+--target "$TARGET"}; } >"$dir/build.log" 2>&1; then
    tail -40 "$dir/build.log"
    echo "== $suite: BUILD FAILED (full log: ${dir#$ROOT/}/build.log)"
    return 1
  fi
}

run_ctest() {
  local suite=$1 dir=$2 log=$2/ctest.log; shift 2
  echo "== $suite: running tests"
  (cd "$dir" && "$@" ctest --output-on-failure --timeout 300 -j "$JOBS") >"$log" 2>&1
  grep -E '^\s*[0-9]+/[0-9]+ Test .*(Failed|Timeout|Exception|Not Run)|tests passed|The following tests' -A0 "$log" || true
  if grep -q 'tests failed out of' "$log" && ! grep -q ' 0 tests failed out of' "$log"; then
    sed -n '/The following tests FAILED/,$p' "$log"
  fi
  count "$suite" "$log"
}

# Every C++ file as .clang-format writes it; a file that differs is named and counts as a failure.
echo "== format: checking"
unformatted=()
while IFS= read -r -d '' file; do
  [ -f "$ROOT/$file" ] || continue
  clang-format --dry-run -Werror "$ROOT/$file" >/dev/null 2>&1 || unformatted+=("$file")
done < <(git -C "$ROOT" ls-files -z --cached --others --exclude-standard -- '*.cpp' '*.h')
for file in "${unformatted[@]}"; do echo "not formatted (clang-format -i $file)"; done
total_failed=$((total_failed + ${#unformatted[@]}))
summary+=("$(printf '%-10s %5d passed, %d failed' format $((${#unformatted[@]} ? 0 : 1)) ${#unformatted[@]})")

if build native "$ROOT/build/native" -DCMAKE_BUILD_TYPE=RelWithDebInfo; then
  run_ctest native "$ROOT/build/native"
else
  count native /dev/null
fi

if build sanitize "$ROOT/build/sanitize" -DCMAKE_BUILD_TYPE=Debug -DZELDRIUM_SANITIZE=ON; then
  run_ctest sanitize "$ROOT/build/sanitize" env ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  count sanitize /dev/null
fi

# Only the fuzz targets: the tools are of no use in an instrumented tree.
if TARGET=fuzz_targets build fuzz "$ROOT/build/fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
     -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DZELDRIUM_FUZZ=ON -DZELDRIUM_BUILD_TESTS=OFF; then
  run_ctest fuzz "$ROOT/build/fuzz"
else
  count fuzz /dev/null
fi

if build windows "$ROOT/build/win" -DCMAKE_BUILD_TYPE=Release \
     -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchain-i686-mingw.cmake"; then
  # One test at a time: two tests that start child processes lose the children's output when
  # other Wine processes run beside them.
  JOBS=1 run_ctest windows "$ROOT/build/win" "$HERE/wine-session.sh"
else
  count windows /dev/null
fi

echo
printf '%s\n' "${summary[@]}"
echo "$total_passed passed, $total_failed failed"
[ "$total_failed" -eq 0 ]
