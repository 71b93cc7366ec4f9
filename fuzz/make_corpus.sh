#!/usr/bin/env bash
# Regenerates the seed corpora in fuzz/corpus/<target>/ from a small store made by the project's
# store generator and from the tests' fixtures. Seeds stay small: a few dozen files of at most a
# few KB per target; the fuzzer grows its working corpus under build/fuzz, not here.
#   fuzz/make_corpus.sh     (MAKE_STORE=path/to/zeldrium-make-store to use another build)
set -euo pipefail
export LC_ALL=C
ROOT=$(cd "$(dirname "$0")/.." && pwd)
CORPUS=$ROOT/fuzz/corpus
MAKE_STORE=${MAKE_STORE:-$ROOT/build/native/tools/make_store/zeldrium-make-store}

if [ ! -x "$MAKE_STORE" ]; then
  cmake -S "$ROOT" -B "$ROOT/build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$ROOT/build/native" --target zeldrium-make-store -j2 >/dev/null
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$MAKE_STORE" --out "$tmp/store" --seed 5 --mails 400 --folders 6 >/dev/null

rm -rf "$CORPUS"
mkdir -p "$CORPUS"/{text,comma_list,find_rec,settings,index_file}

# The index files: the fixtures whole, the generated ones cut to their first 24 lines.
n=0
while IFS= read -r -d '' f; do
  cp "$f" "$CORPUS/index_file/fixture-$((n += 1)).idx"
done < <(find "$ROOT/tests/fixtures/store" "$ROOT/tools/find/testdata/store" -iname folder.idx -print0 | sort -z)
n=0
while IFS= read -r -d '' f; do
  head -n 24 "$f" >"$CORPUS/index_file/store-$((n += 1)).idx"
done < <(find "$tmp/store" -iname folder.idx -print0 | sort -z)

# Header texts (Subject, From, To) of the index lines, one per line, without CR.
fields() {
  find "$tmp/store" "$ROOT/tests/fixtures/store" -iname folder.idx -print0 | sort -z |
    xargs -0 cat | tr -d '\r\032' | awk -F'\001' 'NF >= 9 { print $4; print $5; print $6 }' |
    awk 'length($0) > 0' | sort -u
}
fields >"$tmp/fields"

# FuzzedDataProvider strings: a backslash is doubled, and a backslash with another byte ends one.
esc() { printf '%s' "$1" | sed 's/\\/\\\\/g'; }

# text: start marker, end marker, the text, and the width in the last byte.
i=0
markers=('<|>' '|' '@|' '[|]' '"|"' 'Re:|')
while IFS= read -r text; do
  m=${markers[$((i % ${#markers[@]}))]}
  { esc "${m%%|*}"; printf '\\|'; esc "${m#*|}"; printf '\\|'; printf '%s' "$text"
    printf "\\$(printf '%03o' $((8 + i % 40)))"; } >"$CORPUS/text/field-$i"
  i=$((i + 1))
  [ $i -lt 30 ] || break
done < <(awk 'NR % 7 == 1' "$tmp/fields")

# Settings files: the command line's test settings, and a few hand-written forms.
cp "$ROOT/tools/find/testdata/settings.ini" "$CORPUS/settings/testdata.ini"
# printf formats: \xNN is a code page 932 byte, \\ a backslash.
printf '%b\r\n' \
  'WINDOWINFO=2,120,80,1052,560' \
  'VIEWFONT="\x82\x6c\x82\x72 \x82\x6f\x83\x53\x83\x56\x83\x62\x83\x4e",128,$000000,3,9,1' \
  'COLWIDTH=400,200,150,150,0' \
  'FINDHISTORY="a b",c"d,,\x8c\xa9\x90\xcf' \
  'FINDCOUNT=3' \
  'SHOWHOTKEY=24645' \
  'FINDPARAM0=x,1,"Main.mb\\Inbox\\",0,2,0,0,"a b",0,-1,0,0,,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,' \
  'FINDPARAM2=y,0,,2,3,1,1,"q""r",0,-1,0,0,,0,-1,0,0,,0,-1,0,0,,0,-1,0,0,' \
  'OPTIONSET=1,true,0,0,1,' \
  'DATELIMIT=1,86400,' >"$CORPUS/settings/full.ini"
printf 'findcount=1\nFINDPARAM0=lower,0,,0,0,0,0,k\nwindowinfo=1,$10,-5,+7,8\rFINDHISTORY=x=y\n' \
  >"$CORPUS/settings/mixed-ends.ini"
printf '\xef\xbb\xbfCOLWIDTH=\r\nFINDCOUNT=-1\r\nDATELIMIT=0,0\r\nVIEWFONT=a,300,$FF000008,15,-9,2\r\n' \
  >"$CORPUS/settings/edges.ini"

# comma_list: every value of those settings files, then a 32-bit value for AddInt.
i=0
for f in "$CORPUS"/settings/*; do
  tr '\r' '\n' <"$f" | sed -n 's/^[^=]*=//p' | while IFS= read -r value; do
    printf '%s\x80\x00\x00\x7f' "$value" >"$CORPUS/comma_list/$(basename "$f")-$((i += 1))"
  done
done

# find_rec: each saved condition with two lines of generated headers (From, To, Subject).
i=0
sed -n 's/^FINDPARAM[0-9]*=//p' "$CORPUS"/settings/* | tr -d '\r' >"$tmp/conditions"
printf '%s\n' 'n,0,,0,3,0,1,"a b",1,2,1,0,x,2,0,0,0,spam,5,1,0,0,,0,-1,0,0,' >>"$tmp/conditions"
mapfile -t texts <"$tmp/fields"
while IFS= read -r csv; do
  for j in 0 1; do
    k=$(((i * 5 + j * 3) % ${#texts[@]}))
    { esc "$csv"; printf '\\|'
      for t in "${texts[@]:$k:6}"; do esc "$t"; printf '\\|'; done; } \
      >"$CORPUS/find_rec/cond-$((i += 1))"
  done
done <"$tmp/conditions"

for d in "$CORPUS"/*; do
  printf '%-11s %3d files, %6d bytes\n' "$(basename "$d")" "$(ls "$d" | wc -l)" "$(cat "$d"/* | wc -c)"
done
