#!/usr/bin/env bash
# zeldrium-find as cmake --install leaves it: the program, `man zeldrium-find`, and the bash
# completion, each covering every option --help lists.
#   install_test.sh BUILD_DIR STORE
set -uo pipefail
build=$1 store=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }
program=$prefix/bin/zeldrium-find
[ -x "$program" ] || fail "no $program"
options=$("$program" --help | grep -oE '^ +(-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+')
[ "$(wc -l <<<"$options")" -ge 20 ] || fail "--help lists only: $options"

# The man page, found as man finds pages of an installed prefix.
page=$(MANPATH=$prefix/share/man MANWIDTH=200 man -P cat zeldrium-find 2>&1) ||
  fail "man zeldrium-find: $page"
grep -q "zeldrium-find - search the headers" <<<"$page" || fail "the man page has no NAME line"
for option in $options; do
  grep -qE -- "(^|[ ,])$option([ =,]|$)" <<<"$page" || fail "the man page lacks $option"
done

# The completion, as bash-completion loads it.
completion=$prefix/share/bash-completion/completions/zeldrium-find
[ -f "$completion" ] || fail "no $completion"
# shellcheck source=/dev/null
source "$completion"
complete_words() {  # the words of a command line, the last being completed
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _zeldrium_find
  printf '%s\n' "${COMPREPLY[@]}" | sort
}
offered=$(complete_words "$program" --)
for option in $options; do
  grep -qx -- "$option" <<<"$offered" || fail "the completion does not offer $option"
done
[ "$(complete_words "$program" --form)" = "--format" ] || fail "--form does not complete"
[ "$(complete_words "$program" -d "$store" --format j)" = json ] || fail "--format j"
[ "$(complete_words "$program" --color a | tr '\n' ' ')" = "always auto " ] || fail "--color a"
want=$'Main.mb/\nMain.mb/Inbox/\nMain.mb/Inbox/Sub/\nMain.mb/家族/'
got=$(complete_words "$program" -d "$store" -s x --folder M)
[ "$got" = "$(sort <<<"$want")" ] || fail "--folder M offers: $got"
got=$(complete_words "$program" "--data=$store" -s x Main.mb/I)
[ "$got" = $'Main.mb/Inbox/\nMain.mb/Inbox/Sub/' ] || fail "a folder argument offers: $got"
[ -z "$(complete_words "$program" -s x --folder M)" ] || fail "folders offered without --data"

if [ $failed = 0 ]; then echo "installed: program, man page and completion"; fi
exit $failed
