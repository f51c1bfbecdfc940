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
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
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
  # -noreset: atoms set up by one client must outlive it.
  Xvfb -displayfd 5 -screen 0 "${w}x${h}x24" -nolisten tcp -noreset \
    5>"$tmp/display" 2>"$tmp/xvfb.log" &
  xvfb_pid=$!
  local _
  for _ in $(seq 100); do
    [ -s "$tmp/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$tmp/display" ]; then
    echo "FAIL: Xvfb did not start"; cat "$tmp/xvfb.log"; return 1
  fi
  export DISPLAY=":$(head -n1 "$tmp/display")"
  unset WAYLAND_DISPLAY QORA_VIDEO QORA_SCRIPT QORA_CLOCK QORA_SCREEN
  echo "Xvfb on $DISPLAY"
  setxkbmap us || { echo "FAIL: setxkbmap us"; return 1; }
}

# Waits up to 10 s for a child process to end and leaves its exit status in
# $status ("running", and the process killed, when it does not end).
await_exit() {
  local pid=$1 _
  for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    status=running
    return
  fi
  wait "$pid"
  status=$?
}
