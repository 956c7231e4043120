#!/usr/bin/env bash
# Files between PCs, in the private test network: PC A (10.77.0.1,
# tavlo-cli offer) sends 200 MiB to PC B (10.77.0.2, tavlo-cli receive
# --yes) while the test cuts B's data connection once from outside with much
# of the file unsent; B resumes, A serves the rest, B's copy has A's MD5, A
# confirms it and both write their history rows. Then a simulated device
# (10.77.0.3) pushes a file that B takes, and fetches a file A offers it,
# resuming once with a decimal offset.
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${LAN_SH:-}" ]; then
  exec "$HARNESS/with-lan.sh" --devices 2 -- bash "$here/peer_transfer.sh"
fi
source "$here/lib.sh"

A=10.77.0.1 B=10.77.0.2 SIMADDR=10.77.0.3
mkdir -p "$TMP/a" "$TMP/b"
PIDS=()
cleanup() {
  local pid
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -f "$TMP/a/big.bin" "$TMP/b/in/big.bin" "$TMP/sim-store/fetched/"*
}
trap cleanup EXIT
on_a() { "$LAN_SH" x cli "$@"; }
on_b() { "$LAN_SH" x dev1 "$@"; }

python3 - "$TMP/a/big.bin" <<'PY'
import random, sys
r = random.Random(2024)
with open(sys.argv[1], "wb") as f:
    for _ in range(200):
        f.write(r.randbytes(1 << 20))
PY
SOURCE_MD5=$(md5sum <"$TMP/a/big.bin" | cut -d' ' -f1)

on_b "$CLI" --verbose --data-dir "$TMP/b/data" receive --yes --dir "$TMP/b/in" >"$TMP/b.out" 2>"$TMP/b.err" &
PIDS+=($!)
wait_for_line "$TMP/b.out" "^receiving into"

on_a "$CLI" --verbose --data-dir "$TMP/a/data" offer "$TMP/a/big.bin" --device "$B" --wait 120 \
  >"$TMP/a.out" 2>"$TMP/a.err" &
a_pid=$!
PIDS+=($a_pid)

# Once B holds 40 MB, its data connection to A is killed from outside: what
# was in flight is lost and must be sent again.
part=$TMP/b/in/big.bin.part
for _ in $(seq 400); do
  [ "$(stat -c %s "$part" 2>/dev/null || echo 0)" -ge 40000000 ] && break
  sleep 0.025
done
at=$(stat -c %s "$part" 2>/dev/null || echo 0)
on_b ss -t -K dst "$A" >/dev/null 2>&1 || true
check "B's connection was cut with much of the file unsent ($at bytes there)" \
  [ "$at" -ge 40000000 -a "$at" -lt 150000000 ]

rc=0
wait "$a_pid" || rc=$?
check "A's offer ends with every file confirmed" [ "$rc" = 0 ]
check "A reports the confirmation" grep -qF "sent big.bin to" "$TMP/a.out"
wait_for_text "$TMP/b.out" "received big.bin from" 30
check "B's copy has A's MD5" [ "$(md5sum <"$TMP/b/in/big.bin" | cut -d' ' -f1)" = "$SOURCE_MD5" ]
check "nothing is left under the temporary name" [ ! -e "$part" ]
history() { sqlite3 "$1/TavloClient.db" "SELECT type, nativePath FROM tbRecentFiles" 2>/dev/null; }
check "A's history row" grep -qxF "file_upload|$TMP/a/big.bin" <(history "$TMP/a/data")
check "B's history row" grep -qxF "file_download|$TMP/b/in/big.bin" <(history "$TMP/b/data")

# A simulated device pushes one of its pictures: B takes it.
"$LAN_SH" x dev2 "$SIM" --address "$SIMADDR" --sample-files --store "$TMP/sim-store" \
  --fetch-offers --fetch-cut-after 300000 --resume-form decimal \
  --offer /Pictures/poster.png --offer-to "$B" >"$TMP/sim.log" 2>&1 &
PIDS+=($!)
wait_for_text "$TMP/b.out" "received poster.png from" 30
check "the pushed picture arrived whole" \
  cmp -s "$TMP/b/in/poster.png" "$TMP/sim-store/normal/Pictures/poster.png"

# A offers a file to the device, which fetches it in two connections, the
# second resumed with decimal digits.
head -c 3000000 /dev/urandom >"$TMP/a/notes.bin"
rc=0
on_a "$CLI" --data-dir "$TMP/a/data" offer "$TMP/a/notes.bin" --device "$SIMADDR" --wait 60 \
  >"$TMP/a2.out" 2>"$TMP/a2.err" || rc=$?
check "the device confirmed the offered file" [ "$rc" = 0 ]
check "the device cut once and resumed" grep -q "^fetch-cut .*notes.bin at=300000" "$TMP/sim.log"
check "the device's copy is whole" cmp -s "$TMP/a/notes.bin" "$TMP/sim-store/fetched/notes.bin"

[ "$failures" = 0 ] || { echo "--- a.err"; cat "$TMP/a.err"; echo "--- b.out"; cat "$TMP/b.out";
  echo "--- b.err"; cat "$TMP/b.err"; echo "--- sim.log"; cat "$TMP/sim.log"; }
finish
