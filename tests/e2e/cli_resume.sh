#!/usr/bin/env bash
# tavlo-cli transfers over data connections the device cuts: an upload and a
# download of a 20 MB file, each cut twice, resume where they broke off and
# end with the right MD5; a device that cuts every connection makes the
# client give up after its last resume with a message that says so.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/cli_lib.sh"

CUTTING=127.0.0.41  # cuts the first two connections of a session after 3 MB
HOPELESS=127.0.0.42 # cuts every connection after 1 MB
UUID=sim-127-0-0-41
W=$TMP/work
NAME="季度 数据.bin"
SIZE=20000000

make_pattern_file "$W/$NAME" "$SIZE" 41
SOURCE_MD5=$(md5_of "$W/$NAME")
start_sim cutting "$CUTTING" --drop-after 3000000 --drop-times 2
start_sim hopeless "$HOPELESS" --drop-after 1000000 --drop-times 1000
LOG=$TMP/cutting.log
REMOTE="/Tavlo/上传/$NAME"
CLEANUP+=("$W" "$TMP/cutting-store" "$TMP/hopeless-store") # ~100 MB of copies

expect_success "upload of 20 MB cut twice" up --device "$CUTTING" send "$NAME"
check "upload confirmed" grep -qxF "sent $NAME to Tavlo-Sim ($CUTTING) as $REMOTE (confirmed)" "$TMP/out/up.out"
check "device computed the source's MD5" [ "$(stored_md5 "$LOG" "$REMOTE")" = "$SOURCE_MD5" ]
check "stored file has the source's bytes" cmp -s "$W/$NAME" "$TMP/cutting-store/normal/Tavlo/上传/$NAME"
# cut_points: "SESSION:OFFSET" of every cut of REMOTE so far.
cut_points() { grep -F "cut $REMOTE session=" "$LOG" | sed 's/.* session=\([0-9]*\) at=\([0-9]*\)$/\1:\2/'; }
# Resumed, not restarted: the second cut comes 3 MB after the first.
up_cuts=$(cut_points | paste -sd,)
up_session=${up_cuts%%:*}
check "upload cut at 3 MB and then at 6 MB ($up_cuts)" [ "$up_cuts" = "$up_session:3000000,$up_session:6000000" ]

expect_success "download of 20 MB cut twice" down --device "$CUTTING" get "$REMOTE" back.bin
check "download has the source's MD5" [ "$(md5_of "$W/back.bin")" = "$SOURCE_MD5" ]
down_cuts=$(cut_points | tail -n +3 | paste -sd,)
down_session=${down_cuts%%:*}
check "download cut at 3 MB and then at 6 MB ($down_cuts)" [ "$down_cuts" = "$down_session:3000000,$down_session:6000000" ]
check "download cuts belong to a session of its own" [ "$down_session" != "$up_session" ]
check "history: upload" has_row "$UUID|$REMOTE|$W/$NAME|file_upload|$(mtime_ms "$W/$NAME")"
check "history: download" \
  has_row "$UUID|$REMOTE|$W/back.bin|file_download|$(mtime_ms "$TMP/cutting-store/normal/Tavlo/上传/$NAME")"

# A device that cuts every connection: the first attempt and ten resumes, then a clear failure.
DATA_DIR=$TMP/data-hopeless
expect_failure "upload cut on every connection" 1 "broke off" hopeless-up --device "$HOPELESS" send "$NAME"
cp "$W/$NAME" "$TMP/hopeless-store/normal/Pictures/$NAME"
expect_failure "download cut on every connection" 1 "broke off" hopeless-down --device "$HOPELESS" get "/Pictures/$NAME" hopeless.bin
check "upload gave up after 11 connections" wait_for_count "$TMP/hopeless.log" "cut $REMOTE session=" 11
check "download gave up after 11 connections" wait_for_count "$TMP/hopeless.log" "cut /Pictures/$NAME session=" 11
check "no history for transfers that gave up" [ -z "$(history_rows)" ]

finish
