#!/usr/bin/env bash
# Faults on disk, in the private test network. PC B (10.77.0.2, tavlo-cli
# receive --yes) takes files into a folder on a 1 MiB file system of its own
# (a tmpfs in a private mount namespace): a 3 MB file that PC A (10.77.0.1,
# tavlo-cli offer) pushes fails with the system's reason, leaves neither the
# file nor its partial file, and B goes on serving: the next, small file
# arrives whole. Then B downloads from a simulated device (10.77.0.3) into
# a nearly full file system (the same end) and into a read-only folder,
# which is reported before anything is asked of the device.
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${LAN_SH:-}" ]; then
  exec "$HARNESS/with-lan.sh" --devices 2 -- bash "$here/disk_faults.sh"
fi
source "$here/lib.sh"

A=10.77.0.1 B=10.77.0.2 SIMADDR=10.77.0.3
mkdir -p "$TMP/a" "$TMP/b/in" "$TMP/b/full" "$TMP/b/ro" "$TMP/store/normal/Tavlo"
PIDS=()
cleanup() {
  local pid
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
on_a() { "$LAN_SH" x cli "$@"; }
# Runs a command in B's namespace with DIR mounted as a small tmpfs that only
# this command sees: run_on_small_disk DIR SIZE COMMAND...
run_on_small_disk() {
  local dir=$1 size=$2
  shift 2
  "$LAN_SH" x dev1 unshare -m sh -c \
    'mount -n -t tmpfs -o "size=$2" tavlo-small "$1" && shift 2 && exec "$@"' sh "$dir" "$size" "$@"
}

head -c 3000000 /dev/urandom >"$TMP/a/big.bin"
head -c 100000 /dev/urandom >"$TMP/a/small.bin"

# Started without a subshell in between, so that $! is B itself.
"$LAN_SH" x dev1 unshare -m sh -c \
  'mount -n -t tmpfs -o size=1m tavlo-small "$1" && shift && exec "$@"' sh "$TMP/b/in" \
  "$CLI" --data-dir "$TMP/b/data" receive --yes --dir "$TMP/b/in" >"$TMP/b.out" 2>"$TMP/b.err" &
b_pid=$!
PIDS+=($b_pid)
wait_for_line "$TMP/b.out" "^receiving into"
# B's folder as B sees it (its own mount namespace).
b_in=/proc/$b_pid/root$TMP/b/in

rc=0
on_a "$CLI" --data-dir "$TMP/a/data" offer "$TMP/a/big.bin" --device "$B" --wait 10 \
  >"$TMP/a1.out" 2>"$TMP/a1.err" || rc=$?
wait_for_text "$TMP/b.err" "receiving big.bin from" 30
check "B fails the 3 MB file with the system's reason" \
  grep -q "receiving big.bin from .* failed: cannot write the local file at byte [0-9]* (No space left on device)" "$TMP/b.err"
check "A's offer of it is not confirmed" [ "$rc" != 0 ]
check "B's folder is its small file system" grep -q " $TMP/b/in tmpfs " "/proc/$b_pid/mounts"
check "no file under the final name" [ ! -e "$b_in/big.bin" ]
check "no partial file takes the space" [ ! -e "$b_in/big.bin.part" ]
check "B is still running" kill -0 "$b_pid"

rc=0
on_a "$CLI" --data-dir "$TMP/a/data" offer "$TMP/a/small.bin" --device "$B" --wait 30 \
  >"$TMP/a2.out" 2>"$TMP/a2.err" || rc=$?
check "B goes on serving: the next file is confirmed" [ "$rc" = 0 ]
wait_for_text "$TMP/b.out" "received small.bin from" 10
check "and arrived whole" cmp -s "$TMP/a/small.bin" "$b_in/small.bin"

# Downloads from a device: into a nearly full file system, and into a folder
# that cannot be written.
head -c 2000000 /dev/urandom >"$TMP/store/normal/Tavlo/big.bin"
"$LAN_SH" x dev2 "$SIM" --address "$SIMADDR" --sample-files --store "$TMP/store" \
  >"$TMP/sim.log" 2>&1 &
PIDS+=($!)
wait_for_line "$TMP/sim.log" "^listening $SIMADDR " 30

rc=0
run_on_small_disk "$TMP/b/full" 1m sh -c \
  'head -c 900000 /dev/zero >"$1/filler" && "$2" --data-dir "$3" --device "$5" get /Tavlo/big.bin "$1/big.bin";
   status=$?; ls -A "$1" >"$4"; exit $status' \
  sh "$TMP/b/full" "$CLI" "$TMP/b/data" "$TMP/full.ls" "$SIMADDR" >"$TMP/get1.out" 2>"$TMP/get1.err" || rc=$?
check "a download into a full file system fails" [ "$rc" = 1 ]
check "with the system's reason" grep -q "No space left on device" "$TMP/get1.err"
check "and leaves only what was there" [ "$(cat "$TMP/full.ls")" = filler ]

before=$(grep -c "^request file_download" "$TMP/sim.log" || true)
rc=0
"$LAN_SH" x dev1 unshare -m sh -c \
  'mount -n -t tmpfs -o ro,size=64k tavlo-ro "$1" && exec "$2" --data-dir "$3" --device "$4" get /Tavlo/big.bin "$1/big.bin"' \
  sh "$TMP/b/ro" "$CLI" "$TMP/b/data" "$SIMADDR" >"$TMP/get2.out" 2>"$TMP/get2.err" || rc=$?
check "a download into a read-only folder fails" [ "$rc" = 1 ]
# The cli looks at the folder first; the download itself would report
# "cannot write the local file (PATH: reason)" (tst_fileops).
check "naming the folder" grep -q "cannot write into .*/b/ro$" "$TMP/get2.err"
after=$(grep -c "^request file_download" "$TMP/sim.log" || true)
check "before anything was asked of the device" [ "$before" = "$after" ]

[ "$failures" = 0 ] || { echo "--- B's folder"; ls -la "$b_in" || true; for f in b.out b.err a1.err a2.err get1.err get2.err sim.log; do
  echo "--- $f"; cat "$TMP/$f"; done; }
finish
