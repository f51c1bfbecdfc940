#!/usr/bin/env bash
# A whole one-player game played in the real window under a real X server,
# recorded (QORA_RECORD), then replayed headless on the virtual clock: the
# replay must leave the same score table, results base and groups file, and
# show the same frames before each key, as the session did. Every step waits
# on what the window shows or on the game's own marks (QORA_TRACE), each
# with a bounded time, never on a fixed sleep.
# The game: menu item 1, one player, the name typed on the Latin layout
# (g h b d t n, which the name field turns into the Cyrillic "privet"),
# 5 seconds per shot, level 1, ten shots with Space; the results and the top
# five dismissed, "finish", Esc in the set-up and Esc in the menu (status 0).
# With SESSION_KEEP=DIR the recording is copied there (a golden replay's
# script is made this way).
#   xvfb_session.sh PATH-TO-QORA PATH-TO-QORA-RECORDS PLAY-FOLDER
set -u
usage="usage: xvfb_session.sh PATH-TO-QORA PATH-TO-QORA-RECORDS PLAY-FOLDER"
qora=${1:?$usage} records=${2:?$usage} play=${3:?$usage}
. "$(dirname "$0")/xvfb_lib.sh"
xvfb_start 1024 768 || exit 1
key_delay=80

mkdir -p "$tmp/play" "$tmp/replay" "$tmp/frames-session" "$tmp/frames-replay"
cp "$play/001" "$play/002" "$tmp/play/"
cp "$play/001" "$play/002" "$tmp/replay/"
cd "$tmp/play" || exit 1

mark_seen() { grep -q "qora: $1 at" "$tmp/err"; }
# Waits up to LIMIT seconds for a mark of the game on its stderr.
#   await_mark MARK LIMIT
mark_or_gone() { mark_seen "$awaited" || ! kill -0 "$qora_pid" 2>/dev/null; }
await_mark() { awaited=$1; retry $(($2 * 10)) mark_or_gone && mark_seen "$1"; }
mark_ms() { sed -n "s/^qora: $1 at \([0-9]*\) ms$/\1/p" "$tmp/err" | head -n1; }
# Waits up to 15 s until pixels of COLOUR (below row $below) show and stay
# where they are for three looks in a row (a screen that has finished sliding or drawing), in a
# box other than NOT; leaves the box in $seen.
#   await_still COLOUR [NOT]
await_still() {
  local last="" same=0 _
  for _ in $(seq 75); do
    seen=$(colour_box "$wid" "$1" "$below")
    if [ -n "$seen" ] && [ "${seen%%x*}" != 0 ] && [ "$seen" != "${2:-}" ] && [ "$seen" = "$last" ]; then
      same=$((same + 1))
      [ "$same" -ge 2 ] && return 0
    else
      same=0
    fi
    last=$seen
    sleep 0.2
  done
  return 1
}
# Waits up to 15 s until no pixel of COLOUR shows below row $below.
#   await_gone COLOUR
gone() { local b; b=$(colour_box "$wid" "$awaited" "$below") && [ "${b%%x*}" = 0 ]; }
await_gone() { awaited=$1; retry 150 gone; }
green='#54FC54'    # the highlighted menu item
passive='#00A800'  # the name field's frame; the times not chosen
purple='#8484FC'   # the question of the players dialog
table='#7C00FC'    # the periodic table of the level dialog
below=0

xdotool mousemove 0 767   # the pointer rests in a corner, away from every item
QORA_RECORD="$tmp/session.txt" QORA_FRAMES="$tmp/frames-session" QORA_TRACE=1 \
  "$qora" f >"$tmp/out" 2>"$tmp/err" &
qora_pid=$!
register_pid "$qora_pid"

wid=$(find_window '^Qora')
[ -n "$wid" ] || { fail "no game window appeared"; finish "" "$tmp/err"; }
await_still "$green" || fail "the menu did not settle"
send "$wid" Return        # item 1: the game
below=300                 # the set-up dialogs, under the help text with its twinkling frame
await_still "$purple" || fail "no players dialog"
send "$wid" Down Return   # one player
await_gone "$purple" || fail "the players dialog stayed"
await_still "$passive" || fail "no name field"
name_box=$seen            # the field's frame
send "$wid" g h b d t n Return
await_still "$passive" "$name_box" || fail "no time dialog"
send "$wid" Right Return  # 5 seconds
await_still "$table" || fail "no level dialog"
send "$wid" Return        # level 1
below=0
await_mark "first targets of a game on screen" 20 || fail "the gallery did not come"
confirmed=$(mark_ms "level confirmed") targets=$(mark_ms "first targets of a game on screen")
[ -n "$confirmed" ] && [ -n "$targets" ] &&
  echo "from the confirmed level to the first targets: $((targets - confirmed)) ms"
# Ten shots: each attempt takes the next Space waiting as its shot.
send "$wid" space space space space space space space space space space
await_mark "results of a series on screen" 90 || fail "no results after ten tasks"
send "$wid" space         # the results panel
await_mark "top five on screen" 10 || fail "no top five"
send "$wid" space
await_mark "continue asked" 10 || fail "no continue question"
send "$wid" Right Return  # finish: the game is stored, the set-up starts again
below=300
await_still "$purple" || fail "no set-up after the game"
send "$wid" Escape        # out of the set-up, back to the menu
await_gone "$purple" || fail "the set-up stayed"
below=0
await_still "$green" || fail "no menu after the game"
send "$wid" Escape        # out of the program
await_exit "$qora_pid"
[ "$status" = 0 ] || fail "exit status $status"

scores=$("$records" scores 1player.qora)
echo "1player.qora: $scores"
today=$(date +%d.%m.%Y)
echo "$scores" | grep -qP "^$today - привет\t\d+\t10\t5\t" ||
  fail "the score table does not list the game under the typed name"
[ -n "${SESSION_KEEP:-}" ] && cp "$tmp/session.txt" "$SESSION_KEEP/"

# The replay, headless on the virtual clock, from the same starting folder.
cd "$tmp/replay" || exit 1
QORA_SCRIPT="$tmp/session.txt" QORA_CLOCK=virtual QORA_VIDEO=headless \
  QORA_FRAMES="$tmp/frames-replay" timeout 120 "$qora" f >"$tmp/replay.out" 2>"$tmp/replay.err"
rc=$?
[ "$rc" = 0 ] || { fail "the replay ended with status $rc"; cat "$tmp/replay.err"; }
for f in 1player.qora Result.qora group.qora; do
  cmp -s "$tmp/play/$f" "$tmp/replay/$f" || fail "the replay's $f differs from the session's"
done
n_session=$(ls "$tmp/frames-session" | wc -l) n_replay=$(ls "$tmp/frames-replay" | wc -l)
echo "frames before the keys: $n_session in the session, $n_replay in the replay"
[ "$n_session" -gt 20 ] && [ "$n_session" = "$n_replay" ] || fail "the frames do not pair up"
for f in "$tmp/frames-session"/*; do
  b=$(basename "$f")
  px=$(compare -metric AE "$f" "$tmp/frames-replay/$b" null: 2>&1)
  [ "$px" = 0 ] || { fail "$b: $px pixels differ"; convert "$f" "$tmp/frames-replay/$b" +append "$PWD/../$b.diff.png"; }
done
finish "recorded session and its replay agree" "$tmp/err"
