#!/usr/bin/env bash
# A file of more than 4 GiB between two PCs in the private test network:
# sparse, with random blocks at its start, across the 4 GiB mark and at its
# end, so that a size or an offset cut to 32 bits shows. PC B's copy must
# have PC A's MD5. Prints the time taken.
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${LAN_SH:-}" ]; then
  exec "$HARNESS/with-lan.sh" --devices 1 -- bash "$here/peer_large.sh"
fi
source "$here/lib.sh"

A=10.77.0.1 B=10.77.0.2
SIZE=$((4 * 1024 * 1024 * 1024 + 200 * 1024 * 1024)) # 4.2 GiB
mkdir -p "$TMP/a" "$TMP/b"
PIDS=()
cleanup() {
  local pid
  for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$TMP/a/huge.bin" "$TMP/b/in"
}
trap cleanup EXIT

python3 - "$TMP/a/huge.bin" "$SIZE" <<'PY'
import os, random, sys
path, size = sys.argv[1], int(sys.argv[2])
r = random.Random(4242)
with open(path, "wb") as f:
    f.truncate(size)
    for at in (0, (1 << 32) - (1 << 19), size - (1 << 20)):
        f.seek(at)
        f.write(r.randbytes(1 << 20))
PY
SOURCE_MD5=$(md5sum <"$TMP/a/huge.bin" | cut -d' ' -f1)

"$LAN_SH" x dev1 "$CLI" --data-dir "$TMP/b/data" receive --yes --dir "$TMP/b/in" \
  >"$TMP/b.out" 2>"$TMP/b.err" &
PIDS+=($!)
wait_for_line "$TMP/b.out" "^receiving into"

start=$(date +%s.%N)
rc=0
"$LAN_SH" x cli "$CLI" --data-dir "$TMP/a/data" offer "$TMP/a/huge.bin" --device "$B" --wait 120 \
  >"$TMP/a.out" 2>"$TMP/a.err" || rc=$?
seconds=$(python3 -c "import sys; print('%.1f' % ($(date +%s.%N) - $start))")
check "A's offer of 4.2 GiB ends confirmed" [ "$rc" = 0 ]
wait_for_text "$TMP/b.out" "received huge.bin from" 60
check "B's copy has the full size" [ "$(stat -c %s "$TMP/b/in/huge.bin" 2>/dev/null)" = "$SIZE" ]
check "B's copy has A's MD5" [ "$(md5sum <"$TMP/b/in/huge.bin" | cut -d' ' -f1)" = "$SOURCE_MD5" ]
echo "4.2 GiB PC to PC: $seconds s ($(python3 -c "print('%.0f' % ($SIZE / 1e6 / $seconds))") MB/s)"
[ "$failures" = 0 ] || { cat "$TMP/a.err" "$TMP/b.err"; }
finish
