#!/usr/bin/env bash
# Discovery end to end: manual devices, other PCs, the PC's own responder,
# and rubbish on the discovery port. Runs in a private LAN without multicast
# DNS: cli 10.77.0.1 (this PC), dev1 10.77.0.2 (devices), dev2 10.77.0.3
# (another PC), dev3 10.77.0.4 (a broken device, and the sender of rubbish).
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/discovery_lib.sh"
in_lan --devices 3

# A "device" that answers every datagram on 16020 with rubbish only.
JUNK_DEVICE='
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("0.0.0.0", 16020))
junk = [b"", b"not json", b"[" * 65000, b"{\"name\":\"" + b"a" * 64000,
        b"\xff\xfe\x00{" * 16000, b"{\"name\": \"Junk\", \"uuid\": \"junk\", "]
print("listening", flush=True)
while True:
    data, peer = s.recvfrom(65535)
    for j in junk:
        s.sendto(j, peer)
    print("answered %s:%d" % peer, flush=True)
'

# Uppercase hardware address of eth0 in namespace $1: the uuid a PC there uses.
mac_of() { ip -n "$LAN_PREFIX$1" link show eth0 | awk '/link\/ether/ { print toupper($2) }'; }
CLI_UUID=$(mac_of cli)
PC2_UUID=$(mac_of dev2)

spawn responder cli respond.log "$CLI" --data-dir "$TMP/data-responder" respond --verbose
spawn pc2 dev2 pc2.log "$CLI" --data-dir "$TMP/data-pc2" respond
spawn manual dev1 manual.log "$SIM" --name Room-Manual --no-broadcast --query-port 16040 \
  --request-port 16041
spawn junk dev3 junk.log /usr/bin/python3 -c "$JUNK_DEVICE"
wait_for_line "$TMP/respond.log" '^responding on UDP 16020$' 20
wait_for_line "$TMP/pc2.log" '^responding on UDP 16020$' 20
wait_for_line "$TMP/manual.log" '^listening 0.0.0.0 query=16040 ' 20
wait_for_line "$TMP/junk.log" '^listening$' 20

# --- Another PC; this PC's own responder; a device answering rubbish ----------
rc=0
discover cli first.log --events --json --wait 4 || rc=$?
check "discover survives rubbish answers and exits 0" equals 0 "$rc"
check "the broken device got the sweep" test "$(count "$TMP/junk.log" '^answered 10\.77\.0\.1:')" -ge 1
check "another PC answering discovery is listed as a client that takes uploads" \
  json_true "$TMP/first.log" '
  by["10.77.0.3"]["type"] == "client" and "file_upload" in by["10.77.0.3"]["supports"]
  and by["10.77.0.3"]["port"] == 16020 and by["10.77.0.3"]["version"] == "v1.0"
  and by["10.77.0.3"]["uuid"] == "'"$PC2_UUID"'" and by["10.77.0.3"]["name"] != ""'
check "only that PC is listed: not this PC itself, not the device answering rubbish" \
  json_true "$TMP/first.log" 'sorted(by) == ["10.77.0.3"]'
check "the device on port 16040 is not found before it is added" \
  equals 0 "$(count "$TMP/manual.log" '^query from ')"
rc=0
"$LAN_SH" x cli "$CLI" --data-dir "$TMP/data-cli" query 10.77.0.4 >"$TMP/query-junk.log" 2>&1 || rc=$?
check "a device answering rubbish is no device: query fails cleanly (exit 1)" equals 1 "$rc"
[ "$failures" -eq 0 ] || show "$TMP/first.log" "$TMP/first.log.err" "$TMP/query-junk.log"

# --- A device added by hand, on another port --------------------------------
check "devices add stores the device" \
  "$LAN_SH" x cli "$CLI" --data-dir "$TMP/data-cli" devices add 10.77.0.2:16040
rc=0
discover cli manual.json --json --wait 4 || rc=$?
check "discover with a manual device exits 0" equals 0 "$rc"
check "the manual device is listed with its port 16040" json_true "$TMP/manual.json" '
  sorted(by) == ["10.77.0.2", "10.77.0.3"]
  and by["10.77.0.2"]["port"] == 16040 and by["10.77.0.2"]["name"] == "Room-Manual"
  and by["10.77.0.2"]["type"] == "server"'
check "the manual device was asked by unicast on 16040" \
  test "$(count "$TMP/manual.log" '^query from 10\.77\.0\.1:')" -ge 1
[ "$failures" -eq 0 ] || show "$TMP/manual.json" "$TMP/manual.json.err" "$TMP/manual.log"

# --- Discovery requests from a device -----------------------------------------
# probe NAME ARGS...: one discovery request from dev1 to this PC, in the background.
probe_pids=()
probe() {
  local name=$1
  shift
  "$LAN_SH" x dev1 "$SIM" --ask-pc 10.77.0.1 --wait 2 "$@" >"$TMP/probe-$name.log" 2>&1 &
  probe_pids+=($!)
}
probe_rc() { # probe_rc NAME INDEX: waits for probe INDEX, writes its exit code
  local rc=0
  wait "${probe_pids[$2]}" || rc=$?
  echo "$rc" >"$TMP/probe-$1.rc"
}
probe good
probe old --probe-version v0.9
probe newer --probe-version v2.0
probe anonymous --probe-uuid ''
probe itself --probe-uuid "$CLI_UUID"
i=0
for name in good old newer anonymous itself; do probe_rc "$name" $i; i=$((i + 1)); done
reply_json() { sed -n 's/^reply [0-9.:]* //p' "$TMP/probe-$1.log" >"$TMP/probe-$1.json"; }
for name in good newer; do reply_json "$name"; done
check "a good request gets exactly one reply, from this PC" \
  test "$(cat "$TMP/probe-good.rc"):$(count "$TMP/probe-good.log" '^reply '):$(count "$TMP/probe-good.log" '^reply 10\.77\.0\.1:')" = 0:1:1
