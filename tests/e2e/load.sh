#!/usr/bin/env bash
# Load, in the private test network only. PC B (10.77.0.2, tavlo-cli receive
# --yes: the discovery responder and the operate listener) gets 10,000 mixed
# datagrams (valid, invalid, larger than any request) on each of its two
# ports from one sender (10.77.0.1) as fast as that sender can go; the
# remote-input server (fingo-host on 10.77.0.3, injecting into a private
# Xvfb) gets 1,000 mixed frames a second for 10 s. Neither crashes, one
# second after its flood each holds no more memory than it did before plus
# MEMORY_SLACK_KIB, and each answers the next valid request correctly.
#
# Under a sanitizer (TAVLO_SANITIZER set by scripts/test) the memory check is
# left out: AddressSanitizer keeps freed memory in quarantine on purpose.
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${LAN_SH:-}" ]; then
  exec "$HARNESS/with-lan.sh" --devices 2 --xvfb dev2 -- bash "$here/load.sh"
fi
source "$here/lib.sh"

A=10.77.0.1 B=10.77.0.2 C=10.77.0.3 FINGO_PORT=6000
# What a flood may leave behind: the listeners hold at most 256 waiting
# requests of at most 16 KiB each, the rest is the allocator's own slack.
MEMORY_SLACK_KIB=16384
FLOOD="python3 $here/flood.py"
PIDS=()
cleanup() {
  local pid
  exec 3>&- 2>/dev/null || true
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
on_a() { "$LAN_SH" x cli "$@"; }
# wait_for_at_least FILE TEXT N: waits (up to 20 s) until N lines of FILE hold TEXT.
wait_for_at_least() {
  for _ in $(seq 400); do
    [ "$(grep -cF -- "$2" "$1" || true)" -ge "$3" ] && return 0
    sleep 0.05
  done
  return 1
}
rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
memory_back() { # memory_back NAME PID BEFORE_KIB
  local now
  now=$(rss_kib "$2")
  echo "$1: $3 KiB before the flood, $now KiB one second after"
  if [ -n "${TAVLO_SANITIZER:-}" ]; then
    echo "memory check left out under the $TAVLO_SANITIZER sanitizer"
    return 0
  fi
  check "$1's memory is back near its start" [ "$now" -le $(($3 + MEMORY_SLACK_KIB)) ]
}

# ------------------------------------------------------------ datagrams at B
mkdir -p "$TMP/b/in"
"$LAN_SH" x dev1 "$CLI" --data-dir "$TMP/b/data" receive --yes --dir "$TMP/b/in" \
  </dev/null >"$TMP/b.out" 2>"$TMP/b.err" &
b_pid=$!
PIDS+=($b_pid)
wait_for_line "$TMP/b.out" "^receiving into"
check "B answers before the flood" on_a $FLOOD answers "$B"
before=$(rss_kib "$b_pid")

on_a $FLOOD udp "$B" 10000 >"$TMP/udp.out" 2>&1 &
flood_pid=$!
wait_for_line "$TMP/udp.out" "^sent [0-9]* datagrams" 120
cat "$TMP/udp.out"
sleep 1 # the one second the memory has to come back
memory_back "B" "$b_pid" "$before"
wait "$flood_pid"
check "B is running" kill -0 "$b_pid"
check "B answers discovery and a query right after the flood" on_a $FLOOD answers "$B"
# Every offer that got through was taken and refused by the flooding peer:
# no reserved name stays behind.
for _ in $(seq 200); do [ -z "$(ls -A "$TMP/b/in")" ] && break; sleep 0.05; done
check "no file is left in B's folder" [ -z "$(ls -A "$TMP/b/in")" ]
echo "B took $(grep -c "failed: refused by the device: flood test" "$TMP/b.err" || true) offers"

# ------------------------------------------------------- frames at fingo-host
mkfifo "$TMP/host.in"
env $("$LAN_SH" env dev2) FINGO_BACKEND=mouse \
  "$LAN_SH" x dev2 "$BIN/fingo-host" "$C" "$FINGO_PORT" <"$TMP/host.in" >"$TMP/host.out" 2>&1 &
host_pid=$!
PIDS+=($host_pid)
exec 3>"$TMP/host.in"
wait_for_line "$TMP/host.out" "^onState 1 $FINGO_PORT"

# probe: one valid touch on a new connection, then the host sends a cursor
# position and the probe must receive it.
probe() {
  local connected moves
  connected=$(grep -cF "onClientConnected" "$TMP/host.out" || true)
  moves=$(grep -cF "simulate mouse action: move" "$TMP/host.out" || true)
  on_a $FLOOD probe "$C" "$FINGO_PORT" >"$TMP/probe.out" 2>&1 &
  local probe_pid=$!
  wait_for_at_least "$TMP/host.out" "onClientConnected" $((connected + 1)) &&
    wait_for_at_least "$TMP/host.out" "simulate mouse action: move" $((moves + 1)) || return 1
  echo "pos 7 8" >&3
  wait "$probe_pid" && grep -qx "cursor cursor_pos 7 8" "$TMP/probe.out"
}
check "the server injects a touch and sends the cursor before the flood" probe
before=$(rss_kib "$host_pid")
on_a $FLOOD frames "$C" "$FINGO_PORT" 1000 10
sleep 1 # the one second the memory has to come back
memory_back "fingo-host" "$host_pid" "$before"
check "fingo-host is running" kill -0 "$host_pid"
check "the server injects a touch and sends the cursor right after the flood" probe
echo "touches injected: $(grep -c "simulate mouse action" "$TMP/host.out" || true)"

[ "$failures" = 0 ] || { for f in b.err udp.out probe.out; do echo "--- $f"; cat "$TMP/$f"; done
  echo "--- host.out (end)"; tail -20 "$TMP/host.out"; }
finish
