#!/usr/bin/env bash
# One golden replay: the steps of tests/golden/NAME/steps run in a fresh game
# folder holding only the shipped data files, headless on the virtual clock;
# what they leave (the tables and base, the pictures of the scripts' shot
# lines, the class report, the workbook's sheet XML laid out one element a
# line) is compared with tests/golden/NAME/expected/. A difference is printed,
# and pictures that differ are put side by side (expected | now) in
# OUT/NAME/. With GOLDEN_ACCEPT=1 what the steps left becomes the expected set.
#   golden.sh QORA QORA-RECORDS SOURCE-DIR OUT-DIR NAME
#
# A line of steps is one of (paths of scripts relative to tests/golden/NAME):
#   qora SCRIPT [ARG...]                the game driven by that script
#   records export|report|scores|results ARG...   the records tool
set -u
usage="usage: golden.sh QORA QORA-RECORDS SOURCE-DIR OUT-DIR NAME"
qora=${1:?$usage} records=${2:?$usage} src=${3:?$usage} out=${4:?$usage} name=${5:?$usage}
mkdir -p "$out"
src=$(realpath "$src") out=$(realpath "$out") qora=$(realpath "$qora") records=$(realpath "$records")
case=$src/tests/golden/$name
[ -f "$case/steps" ] || { echo "FAIL: no $case/steps"; exit 1; }
work=$out/$name
rm -rf "$work"
mkdir -p "$work/folder" "$work/now"
cp "$src/data/001" "$src/data/002" "$work/folder/"
export QORA_VIDEO=headless QORA_CLOCK=virtual LC_ALL=C.UTF-8 TZ=UTC
# The screen is 1024x768 unless a recorded script names its own.
unset QORA_RECORD QORA_FRAMES QORA_TRACE QORA_HOME QORA_SCREEN

failures=0
fail() { echo "FAIL [$name]: $*"; failures=$((failures + 1)); }

# The steps, each in the game folder.
n=0
while read -r tool first rest; do
  case $tool in ''|'#'*) continue ;; esac
  n=$((n + 1))
  if [ "$tool" = qora ]; then
    # shellcheck disable=SC2086
    (cd "$work/folder" && QORA_SCRIPT="$case/$first" timeout 120 "$qora" $rest \
      >"$work/step$n.out" 2>"$work/step$n.err")
    status=$?
    # The pictures of a script borrowed from another case are that case's.
    case $first in ../*) rm -f "$work/folder"/*.png ;; esac
  elif [ "$tool" = records ]; then
    # shellcheck disable=SC2086
    (cd "$work/folder" && timeout 60 "$records" "$first" $rest >"$work/step$n.out" 2>"$work/step$n.err")
    status=$?
  else
    fail "step $n: unknown tool $tool"; continue
  fi
  [ "$status" = 0 ] || { fail "step $n ($tool $first $rest) ended with status $status"; cat "$work/step$n.err"; }
done <"$case/steps"

# What the steps left, in the form that is compared.
for f in "$work/folder"/*; do
  b=$(basename "$f")
  case $b in
    001|002) ;;
    *.qora|*.png|*.html) cp "$f" "$work/now/" ;;
    *.xlsx)
      for sheet in $(unzip -Z1 "$f" 'xl/worksheets/sheet*.xml'); do
        unzip -p "$f" "$sheet" | sed 's/></>\n</g' >"$work/now/${b%.xlsx}.$(basename "$sheet")"
      done ;;
  esac
done

if [ "${GOLDEN_ACCEPT:-}" = 1 ]; then
  [ "$failures" = 0 ] || { echo "not accepted: a step failed"; exit 1; }
  rm -rf "$case/expected"
  cp -r "$work/now" "$case/expected"
  echo "accepted [$name]: $(ls "$case/expected" | wc -l) files"
  exit 0
fi

exp=$case/expected
[ -d "$exp" ] || { fail "no expected files: run scripts/accept-goldens"; exit 1; }
for f in $( (ls "$exp"; ls "$work/now") | sort -u); do
  e=$exp/$f a=$work/now/$f
  [ -f "$e" ] || { fail "$f is new (not among the expected files)"; continue; }
  [ -f "$a" ] || { fail "$f was not made"; continue; }
  cmp -s "$e" "$a" && continue
  case $f in
    *.png)
      # The same pixels in another encoding are the same picture.
      px=$(compare -metric AE "$e" "$a" null: 2>&1) && [ "$px" = 0 ] && continue
      convert "$e" "$a" +append "$work/$f.expected-now.png" 2>/dev/null
      fail "$f: $px pixels differ; side by side (expected | now): $work/$f.expected-now.png" ;;
    *.qora)
      fail "$f: $(stat -c %s "$e") bytes expected, $(stat -c %s "$a") now"
      for how in scores results; do
        "$records" "$how" "$e" >"$work/$f.expected.txt" 2>/dev/null &&
          "$records" "$how" "$a" >"$work/$f.now.txt" 2>/dev/null &&
          { diff -u "$work/$f.expected.txt" "$work/$f.now.txt" | head -n 40; break; }
      done
      cmp -l "$e" "$a" 2>/dev/null | head -n 10 ;;
    *)
      fail "$f differs:"
      diff -u "$e" "$a" | head -n 60 ;;
  esac
done

[ "$failures" = 0 ] && { echo "golden [$name]: $(ls "$exp" | wc -l) files as expected"; exit 0; }
echo "golden [$name]: $failures difference(s); what the steps left is in $work/now"
echo "(if the change is meant: scripts/accept-goldens $name)"
exit 1
