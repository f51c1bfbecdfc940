# Sourced by the CPU benchmarks: the processor time of the game and of the X
# server over a stretch of real time, as a share of one core.
#   cpu_share GAME-PID XSERVER-PID SECONDS WHAT   (prints one line)

ticks() {  # utime + stime of a process, in clock ticks
  awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"
}

cpu_share() {
  local pid=$1 xpid=$2 secs=$3 what=$4 q0 x0 t0 q1 x1 t1
  q0=$(ticks "$pid"); x0=$(ticks "$xpid"); t0=$(date +%s.%N)
  sleep "$secs"
  q1=$(ticks "$pid"); x1=$(ticks "$xpid"); t1=$(date +%s.%N)
  awk -v q=$((q1 - q0)) -v x=$((x1 - x0)) -v hz="$(getconf CLK_TCK)" -v t0="$t0" -v t1="$t1" \
    -v what="$what" 'BEGIN {
    wall = t1 - t0
    printf "%s over %.1f s: qora %.2f%%, X server %.2f%%, together %.2f%% of one core\n",
      what, wall, 100 * q / hz / wall, 100 * x / hz / wall, 100 * (q + x) / hz / wall
  }'
}
