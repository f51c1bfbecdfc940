#!/bin/sh
# The game started in a folder without its data files must stop at once with
# the name of the missing file on stderr and a failure status; so must a game
# that cannot open its window.
# Usage: startup_missing_data.sh QORA_BINARY SOURCE_DIR
set -u
qora=$1
src=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 2

check() {  # expected message, then the run
  want=$1
  out=$("$qora" f s 2>&1 </dev/null)
  status=$?
  if [ "$status" -ne 1 ]; then echo "exit status $status, expected 1 ($want)"; exit 1; fi
  case $out in
    *"$want"*) ;;
    *) echo "expected '$want', got: $out"; exit 1 ;;
  esac
  if [ -e group.qora ]; then echo "group.qora written although the start failed"; exit 1; fi
}

check "File Not found 001"
# ...and says where the build's own files are and how to start it there.
check "the game's files are in $(dirname "$qora")/play: start it there"
cp "$src/data/001" .
check "File Not found 002"

# With its data but no display to open a window on, the program must not run
# on blind: it says why and fails.
cp "$src/data/002" .
out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QORA_VIDEO timeout 20 "$qora" f s 2>&1 </dev/null)
status=$?
if [ "$status" -ne 1 ]; then echo "no display: exit status $status, expected 1"; exit 1; fi
case $out in
  *"cannot open the graphics window"*) ;;
  *) echo "no display: expected the reason, got: $out"; exit 1 ;;
esac
echo ok
