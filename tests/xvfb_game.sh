#!/usr/bin/env bash
# A whole one-player game in the real window under a real X server: menu
# item 1, one player, the name typed on the Latin layout (g h b d t n, which
# the name field turns into the Cyrillic "privet"), 5 seconds per shot, level
# 1, every answer shot with Space; the results and the top five dismissed,
# "finish" chosen, Esc back to the menu and Esc again (status 0). The score
# table then lists the game under the Cyrillic name. Also prints the time
# from the confirmed level to the first targets on screen.
#   xvfb_game.sh PATH-TO-QORA PATH-TO-QORA-RECORDS PLAY-FOLDER
set -u
usage="usage: xvfb_game.sh PATH-TO-QORA PATH-TO-QORA-RECORDS PLAY-FOLDER"
qora=${1:?$usage} records=${2:?$usage} play=${3:?$usage}
. "$(dirname "$0")/xvfb_lib.sh"
xvfb_start 1024 768 || exit 1
key_delay=80

# A folder of its own: the game stores its tables where it runs.
mkdir "$tmp/play"
cp "$play/001" "$play/002" "$tmp/play/"
cd "$tmp/play" || exit 1

# Waits up to LIMIT seconds for a timing mark of the game on its stderr.
#   await_mark MARK LIMIT
has_mark() { grep -q "qora: $1 at" "$tmp/err" || ! kill -0 "$qora_pid" 2>/dev/null; }
await_mark() { retry $(($2 * 10)) has_mark "$1" && grep -q "qora: $1 at" "$tmp/err"; }
mark_ms() { sed -n "s/^qora: $1 at \([0-9]*\) ms$/\1/p" "$tmp/err" | head -n1; }

# The pointer rests in a corner, away from every item and target.
xdotool mousemove 0 767
QORA_TRACE=1 "$qora" f s >"$tmp/out" 2>"$tmp/err" &
qora_pid=$!
register_pid "$qora_pid"

wid=$(find_window '^Qora')
[ -n "$wid" ] || { fail "no game window appeared"; finish "" "$tmp/err"; }
sleep 2.5                 # the menu's heading slides in
send "$wid" Return        # item 1: the game
sleep 3                   # the credits for half a second, the heading, the help lines
send "$wid" Down Return   # one player
sleep 0.5
send "$wid" g h b d t n Return
sleep 0.5
send "$wid" Right Return  # 5 seconds
sleep 0.5
send "$wid" Return        # level 1
await_mark "first targets of a game on screen" 10 || fail "the gallery did not come"
confirmed=$(mark_ms "level confirmed")
targets=$(mark_ms "first targets of a game on screen")
[ -n "$confirmed" ] && [ -n "$targets" ] &&
  echo "from the confirmed level to the first targets: $((targets - confirmed)) ms"

# Ten shots: each attempt takes the next Space waiting as its shot.
for _ in $(seq 10); do send "$wid" space; sleep 0.3; done
await_mark "results of a series on screen" 90 || fail "no results after ten tasks"
sleep 0.5
send "$wid" space         # the results panel
await_mark "top five on screen" 10 || fail "no top five"
sleep 0.5
send "$wid" space
await_mark "continue asked" 10 || fail "no continue question"
sleep 0.5
send "$wid" Right Return  # finish: the game is stored, the help screen starts again
sleep 3
send "$wid" Escape        # out of the set-up, back to the menu
sleep 2.5
send "$wid" Escape        # out of the program
await_exit "$qora_pid"
[ "$status" = 0 ] || fail "exit status $status"

scores=$("$records" scores 1player.qora)
echo "1player.qora: $scores"
today=$(date +%d.%m.%Y)
# The name, hits, shots (ten), seconds per shot (five).
echo "$scores" | grep -qP "^$today - привет\t\d+\t10\t5\t" ||
  fail "the score table does not list the game under the typed name"
[ "$(echo "$scores" | wc -l)" = 1 ] || fail "the score table holds more than one game"
rows=$("$records" results Result.qora | grep -c "^$today,привет,")
[ "$rows" -ge 1 ] && [ "$rows" -le 10 ] || fail "the results base holds $rows rows for the game"
finish "game end-to-end checks passed" "$tmp/err"
