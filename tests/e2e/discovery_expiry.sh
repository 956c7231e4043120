#!/usr/bin/env bash
# Discovery end to end, over 45 s: a device that loses power leaves the table
# 15-35 s after it went silent, while live devices found by the sweep, by
# multicast DNS (port 16030) and by hand (port 16040) are asked again every
# 15 s and stay. Private LAN: cli 10.77.0.1, dev1..dev4 10.77.0.2..10.77.0.5,
# avahi in cli and dev3.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/discovery_lib.sh"
in_lan --devices 4 --avahi "cli dev3"

spawn dead dev1 dead.log "$SIM" --name Room-Dead
spawn live dev2 live.log "$SIM" --name Room-Live
spawn mdns dev3 mdns.log "$SIM" --name Room-M --no-broadcast --query-port 16030 --announce Room-M
spawn manual dev4 manual.log "$SIM" --name Room-Manual --no-broadcast --query-port 16040
wait_for_line "$TMP/dead.log" '^listening 0.0.0.0 query=16020 ' 20
wait_for_line "$TMP/live.log" '^listening 0.0.0.0 query=16020 ' 20
wait_for_line "$TMP/mdns.log" '^announced Room-M$' 20
wait_for_line "$TMP/manual.log" '^listening 0.0.0.0 query=16040 ' 20
"$LAN_SH" x cli "$CLI" --data-dir "$TMP/data-cli" devices add 10.77.0.5:16040 >/dev/null

# The event stamps count from the start of discovery; start0 is taken just
# before the program starts, so kill times measured from it are at most its
# start-up time late (which only makes "after the kill" look shorter).
start0=$(date +%s.%N)
discover cli expiry.log --events --json --wait 45 &
run=$!
SPAWNED+=($run)
wait_for_line "$TMP/expiry.log" '\] discovered 10\.77\.0\.2 Room-Dead$' 20
disown "$dead" # (no "Killed" note from the shell)
kill -KILL "$dead" # it loses power right after its answer
killed_at=$(awk -v a="$(date +%s.%N)" -v b="$start0" 'BEGIN { printf "%.3f", a - b }')
rc=0
wait "$run" || rc=$?
check "discover exits 0" equals 0 "$rc"

check "all four devices were found, each once" test "$(count "$TMP/expiry.log" '\] discovered ')" = 4 -a \
  "$(count "$TMP/expiry.log" '\] discovered 10\.77\.0\.[2-5] Room-\(Dead\|Live\|M\|Manual\)$')" = 4
check "the dead device disappears once, and it is the only one" \
  equals "10.77.0.2 Room-Dead" "$(sed -n 's/^\[ *[0-9.]*\] disappeared //p' "$TMP/expiry.log" | tr '\n' '|' | sed 's/|$//')"
heard=$(stamps "$TMP/expiry.log" discovered 10.77.0.2 | head -1)
gone=$(stamps "$TMP/expiry.log" disappeared 10.77.0.2 | head -1)
echo "killed at ${killed_at} s, last heard at ${heard} s, disappeared at ${gone:-never} s"
check "it disappears 15-35 s after the kill" \
  between 15 "$(awk -v a="$gone" -v b="$killed_at" 'BEGIN { print a - b }')" 35
check "it was kept while heard within the last 15 s" \
  between 15.001 "$(awk -v a="$gone" -v b="$heard" 'BEGIN { print a - b }')" 35
check "the live devices stay, each on its own port" json_true "$TMP/expiry.log" '
  {a: (e["port"], e["name"]) for a, e in by.items()} == {
      "10.77.0.3": (16020, "Room-Live"), "10.77.0.4": (16030, "Room-M"),
      "10.77.0.5": (16040, "Room-Manual")}'
# Found at the start, then asked again at about 15 s and 30 s (the sweep
# reaches a device twice: 255.255.255.255 and 10.77.0.255).
check "the swept device was asked again, twice" \
  test "$(count "$TMP/live.log" '^query from 10\.77\.0\.1:')" -ge 4
check "the multicast DNS device was asked again on port 16030, twice" \
  test "$(count "$TMP/mdns.log" '^query from 10\.77\.0\.1:')" -ge 3
check "the manual device was asked again on port 16040, twice" \
  test "$(count "$TMP/manual.log" '^query from 10\.77\.0\.1:')" -ge 3
[ "$failures" -eq 0 ] || show "$TMP/expiry.log" "$TMP/expiry.log.err" "$TMP/live.log" \
  "$TMP/mdns.log" "$TMP/manual.log"

finish
