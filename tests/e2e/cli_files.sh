#!/usr/bin/env bash
# tavlo-cli's file commands against the device simulator on loopback, when
# everything goes right: send (normal, secure, empty), ls (top level, sort
# orders, listings over several datagrams), get, open, rm, thumb (and its
# cache), welcome, and the history the transfers leave behind.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/cli_lib.sh"

A=127.0.0.21 # sample files and an extra top-level folder
B=127.0.0.22 # two entries per listing datagram
UUID=sim-127-0-0-21
STORE=$TMP/files-store
W=$TMP/work

# A picture with spaces and Chinese in its name, put into the store before
# the simulator starts; its size differs from every sample file's.
mkdir -p "$STORE/normal/Pictures"
PIC="会议 照片 1.png"
make_png "$STORE/normal/Pictures/$PIC" 320 200
touch -d @1700003600 "$STORE/normal/Pictures/$PIC"
start_sim files "$A" --sample-files --extra-top-folder Documents
LOG=$TMP/files.log

# --- send ------------------------------------------------------------------
NOTE="会议 记录 v2.txt"
SECRET="机密 报告 v2.txt"
python3 -c 'import sys; open(sys.argv[1], "w", encoding="utf-8").write("".join("第%d行 minutes\n" % i for i in range(3000)))' "$W/$NOTE"
printf 'for the board only\n%.0s' {1..500} >"$W/$SECRET"
: >"$W/empty.txt"
touch -d @1700000000.250 "$W/$NOTE"
touch -d @1700000100.500 "$W/$SECRET"
touch -d @1700000200 "$W/empty.txt"

# Relative names: they are taken from the folder tavlo-cli was started in.
expect_success "send of a normal file and an empty one in one command" send \
  --device "$A" send "$NOTE" empty.txt
expect_success "send of a file into secure storage" send-secure --device "$A" send --secure "$SECRET"

for name in "$NOTE" empty.txt; do
  remote="/Tavlo/上传/$name"
  check "send reports '$name' confirmed as $remote" \
    grep -qxF "sent $name to Tavlo-Sim ($A) as $remote (confirmed)" "$TMP/out/send.out"
  check "device computed the source's MD5 for '$name'" \
    [ "$(stored_md5 "$LOG" "$remote")" = "$(md5_of "$W/$name")" ]
  check "'$name' stored in the upload folder, same bytes" \
    cmp -s "$W/$name" "$STORE/normal/Tavlo/上传/$name"
done
check "secure send reports secure:/ path" \
  grep -qxF "sent $SECRET to Tavlo-Sim ($A) as secure:/$SECRET (confirmed)" "$TMP/out/send-secure.out"
check "device computed the MD5 of the secure file" \
  [ "$(stored_md5 "$LOG" "secure:/$SECRET")" = "$(md5_of "$W/$SECRET")" ]
check "secure file stored in the secure area only" \
  cmp -s "$W/$SECRET" "$STORE/secure/$SECRET"
check "secure file not in the normal upload folder" [ ! -e "$STORE/normal/Tavlo/上传/$SECRET" ]

check "history: normal upload (uuid, paths, type, file time)" \
  has_row "$UUID|/Tavlo/上传/$NOTE|$W/$NOTE|file_upload|1700000000250"
check "history: empty upload" has_row "$UUID|/Tavlo/上传/empty.txt|$W/empty.txt|file_upload|1700000200000"
check "history: secure upload" has_row "$UUID|secure:/$SECRET|$W/$SECRET|secure|1700000100500"
check "history: nothing else" [ "$(history_rows | wc -l)" = 3 ]

# --- ls --------------------------------------------------------------------
json_names() { python3 -c 'import json, sys; print("\n".join(e["name"] for e in json.load(open(sys.argv[1]))))' "$1"; }
json_field() { # json_field FILE NAME FIELD
  python3 -c 'import json, sys; print([e for e in json.load(open(sys.argv[1])) if e["name"] == sys.argv[2]][0][sys.argv[3]])' "$@"
}

check "the store has the extra top-level folder" [ -d "$STORE/normal/Documents" ]
expect_success "ls of the top level" ls-top --device "$A" ls --json
check "top level shows only Pictures, Tavlo, Whiteboard" \
  [ "$(json_names "$TMP/out/ls-top.out" | paste -sd,)" = "Pictures,Tavlo,Whiteboard" ]

