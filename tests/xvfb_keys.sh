#!/usr/bin/env bash
# Keyboard and window geometry through a real X server: starts its own Xvfb
# (a free display chosen by the server), runs keyprobe in every windowed mode
# and in full screen, checks the client size and frame of its window, types
# keys with xdotool and compares the codes keyprobe prints.
#   xvfb_keys.sh PATH-TO-KEYPROBE
set -u
probe=${1:?usage: xvfb_keys.sh PATH-TO-KEYPROBE}
screen_w=1280
screen_h=1024

here=$(cd "$(dirname "$0")" && pwd)
. "$here/xvfb_lib.sh"
xvfb_start "$screen_w" "$screen_h" || exit 1
# Make the Motif hints atom exist, so a borderless window records its missing
# frame where xprop can see it (there is no window manager to ask).
xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0

failures=0
fail() { echo "FAIL [$mode]: $*"; failures=$((failures + 1)); }

# The colour of one client pixel of a window as #RRGGBB, waiting up to 3 s
# for it to become the wanted one (the window repaints on its own thread).
pixel_becomes() {
  local wid=$1 x=$2 y=$3 want=$4 got=
  for _ in $(seq 30); do
    got=$(import -window "$wid" -crop "1x1+$x+$y" +repage -depth 8 txt:- 2>/dev/null |
          grep -o '#[0-9A-Fa-f]\{6\}' | head -n1)
    [ "$got" = "$want" ] && return 0
    sleep 0.1
  done
  echo "$got"
  return 1
}

# mode expected-width expected-height framed(yes/no)
check_mode() {
  mode=$1
  local want_w=$2 want_h=$3 framed=$4
  "$probe" "$mode" >"$tmp/out" 2>"$tmp/err" &
  probe_pid=$!
  register_pid "$probe_pid"
  local wid
  wid=$(timeout 15 xdotool search --sync --onlyvisible --name '^keyprobe$' 2>/dev/null | head -n1)
  if [ -z "$wid" ]; then
    fail "no keyprobe window appeared"; cat "$tmp/err"
    kill "$probe_pid" 2>/dev/null; wait "$probe_pid" 2>/dev/null; probe_pid=
    return
  fi
  local info w h x y
  info=$(xwininfo -id "$wid")
  w=$(awk '/^ *Width:/ {print $2}' <<<"$info")
  h=$(awk '/^ *Height:/ {print $2}' <<<"$info")
  x=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
  y=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
  [ "$w" = "$want_w" ] && [ "$h" = "$want_h" ] || fail "client ${w}x${h}, want ${want_w}x${want_h}"
  # Centred on the screen (a framed window leaves room for its frame).
  local cx=$(((screen_w - want_w) / 2)) cy=$(((screen_h - want_h) / 2))
  if [ "$framed" = yes ]; then
    [ $((x - cx)) -ge 0 ] && [ $((x - cx)) -le 16 ] && [ $((y - cy)) -ge 0 ] && [ $((y - cy)) -le 48 ] ||
      fail "window at $x,$y is not centred (client centre would be $cx,$cy)"
  else
    [ "$x" = "$cx" ] && [ "$y" = "$cy" ] || fail "window at $x,$y, want $cx,$cy"
  fi
  local hints
  hints=$(xprop -id "$wid" _MOTIF_WM_HINTS)
  if [ "$framed" = yes ]; then
    grep -q '= 0x2, 0x0, 0x0' <<<"$hints" && fail "framed window asks for no frame: $hints"
  else
    grep -q '= 0x2, 0x0, 0x0' <<<"$hints" || fail "full-screen window has a frame: $hints"
  fi

  # keyprobe's picture: blue field, light red square (palette entries 1 and 12).
  local px
  px=$(pixel_becomes "$wid" 60 60 '#FC5454') || fail "square shows $px, want #FC5454"
  px=$(pixel_becomes "$wid" $((want_w - 5)) $((want_h - 5)) '#0000A8') ||
    fail "bottom-right corner shows $px, want #0000A8"

  xdotool windowfocus --sync "$wid"
  xdotool key --delay 40 Up ctrl+Up alt+Left shift+F11
  xdotool type --delay 40 'ab1'
  xdotool type --delay 40 'ж'
  # The first key turned the square's palette entry green: only a palette
  # change, which must still reach the window.
  px=$(pixel_becomes "$wid" 60 60 '#00FF00') || fail "square shows $px after the palette change"
  px=$(pixel_becomes "$wid" 10 10 '#0000A8') || fail "field shows $px after the palette change"
  xdotool key Escape
  await_exit "$probe_pid"
  [ "$status" = 0 ] || fail "keyprobe exit status $status (at Esc)"
  # Up, Ctrl+Up, Alt+Left, Shift+F11, "ab1", Cyrillic zhe (0xE6), Esc.
  local want="0 72 0 141 0 155 0 135 97 98 49 230 27"
  local got
  got=$(tr '\n' ' ' <"$tmp/out" | sed 's/ $//')
  [ "$got" = "$want" ] || fail "codes '$got', want '$want'"
  echo "[$mode] client ${w}x${h} at $x,$y; codes: $got"
}

check_mode 640x480 640 480 yes
check_mode 800x600 800 600 yes
check_mode 1024x768 1024 768 yes
check_mode full $screen_w $screen_h no

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all window and key checks passed"
