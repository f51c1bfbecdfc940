#!/usr/bin/env bash
# Full screen on tall displays under a real X server: at 2560x1440 and
# 3840x2160 the game draws at 1280x720 and shows every pixel as a 2x2 or 3x3
# block. The menu on the root window must equal, pixel for pixel, the menu a
# 1280x720 headless screen draws, enlarged; pointing at the sound item in
# screen pixels and clicking must choose it (the frame then equals the
# headless one after Down, Down, Enter).
#   xvfb_scaled.sh PATH-TO-QORA PLAY-FOLDER
set -u
usage="usage: xvfb_scaled.sh PATH-TO-QORA PLAY-FOLDER"
qora=${1:?$usage} play=${2:?$usage}

# The references first, headless on the virtual clock at 1280x720.
ref=$(mktemp -d)
trap 'rm -rf "$ref"' EXIT
cp "$play/001" "$play/002" "$ref/"
printf '%s\n' 'wait 3000' 'shot menu.png' 'special 80' 'wait 300' 'special 80' 'wait 300' \
  'key 13' 'wait 500' 'shot sound.png' 'key 27' >"$ref/script"
(cd "$ref" && QORA_SCRIPT=script QORA_VIDEO=headless QORA_CLOCK=virtual QORA_SCREEN=1280x720 \
  "$qora" f s >/dev/null 2>&1)
if [ ! -s "$ref/menu.png" ] || [ ! -s "$ref/sound.png" ]; then
  echo "FAIL: no headless reference pictures"; exit 1
fi
# Where the sound item is: the lowest rows that change when it is chosen
# (item 1 loses its highlight above it).
box=$(convert "$ref/menu.png" "$ref/sound.png" -compose difference -composite -threshold 0 \
  -format '%@' info:)
read -r bw bh bx by <<<"$(echo "$box" | sed 's/[x+]/ /g')"
item_x=$((bx + bw / 2)) item_y=$((by + bh - 3))
if [ "$by" -le 0 ] || [ "$bh" -le 3 ]; then echo "FAIL: no sound item found ($box)"; exit 1; fi

run_size() {
  local w=$1 h=$2 s=$(($2 / 720)) status
  (
    . "$(dirname "$0")/xvfb_lib.sh"
    mode="${w}x${h}"
    xvfb_start "$w" "$h" || exit 1
    mkdir "$tmp/play"
    cp "$play/001" "$play/002" "$tmp/play/"
    cd "$tmp/play" || exit 1
    # Enlarged references, each page pixel an s x s block.
    convert "$ref/menu.png" -scale "$((s * 100))%" "$tmp/want-menu.png"
    convert "$ref/sound.png" -scale "$((s * 100))%" "$tmp/want-sound.png"
    # The pointer rests in a corner, away from every item.
    xdotool mousemove 0 $((h - 1))
    "$qora" f s >"$tmp/out" 2>"$tmp/err" &
    qora_pid=$!
    register_pid "$qora_pid"
    wid=$(find_window '^Qora')
    [ -n "$wid" ] || { fail "no game window appeared"; finish "" "$tmp/err"; }
    [ "$(client_size "$wid")" = "${w}x${h}" ] || fail "window $(client_size "$wid"), not ${w}x${h}"
    same() {  # waits up to 6 s for the root window to show the picture
      local _ n
      for _ in $(seq 20); do
        import -window root "$tmp/root.png" 2>/dev/null
        n=$(compare -metric AE "$tmp/root.png" "$1" null: 2>&1)
        [ "$n" = 0 ] && return 0
        sleep 0.3
      done
      echo "$n pixels differ"
      return 1
    }
    sleep 2.5  # the heading slides in
    same "$tmp/want-menu.png" || fail "the menu is not the 1280x720 menu enlarged x$s"
    xdotool mousemove $((item_x * s + s / 2)) $((item_y * s + s / 2))
    sleep 0.3
    xdotool click 1
    same "$tmp/want-sound.png" || fail "a click on the sound item did not choose it"
    send "$wid" Escape
    await_exit "$qora_pid"
    [ "$status" = 0 ] || fail "exit status $status"
    finish "full screen ${w}x${h}: the 1280x720 frame x$s, the pointer mapped back"
  )
}
rc=0
run_size 2560 1440 || rc=1
run_size 3840 2160 || rc=1
exit $rc
