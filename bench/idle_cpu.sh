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

ticks() {  # utime + stime of a process, in clock ticks
  awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}

cd "$play" || exit 1
xdotool mousemove 0 0
QORA_TRACE=1 "$qora" f s 2>"$tmp/err" &
pid=$!
register_pid "$pid"
sleep 4  # the menu is drawn and its title has slid in
q0=$(ticks "$pid"); x0=$(ticks "$xvfb_pid"); t0=$(date +%s.%N)
sleep "$secs"
q1=$(ticks "$pid"); x1=$(ticks "$xvfb_pid"); t1=$(date +%s.%N)
hz=$(getconf CLK_TCK)
awk -v q=$((q1 - q0)) -v x=$((x1 - x0)) -v hz="$hz" -v t0="$t0" -v t1="$t1" -v size="$size" 'BEGIN {
  wall = t1 - t0
  printf "%s idle menu over %.1f s: qora %.2f%%, X server %.2f%%, together %.2f%% of one core\n",
    size, wall, 100 * q / hz / wall, 100 * x / hz / wall, 100 * (q + x) / hz / wall
}'
grep -o 'first frame of the sliding title at [0-9]* ms' "$tmp/err" | sed "s/^/$size start: /"
kill "$pid"
