#!/usr/bin/env bash
# Windows under a real X server (its own Xvfb on a free display chosen by the
# server). keyprobe in a window and in full screen: the client size and frame
# of its window, and the codes it prints for keys typed with xdotool. Then the
# real program, "qora f s" in the play folder: the menu highlight moved with
# keys, the window cycled through 640x480, 800x600, 1024x768 and full screen,
# the credits shown and left with a key, and Esc (status 0).
#   xvfb_window.sh PATH-TO-KEYPROBE PATH-TO-QORA PLAY-FOLDER
set -u
usage="usage: xvfb_window.sh PATH-TO-KEYPROBE PATH-TO-QORA PLAY-FOLDER"
probe=${1:?$usage} qora=${2:?$usage} play=${3:?$usage}
screen_w=1280
screen_h=1024
top=60  # the menu items lie below this row, the title above
. "$(dirname "$0")/xvfb_lib.sh"
xvfb_start "$screen_w" "$screen_h" || exit 1
# Make the Motif hints atom exist, so a borderless window records its missing
# frame where xprop can see it (there is no window manager to ask).
xprop -root -f _MOTIF_WM_HINTS 32c -set _MOTIF_WM_HINTS 0

# The colour (#RRGGBB) of one client pixel of a window; pixel_becomes waits
# up to 3 s for it to become COLOUR, and prints the colour it shows if not.
#   pixel WID X Y; pixel_becomes WID X Y COLOUR
pixel() { import -window "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-Fa-f]\{6\}' | head -n1; }
pixel_becomes() {
  local _
  for _ in $(seq 30); do [ "$(pixel "$@")" = "$4" ] && return 0; sleep 0.1; done
  pixel "$@"
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

# Waits until the box of the highlighted (light green) item differs from $2
# (up to 5 s); prints the new one.
highlight_changes() {
  local box _
  for _ in $(seq 50); do
    box=$(colour_box "$1" '#54FC54' $top)
    [ -n "$box" ] && [ "$box" != "$2" ] && [ "${box%%x*}" != 0 ] && { echo "$box"; return 0; }
    sleep 0.1
  done
  echo "$box"
  return 1
}
window_becomes() { wid=$(find_window '^Qora') && [ -n "$wid" ] && [ "$(client_size "$wid")" = "$1" ]; }
credits_shown() { local b; b=$(colour_box "$wid" '#FCFC54') && [ -n "$b" ] && [ "${b%%x*}" != 0 ]; }

cd "$play" || exit 1
# The pointer starts in the middle of the screen, over a menu item; move it
# into a corner so that only the keys choose.
xdotool mousemove 0 $((screen_h - 1))
"$qora" f s >"$tmp/out" 2>"$tmp/err" &
qora_pid=$!
register_pid "$qora_pid"

wid=$(find_window '^Qora')
[ -n "$wid" ] || { fail "no game window appeared"; finish "" "$tmp/err"; }
size=$(client_size "$wid")
[ "$size" = "${screen_w}x${screen_h}" ] || fail "full screen window is $size"
sleep 2.5  # the title slides in from the lower right first

# The menu slides its title in, then highlights item 1: nothing green (the
# other items, and the highlight's own frame a few pixels out) stands above it.
box1=$(highlight_changes "$wid" "") || fail "no highlighted item in the menu"
passive=$(colour_box "$wid" '#00A800' $top)
[ "${passive##*+}" -ge $(( ${box1##*+} - 20 )) ] 2>/dev/null ||
  fail "item 1 is not highlighted at the start (highlight $box1, other items $passive)"
box2=$(highlight_changes "$wid" "$box1" & sleep 0.3; send "$wid" Down; wait) ||
  fail "Down did not move the highlight"
[ "${box2##*+}" -gt "${box1##*+}" ] 2>/dev/null || fail "Down moved the highlight up ($box1 -> $box2)"
echo "menu: highlight $box1 -> $box2"

# Item 6 is two more steps down (3 and 4 are hidden); each choice reopens the
# window in the next mode, where the highlight starts again on item 1.
send "$wid" Down Down Return
for want in 640x480 800x600 1024x768 "${screen_w}x${screen_h}"; do
  retry 50 window_becomes "$want" || { fail "window did not become $want (is $(client_size "$wid"))"; break; }
  echo "resolution: $want ($SECONDS s)"
  sleep 2.5
  highlight_changes "$wid" "" >/dev/null || fail "no menu at $want"
  [ "$want" = "${screen_w}x${screen_h}" ] || send "$wid" Down Down Down Return
done

# The credits: item 8, five steps down; they stay until a key.
send "$wid" Down Down Down Down Down Return
retry 50 credits_shown || fail "the credits did not show"
sleep 1
send "$wid" space
highlight_changes "$wid" "" >/dev/null || fail "no menu after the credits"

sleep 2.5  # keys typed while the title slides in are dropped
send "$wid" Escape
await_exit "$qora_pid"
[ "$status" = 0 ] || fail "exit status $status at Esc"
finish "window, key and menu checks passed" "$tmp/err"
