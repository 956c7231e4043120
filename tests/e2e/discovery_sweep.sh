#!/usr/bin/env bash
# Discovery end to end: the broadcast sweep, a device known only through
# multicast DNS, and the client's own announcement as a device sees it.
# Runs in a private LAN: cli 10.77.0.1, dev1..dev4 10.77.0.2..10.77.0.5,
# avahi in cli and dev4.
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/discovery_lib.sh"
in_lan --devices 4 --avahi "cli dev4"

# --- One sweep, three devices; a device watching multicast DNS ---------------
for i in 1 2 3; do spawn pid dev$i sim$i.log "$SIM" --name "Room-$i"; done
# dev4 first only watches multicast DNS (it plays no device anyone can find).
spawn pid dev4 watch.log "$SIM" --watch-mdns --no-query --query-port 0 --request-port 0
for i in 1 2 3; do wait_for_line "$TMP/sim$i.log" '^listening 0.0.0.0 query=16020 ' 20; done
wait_for_line "$TMP/watch.log" '^listening ' 20

discover cli sweep.log --events --json --wait 5 &
run=$!
SPAWNED+=($run)
own='TavloClient\( #[0-9][0-9]*\)\?$'
check "a device sees the client's own announcement while it discovers" \
  wait_for_line "$TMP/watch.log" "^mdns-added $own" 20
rc=0
wait "$run" || rc=$?
check "discover (sweep) exits 0" equals 0 "$rc"
check "the announcement goes away when the client stops" \
  wait_for_line "$TMP/watch.log" "^mdns-removed $own" 20
ok=1
for i in 2 3 4; do
  [ "$(count "$TMP/sweep.log" "^\[ *[0-9.]*\] discovered 10\.77\.0\.$i Room-$((i - 1))\$")" -eq 1 ] || ok=0
done
check "one 'discovered' event for each of the three devices, and no other" \
  test "$ok:$(count "$TMP/sweep.log" '\] discovered ')" = 1:3
check "exactly one sweep-end, counting three devices" \
  equals "sweep-end 3" "$(sed -n 's/^\[ *[0-9.]*\] \(sweep-end .*\)/\1/p' "$TMP/sweep.log" | tr '\n' '|' | sed 's/|$//')"
check "no device disappears or changes during the sweep" \
  equals 0 "$(count "$TMP/sweep.log" '\] disappeared ')"
last_reply=$(for i in 2 3 4; do stamps "$TMP/sweep.log" discovered "10.77.0.$i"; done | sort -n | tail -1)
sweep_end=$(sed -n 's/^\[ *\([0-9.]*\)\] sweep-end .*/\1/p' "$TMP/sweep.log" | head -1)
check "the sweep ends about 2 s after the last reply" \
  between 1.8 "$(awk -v a="$sweep_end" -v b="$last_reply" 'BEGIN { print a - b }')" 4.0
# Each device hears the sweep twice: on 255.255.255.255 and on 10.77.0.255.
ok=1
for i in 1 2 3; do
  [ "$(count "$TMP/sim$i.log" '^query from 10\.77\.0\.1:')" -eq 2 ] || ok=0
done
check "every device got the query on both broadcast addresses" test $ok = 1
check "the two answers of a device make one entry: a table of three" json_true "$TMP/sweep.log" \
  'len(d) == 3 and sorted(by) == ["10.77.0.2", "10.77.0.3", "10.77.0.4"]'
check "the entries carry what the devices said" json_true "$TMP/sweep.log" '
  all(by["10.77.0.%d" % (i + 1)] == {
        "address": "10.77.0.%d" % (i + 1), "port": 16020, "name": "Room-%d" % i,
        "type": "server", "uuid": "sim-10-77-0-%d" % (i + 1), "version": "v1.0",
        "os": "Android", "supports": ["file_upload"], "ports": {"Glimmer": 5000}}
      for i in (1, 2, 3))'
[ "$failures" -eq 0 ] || show "$TMP/sweep.log" "$TMP/sweep.log.err" "$TMP/watch.log"

# --- A fourth device known only through multicast DNS --------------------------
# It listens on another port and ignores broadcasts: the sweep cannot find it.
spawn mdns_pid dev4 sim4.log "$SIM" --name Room-M --no-broadcast --query-port 16030 \
  --announce Room-M
wait_for_line "$TMP/sim4.log" '^announced Room-M$' 20
wait_for_line "$TMP/watch.log" '^mdns-added Room-M$' 20
rc=0
discover cli mdns.log --json --wait 5 || rc=$?
check "discover (multicast DNS) exits 0" equals 0 "$rc"
check "discover --json lists the three swept devices and the multicast DNS one" \
  json_true "$TMP/mdns.log" '
  len(d) == 4
  and {a: (e["port"], e["name"]) for a, e in by.items()} == {
      "10.77.0.2": (16020, "Room-1"), "10.77.0.3": (16020, "Room-2"),
      "10.77.0.4": (16020, "Room-3"), "10.77.0.5": (16030, "Room-M")}'
check "the multicast DNS device was asked on its announced port" \
  test "$(count "$TMP/sim4.log" '^query from 10\.77\.0\.1:')" -ge 1
[ "$failures" -eq 0 ] || show "$TMP/mdns.log" "$TMP/mdns.log.err" "$TMP/sim4.log"

finish
