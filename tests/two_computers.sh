#!/usr/bin/env bash
# Two computers on one class folder: one export served over SFTP by a private
# sshd on the loopback and mounted twice with sshfs, caches off, as two pupils'
# computers mount the class share. Then
#   rush: 20 games, half through each mount, save results and scores at once;
#         every record must be stored exactly once;
#   kill: a game on one mount is killed with SIGKILL while it holds the lock,
#         mid-merge; games on the other mount go on once the lease runs out,
#         and nothing is lost or stored twice.
# Usage: two_computers.sh BENCH RECORDS (shared-folder-bench, qora-records).
# Exit 77 (skipped) where sshd, sshfs or FUSE is missing.
set -uo pipefail
bench=$1 records=$2
skip() { echo "skipped: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }
sshd=$(command -v sshd || echo /usr/sbin/sshd)
[ -x "$sshd" ] || skip "no sshd (openssh-server)"
command -v sshfs >/dev/null || skip "no sshfs"
[ -c /dev/fuse ] || skip "no /dev/fuse"
fusermount=$(command -v fusermount3 || command -v fusermount) || skip "no fusermount"
sftp_server=""
for s in /usr/lib/openssh/sftp-server /usr/libexec/sftp-server /usr/lib/ssh/sftp-server; do
  [ -x "$s" ] && sftp_server=$s && break
done
[ -n "$sftp_server" ] || skip "no sftp-server"

work=$(mktemp -d "${TMPDIR:-/tmp}/qora-two-XXXXXX")
sshd_pid=""
cleanup() {
  for m in "$work/pc1" "$work/pc2"; do
    mountpoint -q "$m" 2>/dev/null && { "$fusermount" -u "$m" 2>/dev/null || "$fusermount" -uz "$m"; }
  done
  [ -n "$sshd_pid" ] && kill "$sshd_pid" 2>/dev/null && wait "$sshd_pid" 2>/dev/null
  [ -n "${QORA_KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/export" "$work/pc1" "$work/pc2" "$work/ssh"
chmod 0777 "$work/export"
ssh-keygen -q -t ed25519 -N "" -f "$work/ssh/host_key" || skip "ssh-keygen failed"
ssh-keygen -q -t ed25519 -N "" -f "$work/ssh/user_key" || skip "ssh-keygen failed"
cp "$work/ssh/user_key.pub" "$work/ssh/authorized_keys"
user=$(id -un)
# A free loopback port: asked of the kernel through a throwaway listener.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
[ "$(id -u)" -eq 0 ] && mkdir -p /run/sshd
cat >"$work/ssh/sshd_config" <<EOF
Port $port
ListenAddress 127.0.0.1
HostKey $work/ssh/host_key
PidFile $work/ssh/sshd.pid
AuthorizedKeysFile $work/ssh/authorized_keys
AllowUsers $user
PermitRootLogin prohibit-password
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
StrictModes no
Subsystem sftp $sftp_server
EOF
"$sshd" -D -e -f "$work/ssh/sshd_config" 2>"$work/ssh/sshd.log" &
sshd_pid=$!
mount_pc() {
  local i
  for i in $(seq 1 50); do
    sshfs -p "$port" "$user@127.0.0.1:$work/export" "$1" \
      -o IdentityFile="$work/ssh/user_key",StrictHostKeyChecking=no,UserKnownHostsFile=/dev/null,BatchMode=yes \
      -o dir_cache=no,entry_timeout=0,attr_timeout=0,negative_timeout=0 2>>"$work/ssh/sshfs.log" && return 0
    sleep 0.1
  done
  return 1
}
mount_pc "$work/pc1" && mount_pc "$work/pc2" || {
  cat "$work/ssh/sshd.log" "$work/ssh/sshfs.log" >&2
  skip "could not mount the export with sshfs"
}
grep -q fuse <(stat -f -c %T "$work/pc1") || fail "pc1 is not a FUSE mount"
where=$(cd "$work/pc1" && QORA_HOME="$work/pc1" "$records" where | sed -n 2p)
case $where in *FUSE*"orders only the games of this computer"*) ;; *) fail "where: $where" ;; esac
export QORA_LEASE_MS=${QORA_LEASE_MS:-1500}

# ---- rush ------------------------------------------------------------------
names=() pids=()
mkdir -p "$work/run" "$work/export/class" && chmod 0777 "$work/export/class"
for g in $(seq 0 19); do
  pc=$((g % 2 + 1))
  "$bench" writer "$work/pc$pc/class" "w$g" 10 >"$work/run/w$g.out" 2>"$work/run/w$g.err" &
  pids+=($!) names+=("w$g:10")
done
sleep 0.5  # every writer is waiting for the start
t0=$(date +%s.%N)
touch "$work/export/go"
status=0
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
t1=$(date +%s.%N)
cat "$work"/run/w*.out
[ $status -eq 0 ] || { cat "$work"/run/w*.err >&2; fail "a writer of the rush failed"; }
echo "rush: 20 games x 10 results and 10 scores on two mounts in $(awk "BEGIN{printf \"%.1f\", $t1 - $t0}") s"
# Counted through the other mount than most of the last writers used.
"$bench" count "$work/pc2/class" "${names[@]}" || fail "rush: not every record stored exactly once"

# ---- kill --------------------------------------------------------------------
rm -f "$work/export/go"
rm -rf "$work/export/class" && mkdir "$work/export/class" && chmod 0777 "$work/export/class"
# pc1: 5 saves of each kind, then one more killed before its third rename
# (after Res.bak and the journal, before the table): it dies holding the lease.
"$bench" writer "$work/pc1/class" k 5 rename 3 >"$work/run/k.out" 2>"$work/run/k.err" &
killed=$!
touch "$work/export/go"
wait "$killed"
kstatus=$?
[ $kstatus -eq 137 ] || { cat "$work/run/k.out" "$work/run/k.err" >&2; fail "the holder was not killed ($kstatus)"; }
[ -e "$work/export/class/.qora.lease" ] || fail "kill: the killed game left no lease"
[ -e "$work/export/class/.qora.merge" ] || fail "kill: the killed game left no journal"
t0=$(date +%s.%N)
"$bench" writer "$work/pc2/class" o 5 >"$work/run/o.out" 2>"$work/run/o.err" || {
  cat "$work/run/o.err" >&2
  fail "kill: the game on the other computer failed"
}
t1=$(date +%s.%N)
cat "$work/run/k.out" "$work/run/o.out"
echo "kill: the other computer saved 5 results and 5 scores in $(awk "BEGIN{printf \"%.1f\", $t1 - $t0}") s (lease ${QORA_LEASE_MS} ms)"
grep -q "broke the lease" "$work/run/o.err" || fail "kill: the lease was never broken"
[ -e "$work/export/class/.qora.merge" ] && fail "kill: the journal was not settled"
# The killed game's sixth result waited in its pending file: it counts too.
"$bench" count "$work/pc1/class" k:5+1 o:5 || fail "kill: records lost or stored twice"
echo "two computers: ok"
