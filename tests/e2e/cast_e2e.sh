#!/usr/bin/env bash
# Screen casting from the window under Xvfb in the private test network: the
# demo device "会议室 301" wants a cast password; the global hot key starts
# the cast, the handshake asks for confirmation and the password, the
# stand-in mirroring program (glimmer) runs, pause and resume change the
# page, stop ends the program. Screenshots land in build/screenshots.
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${LAN_SH:-}" ]; then
  exec "$HARNESS/with-lan.sh" --devices 1 --avahi "cli dev1" --xvfb cli -- bash "$here/cast_e2e.sh"
fi
. "$here/lib.sh"
shots=$(cd "$BIN/.." && pwd)/screenshots
# The mirroring program's control server is a socket in the temporary folder.
mkdir -p "$TMP/tmp"

"$LAN_SH" x dev1 "$SIM" --name "会议室 301" --cast-password 301301 --store "$TMP/store" \
  --announce "Room 301" >"$TMP/sim.log" 2>&1 &
wait_for_line "$TMP/sim.log" "^listening .* cast=5000"

env $("$LAN_SH" env cli) TMPDIR="$TMP/tmp" TAVLO_SCREENSHOT_DIR="$shots" \
  TAVLO_CAST_PASSWORD=301301 TAVLO_GLIMMER_LOG="$TMP/glimmer.log" \
  "$LAN_SH" x cli "$BIN/tst_cast_e2e"
status=$?
if [ $status -eq 0 ]; then
  grep -qF "cast-accepted" "$TMP/sim.log" && grep -qF "passwd=yes" "$TMP/sim.log" ||
    { echo "FAIL: the device did not accept a cast with a password"; cat "$TMP/sim.log"; exit 1; }
fi
exit $status
