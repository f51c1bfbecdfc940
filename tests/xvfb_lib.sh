# Shared by the tests that need a real X server: starts a private Xvfb on a
# free display (-displayfd), exports DISPLAY, sets a US keyboard layout, and
# ends it and every registered process when the script exits.
#   . xvfb_lib.sh; xvfb_start WIDTH HEIGHT
# Leaves $tmp (a scratch folder, removed at exit).

# xdotool types non-ASCII text (the Cyrillic test keys) only in a UTF-8
# locale; a fresh system may have none set. glibc always has C.UTF-8.
export LC_ALL=C.UTF-8

tmp=$(mktemp -d)
xvfb_pid=
registered_pids=()
register_pid() { registered_pids+=("$1"); }
xvfb_cleanup() {
  local p
  for p in "${registered_pids[@]}"; do kill "$p" 2>/dev/null; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap xvfb_cleanup EXIT

xvfb_start() {
  local w=$1 h=$2 tool
  for tool in Xvfb xdotool xwininfo xprop setxkbmap import convert; do
    if ! command -v "$tool" >/dev/null; then
      echo "FAIL: $tool is missing (scripts/deps.sh test installs xvfb, xdotool, x11-utils, x11-xkb-utils, imagemagick)"
      return 1
    fi
  done
  # -noreset: atoms set up by one client must outlive it, and the pointer
  # stays where a test put it when the last client leaves.
  Xvfb -displayfd 5 -screen 0 "${w}x${h}x24" -nolisten tcp -noreset \
    5>"$tmp/display" 2>"$tmp/xvfb.log" &
  xvfb_pid=$!
  retry 100 eval '[ -s "$tmp/display" ] || ! kill -0 "$xvfb_pid" 2>/dev/null'
  if [ ! -s "$tmp/display" ]; then
    echo "FAIL: Xvfb did not start"; cat "$tmp/xvfb.log"; return 1
  fi
  export DISPLAY=":$(head -n1 "$tmp/display")"
  unset WAYLAND_DISPLAY QORA_VIDEO QORA_SCRIPT QORA_CLOCK QORA_SCREEN
  echo "Xvfb on $DISPLAY"
  setxkbmap us || { echo "FAIL: setxkbmap us"; return 1; }
}

# Runs a command every 0.1 s until it succeeds, at most N times.
#   retry N COMMAND...
retry() {
  local n=$1 _
  shift
  for _ in $(seq "$n"); do "$@" && return 0; sleep 0.1; done
  return 1
}

failures=0
fail() { echo "FAIL${mode:+ [$mode]}: $*"; failures=$((failures + 1)); }
# Ends the test: status 1 after any failure (showing the file given, if any).
finish() {
  [ "$failures" -eq 0 ] && { echo "$1"; exit 0; }
  echo "$failures check(s) failed"
  [ -n "${2:-}" ] && cat "$2"
  exit 1
}

# The newest visible window whose name matches a pattern (waits up to 15 s).
find_window() { timeout 15 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | tail -n1; }
# "W H X Y" of a window's client area.
geometry() {
  xwininfo -id "$1" | awk '/^ *Width:/ {w = $2} /^ *Height:/ {h = $2}
    /Absolute upper-left X:/ {x = $4} /Absolute upper-left Y:/ {y = $4} END {print w, h, x, y}'
}
client_size() { local w h _; read -r w h _ <<<"$(geometry "$1")"; echo "${w}x${h}"; }
# The box ("WxH+X+Y") of the pixels of one colour (#RRGGBB) in a window,
# below row TOP (default 0); "0x0+..." when there are none.
#   colour_box WID COLOUR [TOP]
colour_box() {
  import -window "$1" "$tmp/shot.png" 2>/dev/null &&
    convert "$tmp/shot.png" -crop "+0+${3:-0}" +repage -fill black +opaque "$2" -format '%@' info: 2>/dev/null
}
# Sends keys to a window, focused first; key_delay ms apart (default 60).
send() {
  xdotool windowfocus --sync "$1" 2>/dev/null
  shift
  xdotool key --delay "${key_delay:-60}" "$@"
}

# Waits up to 10 s for a child process to end and leaves its exit status in
# $status ("running", and the process killed, when it does not end).
await_exit() {
  if ! retry 100 eval '! kill -0 '"$1"' 2>/dev/null'; then
    kill "$1" 2>/dev/null
    status=running
    return
  fi
  wait "$1"
  status=$?
}
