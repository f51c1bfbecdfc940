#!/usr/bin/env bash
# Keyboard and window geometry through a real X server: starts its own Xvfb
# (a free display chosen by the server), runs keyprobe in a window and in
# full screen, checks the client size and frame of its window, types keys
# with xdotool and compares the codes keyprobe prints. (The menu test opens
# the other windowed sizes.)
#   xvfb_keys.sh PATH-TO-KEYPROBE
set -u
probe=${1:?usage: xvfb_keys.sh PATH-TO-KEYPROBE}
screen_w=1280
screen_h=1024
. "$(dirname "$0")/xvfb_lib.sh"
xvfb_start "$screen_w" "$screen_h" || exit 1
# Make the Motif hints atom exist, so a borderless window records its missing
# frame where xprop can see it (there is no window manager to ask).
xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0

# Waits up to 3 s for one client pixel of a window to become the colour
# #RRGGBB; prints the colour it shows when it does not.
#   pixel_becomes WID X Y COLOUR
pixel_becomes() {
  local got _
  for _ in $(seq 30); do
    got=$(import -window "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- 2>/dev/null |
          grep -o '#[0-9A-Fa-f]\{6\}' | head -n1)
    [ "$got" = "$4" ] && return 0
    sleep 0.1
  done
  echo "$got"
  return 1
}

#   check_mode MODE WIDTH HEIGHT FRAMED(yes/no)
check_mode() {
  mode=$1
  local want_w=$2 want_h=$3 framed=$4 wid w h x y px
  "$probe" "$mode" >"$tmp/out" 2>"$tmp/err" &
  probe_pid=$!
  register_pid "$probe_pid"
  wid=$(find_window '^keyprobe$')
  if [ -z "$wid" ]; then
    fail "no keyprobe window appeared"; cat "$tmp/err"
    kill "$probe_pid" 2>/dev/null; wait "$probe_pid" 2>/dev/null
    return
  fi
  read -r w h x y <<<"$(geometry "$wid")"
  [ "$w" = "$want_w" ] && [ "$h" = "$want_h" ] || fail "client ${w}x${h}, want ${want_w}x${want_h}"
  # Centred on the screen (a framed window leaves room for its frame), and
  # the frame asked for only when windowed.
  local cx=$(((screen_w - want_w) / 2)) cy=$(((screen_h - want_h) / 2)) bare=no
  grep -q '= 0x2, 0x0, 0x0' <<<"$(xprop -id "$wid" _MOTIF_WM_HINTS)" && bare=yes
  if [ "$framed" = yes ]; then
    [ $((x - cx)) -ge 0 ] && [ $((x - cx)) -le 16 ] && [ $((y - cy)) -ge 0 ] && [ $((y - cy)) -le 48 ] ||
      fail "window at $x,$y is not centred (client centre would be $cx,$cy)"
    [ $bare = no ] || fail "framed window asks for no frame"
  else
    [ "$x,$y" = "$cx,$cy" ] || fail "window at $x,$y, want $cx,$cy"
    [ $bare = yes ] || fail "full-screen window has a frame"
  fi

  # keyprobe's picture: blue field, light red square (palette entries 1 and 12).
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
  local want="0 72 0 141 0 155 0 135 97 98 49 230 27" got
  got=$(tr '\n' ' ' <"$tmp/out" | sed 's/ $//')
  [ "$got" = "$want" ] || fail "codes '$got', want '$want'"
  echo "[$mode] client ${w}x${h} at $x,$y; codes: $got"
}

check_mode 800x600 800 600 yes
check_mode full $screen_w $screen_h no
mode=
finish "all window and key checks passed"
