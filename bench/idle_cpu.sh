#!/usr/bin/env bash
# CPU time of the game and of the X server while the main menu sits idle, as
# a share of one core, and the time from start to the first frame of the
# sliding title. Starts its own Xvfb of the given size and plays full screen.
#   bench/idle_cpu.sh PATH-TO-QORA PLAY-FOLDER [WIDTHxHEIGHT] [SECONDS]
set -u
qora=$(realpath "${1:?usage: idle_cpu.sh PATH-TO-QORA PLAY-FOLDER [WxH] [SECONDS]}")
play=${2:?usage}
size=${3:-1024x768}
secs=${4:-10}
here=$(cd "$(dirname "$0")/../tests" && pwd)
. "$here/xvfb_lib.sh"
xvfb_start "${size%x*}" "${size#*x}" >/dev/null || exit 1

. "$(dirname "$0")/cpu_share.sh"

cd "$play" || exit 1
xdotool mousemove 0 0
QORA_TRACE=1 "$qora" f s 2>"$tmp/err" &
pid=$!
register_pid "$pid"
sleep 4  # the menu is drawn and its title has slid in
cpu_share "$pid" "$xvfb_pid" "$secs" "$size idle menu"
grep -o 'first frame of the sliding title at [0-9]* ms' "$tmp/err" | sed "s/^/$size start: /"
kill "$pid"