expect_success "ls /Pictures by size, largest first" ls-size --device "$A" ls /Pictures --json --sort file_size_decrease
expected=$(cd "$STORE/normal/Pictures" && python3 -c '
import os
names = sorted(os.listdir("."), key=lambda n: (-os.path.getsize(n), n.lower(), n))
print(",".join(names))')
check "ls /Pictures order: $expected" [ "$(json_names "$TMP/out/ls-size.out" | paste -sd,)" = "$expected" ]
check "listing: size of '$PIC'" \
  [ "$(json_field "$TMP/out/ls-size.out" "$PIC" size)" = "$(stat -c %s "$STORE/normal/Pictures/$PIC")" ]
check "listing: modification time of '$PIC'" [ "$(json_field "$TMP/out/ls-size.out" "$PIC" date_modified)" = 1700003600000 ]
check "listing: type of '$PIC'" [ "$(json_field "$TMP/out/ls-size.out" "$PIC" type)" = file ]

# --- get -------------------------------------------------------------------
# No LOCAL: the file lands in the folder tavlo-cli was started in, not in its data folder.
expect_success "get of '$PIC'" get-pic --device "$A" get "/Pictures/$PIC"
check "get reports where the file went" \
  grep -qxF "received /Pictures/$PIC from Tavlo-Sim ($A) into $W/$PIC" "$TMP/out/get-pic.out"
check "downloaded '$PIC' has the store's MD5" \
  [ "$(md5_of "$W/$PIC")" = "$(md5_of "$STORE/normal/Pictures/$PIC")" ]
check "nothing downloaded into the data folder" [ ! -e "$TMP/data/$PIC" ]
check "history: download keyed by the listed file time" \
  has_row "$UUID|/Pictures/$PIC|$W/$PIC|file_download|1700003600000"

# Over an existing, larger local file: the result must be exactly the remote file.
head -c 300000 /dev/urandom >"$W/existing.png"
expect_success "get over an existing local file" get-over --device "$A" get /Pictures/poster.png existing.png
check "existing local file replaced by the remote one (no stale tail)" \
  cmp -s "$W/existing.png" "$STORE/normal/Pictures/poster.png"

mkdir -p "$W/into"
expect_success "get into an existing folder" get-dir --device "$A" get /Whiteboard/sketch.txt into
check "file lands in the folder under its remote name" cmp -s "$W/into/sketch.txt" "$STORE/normal/Whiteboard/sketch.txt"
check "history: three downloads" [ "$(history_rows | grep -c '|file_download|')" = 3 ]

# --- open, rm --------------------------------------------------------------
expect_success "open of a normal file" open --device "$A" open /Tavlo/agenda.txt
check "device opened it in the normal area" wait_for_text "$LOG" "opened /Tavlo/agenda.txt"
expect_success "open of a secure file" open-secure --device "$A" open "secure:/$SECRET"
check "device opened it in the secure area" wait_for_text "$LOG" "opened secure:/$SECRET"

expect_success "rm of a normal file" rm --device "$A" rm /Tavlo/上传/empty.txt
check "device reports the deletion" wait_for_text "$LOG" "deleted /Tavlo/上传/empty.txt"
check "file gone from the store" [ ! -e "$STORE/normal/Tavlo/上传/empty.txt" ]
check "its neighbour stays" [ -f "$STORE/normal/Tavlo/上传/$NOTE" ]
expect_success "rm of a secure file" rm-secure --device "$A" rm "secure:/$SECRET"
check "secure file gone from the store" [ ! -e "$STORE/secure/$SECRET" ]

# --- thumb -----------------------------------------------------------------
expect_success "thumb of '$PIC'" thumb1 --device "$A" thumb "/Pictures/$PIC" t1.png
check "first thumbnail comes from the device" grep -qF "(from the device)" "$TMP/out/thumb1.out"
thumb_size=$(png_size "$W/t1.png" || true)
check "thumbnail is a well-formed PNG (${thumb_size:-not one})" [ -n "$thumb_size" ]
check "device was asked once" [ "$(count_lines "$LOG" "request get_thumb ")" = 1 ]
expect_success "thumb of '$PIC' again" thumb2 --device "$A" thumb "/Pictures/$PIC" t2.png
check "second thumbnail comes from the cache" grep -qF "(from cache)" "$TMP/out/thumb2.out"
check "cached thumbnail is the same picture" cmp -s "$W/t1.png" "$W/t2.png"
check "device was not asked again" [ "$(count_lines "$LOG" "request get_thumb ")" = 1 ]

# --- welcome ---------------------------------------------------------------
expect_success "welcome text" welcome --device "$A" welcome "欢迎 光临 Tavlo!"
check "device got the welcome text" wait_for_text "$LOG" "salutatory 欢迎 光临 Tavlo!"

# --- a listing in several datagrams ----------------------------------------
CHUNKED=$TMP/chunked-store/normal/Whiteboard
mkdir -p "$CHUNKED"
i=0
for name in "E5.txt" "c 3.txt" "纪要.txt" "a1.txt" "d4.txt" "B2.txt"; do
  i=$((i + 1))
  head -c $((i * 100)) /dev/zero >"$CHUNKED/$name"
done
start_sim chunked "$B" --listing-chunk 2
expect_success "ls of 6 entries sent 2 per datagram" ls-chunked --device "$B" ls /Whiteboard --json
check "all 6 entries, by name" \
  [ "$(json_names "$TMP/out/ls-chunked.out" | paste -sd,)" = "a1.txt,B2.txt,c 3.txt,d4.txt,E5.txt,纪要.txt" ]
check "sizes of the entries from every datagram" [ "$(json_field "$TMP/out/ls-chunked.out" "纪要.txt" size),$(json_field "$TMP/out/ls-chunked.out" "a1.txt" size)" = "300,400" ]
expect_success "same listing by name, descending, as text" ls-chunked-text --device "$B" ls /Whiteboard --sort file_name_decrease
check "text listing: 6 lines, names last, descending" \
  [ "$(sed 's/.*[0-9][0-9]:[0-9][0-9]  //' "$TMP/out/ls-chunked-text.out" | paste -sd,)" = "纪要.txt,E5.txt,d4.txt,c 3.txt,B2.txt,a1.txt" ]
check "text listing: size column" grep -qE '^- +300 .*  纪要\.txt$' "$TMP/out/ls-chunked-text.out"

# --- the history row is written before the program ends ----------------------
# A task reports its end before it writes its history row; tavlo-cli must wait
# for the row instead of tearing the database down under the writing thread
# (which crashed it now and then). With the database locked from outside the
# row has to wait: the command must keep running and, for get, must not say
# the file was received until the row is written.
# locked_history_run TAG FILE ARGS...: runs tavlo-cli while another
# connection holds the database; 2 s after FILE exists (the data is all
# there) it releases the lock, then waits for tavlo-cli to end.
locked_history_run() {
  local tag=$1 file=$2 release=$TMP/release-$1 holder cli i
  shift 2
  python3 - "$TMP/data/TavloClient.db" "$release" >"$TMP/holder-$tag.log" 2>&1 <<'PY' &
import os, sqlite3, sys, time
db = sqlite3.connect(sys.argv[1], isolation_level=None, timeout=30)
db.execute("BEGIN EXCLUSIVE")
print("locked", flush=True)
while not os.path.exists(sys.argv[2]):
    time.sleep(0.02)
db.execute("COMMIT")
PY
  holder=$!
  wait_for_line "$TMP/holder-$tag.log" '^locked$'
  run_cli "$tag" "$@" &
  cli=$!
  for i in $(seq 400); do [ -e "$file" ] && break; sleep 0.05; done
  for i in $(seq 40); do kill -0 "$cli" 2>/dev/null || break; sleep 0.05; done
  check "$tag: still running while its history row waits for the database" kill -0 "$cli"
  cp "$TMP/out/$tag.out" "$TMP/out/$tag.before-row"
  touch "$release"
  wait "$cli" || true
  wait "$holder" || true
}
locked_history_run get-locked "$W/locked.png" --device "$A" get /Pictures/poster.png locked.png
check "get-locked: no 'received' before the history row is written" \
  [ "$(grep -c '^received ' "$TMP/out/get-locked.before-row")" = 0 ]
check "get-locked: exits 0 once the row is written, then says so" \
  [ "$(cli_rc get-locked):$(grep -c '^received ' "$TMP/out/get-locked.out")" = 0:1 ]
check "get-locked: its history row is there" \
  [ "$(history_rows | grep -cF "|/Pictures/poster.png|$W/locked.png|file_download|")" = 1 ]
cp "$W/locked.png" "$W/locked-up.png"
locked_history_run send-locked "$STORE/normal/Tavlo/上传/locked-up.png" --device "$A" send locked-up.png
check "send-locked: exits 0 once the row is written" [ "$(cli_rc send-locked)" = 0 ]
check "send-locked: its history row is there" \
  [ "$(history_rows | grep -cF "|/Tavlo/上传/locked-up.png|$W/locked-up.png|file_upload|")" = 1 ]

finish
