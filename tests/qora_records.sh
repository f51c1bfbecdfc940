#!/usr/bin/env bash
# qora-records from the command line: exit statuses, messages and output of
# a game folder holding a score table and a results base.
# Usage: qora_records.sh PATH-TO-qora-records PATH-TO-001
set -u
tool=$(realpath "$1")
elements=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
fails=0

expect() {  # expect STATUS ARGS... : runs the tool, checks the exit status
  local want=$1
  shift
  "$tool" "$@" >out.txt 2>err.txt
  local got=$?
  if [ "$got" -ne "$want" ]; then
    echo "FAIL: qora-records $* exited $got, expected $want"
    cat err.txt
    fails=$((fails + 1))
  fi
}

one_line_error() {
  if [ "$(wc -l <err.txt)" -ne 1 ]; then
    echo "FAIL: expected one line on stderr, got:"
    cat err.txt
    fails=$((fails + 1))
  fi
}

expect 2
expect 2 top5
expect 2 frobnicate 1player.qora
grep -q usage err.txt || { echo "FAIL: no usage text"; fails=$((fails + 1)); }

expect 1 top5 1player.qora
one_line_error
expect 1 results Result.qora
one_line_error

# One score record: name "Ann", SCORE 10, HISCORE 10, TIME 10, LEVEL 30,
# ALLTIME 10 (rating 30); the name's unused bytes hold junk.
{
  printf '\x00\x03Ann'
  head -c 38 /dev/zero | tr '\0' 'Z'
  printf '\x0a\x00\x0a\x00\x0a\x00\x1e\x00\x0a\x00'
} >1player.qora
[ "$(stat -c %s 1player.qora)" -eq 53 ] || { echo "FAIL: bad fixture"; exit 1; }
expect 0 top5 1player.qora
[ "$(cat out.txt)" = "$(printf '1\t30\tAnn')" ] || { echo "FAIL: top5 printed: $(cat out.txt)"; fails=$((fails + 1)); }
expect 0 scores 1player.qora
[ "$(cat out.txt)" = "$(printf 'Ann\t10\t10\t10\t30\t10\t30')" ] || { echo "FAIL: scores printed: $(cat out.txt)"; fails=$((fails + 1)); }

# A torn table is refused.
printf 'x' >>1player.qora
expect 1 scores 1player.qora
one_line_error

# One results record "Bob" (no "-") knowing element index 0; without the
# element table it is refused, with it the row names the first symbol.
{
  printf '\x01\x03Bob'
  head -c 26 /dev/zero
  printf '\x01'
  head -c 63 /dev/zero
} >Result.qora
[ "$(stat -c %s Result.qora)" -eq 95 ] || { echo "FAIL: bad fixture"; exit 1; }
expect 1 results Result.qora
one_line_error
cp "$elements" 001
expect 0 results Result.qora
first=$(sed -n 2p 001 | tr -d '\r ' | cut -d, -f2 | iconv -f WINDOWS-1251 -t UTF-8)
[ "$(cat out.txt)" = "$(printf 'date,player,symbol,status\n,Bob,%s,known' "$first")" ] ||
  { echo "FAIL: results printed: $(cat out.txt)"; fails=$((fails + 1)); }

[ "$fails" -eq 0 ] && echo "qora-records: all checks passed"
exit $((fails > 0))
