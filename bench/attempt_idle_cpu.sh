#!/usr/bin/env bash
# CPU time of the game and of the X server during a shooting attempt left
# alone (the crosshair pulsing, the lamps lighting), as a share of one core.
# Starts its own Xvfb of the given size, plays full screen, starts a
# one-player game with the 15-second limit through the keyboard, and
# measures while nobody shoots. Saves a picture of the attempt as it ends.
#   bench/attempt_idle_cpu.sh PATH-TO-QORA PLAY-FOLDER [WIDTHxHEIGHT] [SECONDS]
set -u
qora=$(realpath "${1:?usage: attempt_idle_cpu.sh PATH-TO-QORA PLAY-FOLDER [WxH] [SECONDS]}")
play=$(realpath "${2:?usage}")
size=${3:-1920x1080}
secs=${4:-10}
here=$(cd "$(dirname "$0")/../tests" && pwd)
. "$here/xvfb_lib.sh"
xvfb_start "${size%x*}" "${size#*x}" >/dev/null || exit 1

. "$(dirname "$0")/cpu_share.sh"

# A scratch game folder, so the measurement leaves no score behind.
cp "$play/001" "$play/002" "$tmp/"
cd "$tmp" || exit 1
xdotool mousemove 0 0
"$qora" f s 2>"$tmp/err" &
pid=$!
register_pid "$pid"
wid=$(timeout 15 xdotool search --sync --onlyvisible --name '^' 2>/dev/null | tail -n1)
keys() { xdotool windowfocus --sync "$wid" 2>/dev/null; xdotool key --delay 80 "$@"; }
sleep 3
keys Return                 # menu item 1: play
sleep 3
keys Down Return            # one player
sleep 1
xdotool type --delay 80 ivan
keys Return
sleep 1
keys Left Return            # 15 seconds
sleep 1
keys Return                 # level 1
sleep 2                     # the attempt's own pauses before the targets stand
cpu_share "$pid" "$xvfb_pid" "$secs" "$size attempt left alone"
import -window root "${ATTEMPT_SHOT:-$tmp/attempt.png}" 2>/dev/null
kill "$pid"
