#!/bin/sh
# The game started in a folder without its data files stops at once, naming
# the missing file (and where the build's own files are) and writing nothing;
# with its data but no display for a window it says why. Both end with status 1.
# Usage: startup_missing_data.sh QORA_BINARY SOURCE_DIR
set -u
qora=$1 src=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 2
check() {  # the expected messages
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QORA_VIDEO timeout 20 "$qora" f s 2>&1 </dev/null)
  status=$?
  [ "$status" -eq 1 ] || { echo "exit status $status, expected 1 ($1): $out"; exit 1; }
  for want; do
    case $out in *"$want"*) ;; *) echo "expected '$want', got: $out"; exit 1 ;; esac
  done
  [ -e 002 ] || [ ! -e group.qora ] || { echo "group.qora written without the data"; exit 1; }
}
check "File Not found 001" "the game's files are in $(dirname "$qora")/play: start it there"
cp "$src/data/001" .
check "File Not found 002"
cp "$src/data/002" .
check "cannot open the graphics window"
echo ok
