#!/usr/bin/env bash
# A 1 GiB file through tavlo-cli and the device simulator on loopback, both
# ways, each cut twice by the device (after ~300 MB of a connection): the
# transfers resume and end with the source's MD5. Prints the peak memory of
# tavlo-cli in both directions for the record (the goal is checked by
# scripts/bench, not here). The big files are removed at the end.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/cli_lib.sh"

DEVICE=127.0.0.51
W=$TMP/work
NAME="大文件 1GiB.bin"
SIZE=$((1024 * 1024 * 1024))
CUT=300000000
REMOTE="/Tavlo/上传/$NAME"
STORED=$TMP/large-store/normal/Tavlo/上传/$NAME
CLEANUP+=("$W/$NAME" "$W/back.bin" "$STORED")

make_pattern_file "$W/$NAME" "$SIZE" 51
SOURCE_MD5=$(md5_of "$W/$NAME")
start_sim large "$DEVICE" --drop-after "$CUT" --drop-times 2
LOG=$TMP/large.log

now() { date +%s.%N; }
# figures START SIZE TAG: seconds, MB/s and peak memory of a finished run.
figures() {
  python3 -c 'import sys; s = float(sys.argv[1]); print("%.1f s, %.0f MB/s, peak RSS %s KiB" % (s, int(sys.argv[2]) / 1e6 / s, sys.argv[3]))' \
    "$(python3 -c "print($(now) - $1)")" "$2" "$(peak_rss "$3")"
}
cut_points() { grep -F "cut $REMOTE session=" "$LOG" | sed 's/.* session=\([0-9]*\) at=\([0-9]*\)$/\1:\2/'; }

start=$(now)
expect_success "1 GiB upload, cut twice" up --device "$DEVICE" send "$NAME" --stats
echo "upload:   $(figures "$start" "$SIZE" up)"
check "upload confirmed" grep -qxF "sent $NAME to Tavlo-Sim ($DEVICE) as $REMOTE (confirmed)" "$TMP/out/up.out"
check "device computed the source's MD5" [ "$(stored_md5 "$LOG" "$REMOTE")" = "$SOURCE_MD5" ]
check "stored file has the source's MD5" [ "$(md5_of "$STORED")" = "$SOURCE_MD5" ]
up_cuts=$(cut_points | paste -sd,)
s=${up_cuts%%:*}
check "upload cut twice and resumed where it broke off ($up_cuts)" [ "$up_cuts" = "$s:$CUT,$s:$((2 * CUT))" ]
rm -f "$W/$NAME" # disk space: the store holds the copy to fetch back

start=$(now)
expect_success "1 GiB download, cut twice" down --device "$DEVICE" get "$REMOTE" back.bin --stats
echo "download: $(figures "$start" "$SIZE" down)"
check "downloaded file has the source's MD5" [ "$(md5_of "$W/back.bin")" = "$SOURCE_MD5" ]
down_cuts=$(cut_points | tail -n +3 | paste -sd,)
s=${down_cuts%%:*}
check "download cut twice and resumed where it broke off ($down_cuts)" [ "$down_cuts" = "$s:$CUT,$s:$((2 * CUT))" ]
check "peak RSS reported for both directions" [ -n "$(peak_rss up)" -a -n "$(peak_rss down)" ]

rm -f "$W/back.bin" "$STORED"
finish
