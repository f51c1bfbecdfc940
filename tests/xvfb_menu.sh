#!/usr/bin/env bash
# The real program under a real X server: starts its own Xvfb, runs "qora f s"
# in the play folder, moves the menu highlight with keys sent by xdotool,
# cycles the window through 640x480, 800x600, 1024x768 and full screen, shows
# the credits and leaves them with a key, and ends with Esc (status 0).
#   xvfb_menu.sh PATH-TO-QORA PLAY-FOLDER
set -u
qora=${1:?usage: xvfb_menu.sh PATH-TO-QORA PLAY-FOLDER}
play=${2:?usage: xvfb_menu.sh PATH-TO-QORA PLAY-FOLDER}
screen_w=1280
screen_h=1024
top=60  # the menu items lie below this row, the title above
. "$(dirname "$0")/xvfb_lib.sh"
xvfb_start "$screen_w" "$screen_h" || exit 1

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
finish "menu end-to-end checks passed" "$tmp/err"
