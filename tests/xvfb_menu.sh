#!/usr/bin/env bash
# The real program under a real X server: starts its own Xvfb, runs "qora f s"
# in the play folder, moves the menu highlight with keys sent by xdotool,
# cycles the window through 640x480, 800x600, 1024x768 and full screen, shows
# the credits and leaves them with a key, and ends with Esc (status 0).
#   xvfb_menu.sh PATH-TO-QORA PLAY-FOLDER
set -u
qora=${1:?usage: xvfb_menu.sh PATH-TO-QORA PLAY-FOLDER}
play=${2:?usage: xvfb_menu.sh PATH-TO-QORA PLAY-FOLDER}
here=$(cd "$(dirname "$0")" && pwd)
screen_w=1280
screen_h=1024
. "$here/xvfb_lib.sh"
xvfb_start "$screen_w" "$screen_h" || exit 1

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The game's window (a new one after every change of resolution).
find_window() {
  timeout 15 xdotool search --sync --onlyvisible --name '^Qora' 2>/dev/null | tail -n1
}

# The box of the light-green pixels (the highlighted item; the title above
# is left out) as "WxH+X+Y", empty when there are none.
highlight_box() {
  local wid=$1 top=$2
  import -window "$wid" "$tmp/shot.png" 2>/dev/null || return
  convert "$tmp/shot.png" -crop "+0+$top" +repage -fill black +opaque '#54FC54' \
    -format '%@' info: 2>/dev/null
}

# Waits until the highlight box differs from $2 (up to 5 s); prints the new one.
highlight_changes() {
  local wid=$1 old=$2 top=$3 box
  for _ in $(seq 50); do
    box=$(highlight_box "$wid" "$top")
    if [ -n "$box" ] && [ "$box" != "$old" ] && [ "${box%%x*}" != 0 ]; then
      echo "$box"; return 0
    fi
    sleep 0.1
  done
  echo "$box"; return 1
}

client_size() {
  local info
  info=$(xwininfo -id "$1")
  echo "$(awk '/^ *Width:/ {print $2}' <<<"$info")x$(awk '/^ *Height:/ {print $2}' <<<"$info")"
}

send() {  # sends keys to the focused game window
  xdotool windowfocus --sync "$1" 2>/dev/null
  shift
  xdotool key --delay 60 "$@"
}

cd "$play" || exit 1
# The pointer starts in the middle of the screen, over a menu item; move it
# into a corner so that only the keys choose.
xdotool mousemove 0 $((screen_h - 1))
"$qora" f s >"$tmp/out" 2>"$tmp/err" &
qora_pid=$!
register_pid "$qora_pid"

wid=$(find_window)
[ -n "$wid" ] || { fail "no game window appeared"; cat "$tmp/err"; exit 1; }
size=$(client_size "$wid")
[ "$size" = "${screen_w}x${screen_h}" ] || fail "full screen window is $size"
title_top=60
sleep 2.5  # the title slides in from the lower right first

# The menu slides its title in, then highlights item 1: nothing green (the
# other items, and the highlight's own frame a few pixels out) stands above it.
box1=$(highlight_changes "$wid" "" "$title_top") || fail "no highlighted item in the menu"
import -window "$wid" "$tmp/shot.png" 2>/dev/null
passive=$(convert "$tmp/shot.png" -crop "+0+$title_top" +repage -fill black +opaque '#00A800' \
  -format '%@' info: 2>/dev/null)
[ "${passive##*+}" -ge $(( ${box1##*+} - 20 )) ] 2>/dev/null ||
  fail "item 1 is not highlighted at the start (highlight $box1, other items $passive)"
box2=$(highlight_changes "$wid" "$box1" "$title_top" & sleep 0.3; send "$wid" Down; wait) ||
  fail "Down did not move the highlight"
y1=${box1##*+}; y2=${box2##*+}
[ "${y2:-0}" -gt "${y1:-0}" ] || fail "Down moved the highlight up ($box1 -> $box2)"
echo "menu: highlight $box1 -> $box2"

# Item 6 is two more steps down (3 and 4 are hidden); each choice reopens the
# window in the next mode, where the highlight starts again on item 1.
send "$wid" Down Down Return
for want in 640x480 800x600 1024x768 "${screen_w}x${screen_h}"; do
  ok=
  for _ in $(seq 50); do
    wid=$(find_window)
    [ -n "$wid" ] && [ "$(client_size "$wid")" = "$want" ] && { ok=1; break; }
    sleep 0.1
  done
  [ -n "$ok" ] || { fail "window did not become $want (is $(client_size "$wid"))"; break; }
  echo "resolution: $want ($SECONDS s)"
  sleep 2.5
  highlight_changes "$wid" "" 60 >/dev/null || fail "no menu at $want"
  [ "$want" = "${screen_w}x${screen_h}" ] || send "$wid" Down Down Down Return
done

# The credits: item 8, five steps down; they stay until a key.
send "$wid" Down Down Down Down Down Return
shown=
for _ in $(seq 50); do
  import -window "$wid" "$tmp/shot.png" 2>/dev/null
  n=$(convert "$tmp/shot.png" -fill black +opaque '#FCFC54' -format '%@' info: 2>/dev/null)
  [ -n "$n" ] && [ "${n%%x*}" != 0 ] && { shown=1; break; }
  sleep 0.1
done
[ -n "$shown" ] || fail "the credits did not show"
sleep 1
send "$wid" space
highlight_changes "$wid" "" "$title_top" >/dev/null || fail "no menu after the credits"

sleep 2.5  # keys typed while the title slides in are dropped
send "$wid" Escape
await_exit "$qora_pid"
[ "$status" = 0 ] || fail "exit status $status at Esc"

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"; cat "$tmp/err"
  exit 1
fi
echo "menu end-to-end checks passed"