check "the reply has name, os, support, type, uuid and version, with the right values" \
  json_true "$TMP/probe-good.json" '
  sorted(d) == ["name", "os", "support", "type", "uuid", "version"]
  and d["support"] == ["file_upload"] and d["type"] == "client" and d["version"] == "v1.0"
  and d["uuid"] == "'"$CLI_UUID"'" and isinstance(d["name"], str) and d["name"] != ""
  and isinstance(d["os"], str)'
check "a request of version v2.0 is answered" \
  test "$(cat "$TMP/probe-newer.rc"):$(count "$TMP/probe-newer.log" '^reply ')" = 0:1
check "a request of version v0.9 gets no reply" \
  test "$(cat "$TMP/probe-old.rc"):$(count "$TMP/probe-old.log" '^reply ')" = 1:0
check "a request without uuid gets no reply" \
  test "$(cat "$TMP/probe-anonymous.rc"):$(count "$TMP/probe-anonymous.log" '^reply ')" = 1:0
check "a request carrying this PC's own uuid gets no reply" \
  test "$(cat "$TMP/probe-itself.rc"):$(count "$TMP/probe-itself.log" '^reply ')" = 1:0
[ "$failures" -eq 0 ] || show "$TMP"/probe-*.log

# --- Rubbish to the responder and to a device ---------------------------------
spawn device dev1 device.log "$SIM" --name Room-1
wait_for_line "$TMP/device.log" '^listening 0.0.0.0 query=16020 ' 20
# Each rubbish datagram goes to both; then a good request to each from another
# socket must be answered before the next one goes out (so nothing is lost
# to a full receive buffer, and a datagram that kills a peer is named).
SEND_RUBBISH='
import socket, sys
rubbish = [
    b"",                                            # empty
    b"not json",
    b"[1,2]",                                       # JSON, not an object
    b"{\"uuid\":5,\"version\":[]}",                 # members of the wrong types
    b"\"just a string\"",
    b"[" * 65000,                                   # nested as deep as a datagram allows
    b"{\"a\":" * 13000,
    b"{\"uuid\":\"" + b"u" * 65000,                 # oversized, never ends
    b"{\"pad\":\"" + b"x" * 64990 + b"\"}",         # oversized, well formed
    b"\xff" * 65000,                                # oversized, not UTF-8
    b"{\"uuid\":\"\\u12",                           # a cut escape
    b"\x00" * 100,
]
peers = [("responder", "10.77.0.1", b"{\"type\":\"server\",\"uuid\":\"sync\",\"version\":\"v1.0\"}"),
         ("device", "10.77.0.2", b"{\"type\":\"client\",\"uuid\":\"sync\",\"version\":\"v1.0\"}")]
out = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
for i, payload in enumerate(rubbish):
    for name, address, good in peers:
        out.sendto(payload, (address, 16020))
        sync = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        sync.settimeout(10)
        sync.sendto(good, (address, 16020))
        try:
            sync.recvfrom(65535)
        except socket.timeout:
            print("the %s stopped answering after rubbish #%d (%r...)" % (name, i, payload[:20]))
            sys.exit(1)
        sync.close()
print("answered after each of %d rubbish datagrams" % len(rubbish), flush=True)
'
# The responder drops the five datagrams larger than any request unread and
# logs each of the other datagrams it cannot parse (4); the device logs each
# query it ignores (all 12): those lines show the rubbish was handled.
parse_fails_before=$(count "$TMP/respond.log" 'pase json fail')
drops_before=$(count "$TMP/respond.log" 'Dropping datagrams: larger than a request can be')
check "responder and device answer a good request after every rubbish datagram" \
  "$LAN_SH" x dev3 /usr/bin/python3 -c "$SEND_RUBBISH"
check "the responder went through the rubbish" \
  wait_for_count "$TMP/respond.log" 'pase json fail' $((parse_fails_before + 4)) 20
check "and dropped the oversized datagrams unread" \
  wait_for_count "$TMP/respond.log" 'Dropping datagrams: larger than a request can be' \
  $((drops_before + 5)) 20
check "the device went through the rubbish" \
  wait_for_count "$TMP/device.log" '^ignored query from 10\.77\.0\.4:' 12 20
check "the responder is still running" alive "$responder"
check "the device is still running" alive "$device"
probe after
probe_rc after 5
check "the responder still answers a good request" \
  test "$(cat "$TMP/probe-after.rc"):$(count "$TMP/probe-after.log" '^reply 10\.77\.0\.1:')" = 0:1
rc=0
"$LAN_SH" x cli "$CLI" --data-dir "$TMP/data-cli" query 10.77.0.2 >"$TMP/query-after.log" 2>&1 || rc=$?
check "the device still answers a query" \
  test "$rc:$(count "$TMP/query-after.log" '^10\.77\.0\.2:16020  Room-1 ')" = 0:1
[ "$failures" -eq 0 ] || show "$TMP/respond.log" "$TMP/device.log" "$TMP/probe-after.log" "$TMP/query-after.log"

finish
