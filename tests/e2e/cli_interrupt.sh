#!/usr/bin/env bash
# tavlo-cli stopped by a signal in the middle of a transfer: it stops the
# transfer, says what it left where and exits with 128 plus the signal. A
# download never leaves anything under the final name unless it is complete;
# an older file of that name stays as it was.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/cli_lib.sh"

STALLING=127.0.0.71 # stops moving data after 2 MB and holds the connection
W=$TMP/work
make_pattern_file "$W/big.bin" 8000000 51
start_sim stalling "$STALLING" --stall-after 2000000
cp "$W/big.bin" "$TMP/stalling-store/normal/Pictures/big.bin"
LOG=$TMP/stalling.log

# run_until_stalled TAG SIGNAL ARGS...: starts tavlo-cli, waits until the
# simulator holds its connection, then sends SIGNAL.
run_until_stalled() {
  local tag=$1 signal=$2 before pid
  shift 2
  before=$(count_lines "$LOG" "stalled ")
  (cd "$W" && exec "$CLI" --data-dir "$TMP/data" "$@") >"$TMP/out/$tag.out" 2>"$TMP/out/$tag.err" &
  pid=$!
  wait_for_count "$LOG" "stalled " $((before + 1)) 30 || true
  kill -"$signal" "$pid"
  local rc=0
  wait "$pid" || rc=$?
  echo "$rc" >"$TMP/out/$tag.rc"
}

echo "old content" >"$W/copy.bin"
run_until_stalled get-int INT --device "$STALLING" get /Pictures/big.bin copy.bin
judge_failure "download stopped by SIGINT exits 130" get-int 130 "copy.bin.part"
check "the older file of the target's name is untouched" grep -qxF "old content" "$W/copy.bin"
check "what arrived is kept under the temporary name" [ "$(stat -c %s "$W/copy.bin.part")" = 2000000 ]

run_until_stalled get-term TERM --device "$STALLING" get /Pictures/big.bin fresh.bin
judge_failure "download stopped by SIGTERM exits 143" get-term 143 "stopped"
check "no file under the final name" [ ! -e "$W/fresh.bin" ]

run_until_stalled send-int INT --device "$STALLING" send big.bin
judge_failure "upload stopped by SIGINT exits 130" send-int 130 "incomplete copy"
# A device that never confirms: the wait is shown poll by poll, and a
# signal ends it too.
SILENT=127.0.0.72
start_sim silent "$SILENT" --no-poll-answer
echo "small" >"$W/small.txt"
(cd "$W" && exec "$CLI" --data-dir "$TMP/data" --device "$SILENT" send small.txt) \
  >"$TMP/out/poll.out" 2>"$TMP/out/poll.err" &
pid=$!
check "the wait for the confirmation is shown" \
  wait_for_line "$TMP/out/poll.out" "^small.txt: waiting for the device to confirm the file, poll 1 of 10 (up to 16 s each)$" 60
kill -INT "$pid"
rc=0
wait "$pid" || rc=$?
check "and Ctrl+C ends it (exit 130)" [ "$rc" = 130 ]
check "the request was shown before" grep -q "^small.txt: asking the device for a transfer session (up to 15 s)$" "$TMP/out/poll.out"

check "no history for stopped transfers" [ -z "$(history_rows)" ]

finish
