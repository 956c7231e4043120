#!/usr/bin/env bash
# The window under Xvfb in the private test network with one simulated
# device: it is found, a dropped file is uploaded, a file the device offers
# is taken, the hot key works.
# Screenshots land in build/screenshots.
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${LAN_SH:-}" ]; then
  exec "$HARNESS/with-lan.sh" --devices 1 --avahi "cli dev1" --xvfb cli -- bash "$here/window_e2e.sh"
fi
. "$here/lib.sh"
shots=$(cd "$BIN/.." && pwd)/screenshots

"$LAN_SH" x dev1 "$SIM" --name "Room 301 Tavlo" --sample-files --store "$TMP/store" \
  --announce "Room 301" >"$TMP/sim.log" 2>&1 &
wait_for_line "$TMP/sim.log" "^listening"

env $("$LAN_SH" env cli) TAVLO_SCREENSHOT_DIR="$shots" TAVLO_SIM_STORE="$TMP/store" \
  TAVLO_DEVICE_NS=dev1 TAVLO_DEVICE_ADDRESS=10.77.0.2 TAVLO_PC_ADDRESS=10.77.0.1 \
  "$LAN_SH" x cli "$BIN/tst_window_e2e"
