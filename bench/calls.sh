#!/usr/bin/env bash
# The calls to the system a whole-store search makes per folder, by kind, for ours and for an
# earlier build: natively the system calls of the file system (strace -c), under Wine the
# requests to Wine's server (a server of its own, traced with WINEDEBUG=+server), where each is a
# round trip to another process. What the start-up of the program costs (a search of a folder
# that does not exist) is taken off; the rest is divided by the index files searched.
#   bench/calls.sh native STORE FIND [BEFORE_FIND]
#   bench/calls.sh wine STORE FIND_EXE [BEFORE_FIND_EXE]     (not inside scripts/wine-session.sh)
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
. "$HERE/../scripts/env.sh"
mode=$1 store=$2
shift 2
files=$(find "$store" -name Folder.idx | wc -l)
dirs=$(find "$store" -type d | wc -l)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
# Under Wine each count needs a server of its own: wait for any session on the prefix to end
# (scripts/wine-session.sh takes the same lock) rather than kill its server under it.
if [ "$mode" = wine ]; then
  exec 9>"$WINEPREFIX.session-lock"
  flock 9
fi

# counts NAME CMD...: "kind count" lines of the calls CMD made.
counts() {
  local name=$1; shift
  case $mode in
    native)
      strace -c -o "$WORK/$name.strace" "$@" >"$WORK/$name.out" 2>/dev/null || true
      # The file system's calls only; the program's start-up maps memory and the like.
      awk '$NF ~ /^(openat|open|close|getdents64|newfstatat|fstat|stat|lstat|statx|read|pread64|preadv2|fadvise64|readahead)$/ {
             print $NF, $4 }' "$WORK/$name.strace"
      ;;
    wine)
      wineserver -k 2>/dev/null 9>&- || true
      # Wine maps the store's Japanese folder names through a Japanese locale, as the tests run.
      LOCPATH="$ZELDRIUM_LOCPATH" LC_ALL=ja_JP.UTF-8 WINEDEBUG=+server wine "$@" \
        >"$WORK/$name.out" 2>"$WORK/$name.trace" 9>&- || true
      wineserver -w 2>/dev/null 9>&- || true
      local thread
      thread=$(grep -m1 'init_first_thread() = 0' "$WORK/$name.trace" | cut -d: -f1)
      grep -E "^$thread: [a-z_]+\( " "$WORK/$name.trace" | sed "s/^$thread: //; s/(.*//" |
        sort | uniq -c | awk '{ print $2, $1 }'
      ;;
  esac
}

# report LABEL PROGRAM: the calls of a whole-store search less those of a start-up, per file.
report() {
  local label=$1 program=$2 data=$store
  [ "$mode" = wine ] && data="Z:$store"
  counts "$label-search" "$program" --data "$data" --count --subject invoice >"$WORK/search"
  counts "$label-start" "$program" --data "$data" --count --subject invoice --folder 'NOPE.mb\' >"$WORK/start"
  awk -v label="$label" -v files="$files" -v hits="$(tr -d '\r' <"$WORK/$label-search.out")" '
    NR == FNR { start[$1] = $2; next }
    { n = $2 - start[$1]; if (n > 0) { kinds[$1] = n; total += n } }
    END {
      line = sprintf("%-7s %6s hits, %5.1f per index file:", label, hits, total / files)
      for (k in kinds) if (kinds[k] / files >= 0.05) line = line sprintf(" %s %.1f", k, kinds[k] / files)
      print line
    }' "$WORK/start" "$WORK/search"
}

echo "$files index files in $dirs directories; calls whose count is at least one in twenty files"
report ours "$1"
[ -n "${2:-}" ] && report before "$2"
exit 0
