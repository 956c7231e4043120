# Helpers of the tavlo-cli shell tests (source it after lib.sh).
#
# Simulators run on loopback addresses only; every script uses addresses of
# its own so the scripts can run side by side. Every simulator started here
# is stopped when the script exits; paths listed in CLEANUP are removed then.

SIM_PIDS=()
CLEANUP=()
mkdir -p "$TMP/out" "$TMP/work"

cli_exit_cleanup() {
  local pid
  for pid in "${SIM_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${SIM_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  if [ ${#CLEANUP[@]} -gt 0 ]; then rm -rf -- "${CLEANUP[@]}"; fi
}
trap cli_exit_cleanup EXIT

# start_sim NAME ADDRESS [OPTIONS...]: a simulator with the store $TMP/NAME-store
# and its event lines in $TMP/NAME.log; returns once it listens.
start_sim() {
  local name=$1 address=$2
  shift 2
  "$SIM" --address "$address" --store "$TMP/$name-store" "$@" \
    >"$TMP/$name.log" 2>"$TMP/$name.err" &
  SIM_PIDS+=($!)
  wait_for_line "$TMP/$name.log" "^listening $address " 30
}

# count_lines FILE TEXT: how many lines of FILE contain TEXT.
count_lines() {
  grep -cF -- "$2" "$1" || true
}

# wait_for_count FILE TEXT N [SECONDS]: waits until N lines of FILE contain
# TEXT; then succeeds when there are exactly N.
wait_for_count() {
  local file=$1 text=$2 n=$3 limit=${4:-20} i
  for i in $(seq $((limit * 20))); do
    [ "$(count_lines "$file" "$text")" -ge "$n" ] && break
    sleep 0.05
  done
  [ "$(count_lines "$file" "$text")" -eq "$n" ]
}

# run_cli TAG ARGS...: runs tavlo-cli in $TMP/work with the data folder
# ${DATA_DIR:-$TMP/data}; keeps $TMP/out/TAG.out, .err and .rc. Safe to run
# in the background (give each parallel run a data folder of its own).
run_cli() {
  local tag=$1 rc=0
  shift
  (cd "$TMP/work" && "$CLI" --data-dir "${DATA_DIR:-$TMP/data}" "$@") \
    >"$TMP/out/$tag.out" 2>"$TMP/out/$tag.err" || rc=$?
  echo "$rc" >"$TMP/out/$tag.rc"
}

cli_rc() { cat "$TMP/out/$1.rc"; }

show_cli() { # show_cli TAG: prints a run's exit code and output, for failures
  echo "  exit code $(cat "$TMP/out/$1.rc")"
  sed 's/^/  stdout: /' "$TMP/out/$1.out"
  sed 's/^/  stderr: /' "$TMP/out/$1.err"
}

# expect_success DESCRIPTION TAG ARGS...: runs tavlo-cli; it must exit 0 and
# print nothing on stderr (but the line of --stats).
expect_success() {
  local what=$1 tag=$2
  shift 2
  run_cli "$tag" "$@"
  if [ "$(cli_rc "$tag")" = 0 ] && ! grep -qv '^tavlo-cli: peak-rss-kib [0-9]*$' "$TMP/out/$tag.err"; then
    pass "$what"
  else
    fail "$what"
    show_cli "$tag"
  fi
}

# judge_failure DESCRIPTION TAG CODE KEYWORD: a finished run must have exited
# with CODE and said on stderr, in exactly one line starting "tavlo-cli: ",
# something containing KEYWORD (case-insensitive). Not counted: the note
# about a device that did not answer the device query and, after bad
# arguments, the pointer to --help.
judge_failure() {
  local what=$1 tag=$2 code=$3 keyword=$4 lines
  lines=$(grep -v -e '^tavlo-cli: note: .* did not answer the device query' \
    -e "^tavlo-cli: see 'tavlo-cli \(--help\|help [a-z]*\)'\$" "$TMP/out/$tag.err" || true)
  if [ "$(cli_rc "$tag")" = "$code" ] && [ -n "$lines" ] && [ "$(printf '%s\n' "$lines" | wc -l)" = 1 ] &&
    [[ $lines == "tavlo-cli: "* ]] && printf '%s' "$lines" | grep -qiF -- "$keyword"; then
    pass "$what ($lines)"
  else
    fail "$what: wanted exit code $code and one line naming '$keyword'"
    show_cli "$tag"
  fi
}

# expect_failure DESCRIPTION CODE KEYWORD TAG ARGS...: run_cli + judge_failure.
expect_failure() {
  local what=$1 code=$2 keyword=$3 tag=$4
  shift 4
  run_cli "$tag" "$@"
  judge_failure "$what" "$tag" "$code" "$keyword"
}

# history_rows [DATA_DIR]: the upload/download history, one row a line:
# uuid|remotePath|nativePath|type|dateModified
history_rows() {
  local db=${1:-${DATA_DIR:-$TMP/data}}/TavloClient.db
  [ -f "$db" ] || return 0
  # A client that never recorded anything may not have made the table yet.
  sqlite3 "$db" 'SELECT uuid, remotePath, nativePath, type, dateModified FROM tbRecentFiles ORDER BY operateTime, rowid' 2>/dev/null || true
}

# has_row ROW [DATA_DIR]: the history holds exactly this row.
has_row() {
  history_rows "${2:-}" | grep -qxF -- "$1"
}

# stored_md5 LOG REMOTE: the MD5 the simulator computed of the last upload of REMOTE.
stored_md5() {
  grep -F -- "stored $2 md5=" "$1" | tail -n 1 | sed 's/.* md5=//'
}

md5_of() { md5sum <"$1" | cut -d' ' -f1; }

# mtime_ms FILE: modification time in milliseconds since 1970.
mtime_ms() {
  python3 -c 'import os, sys; print(os.stat(sys.argv[1]).st_mtime_ns // 1000000)' "$1"
}

# peak_rss TAG: the KiB that tavlo-cli --stats reported.
peak_rss() {
  sed -n 's/^tavlo-cli: peak-rss-kib \([0-9]*\)$/\1/p' "$TMP/out/$1.err"
}

# make_pattern_file FILE BYTES [SEED]: repeatable pseudo-random content.
make_pattern_file() {
  python3 - "$1" "$2" "${3:-7}" <<'EOF'
import random, sys
path, size, seed = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
rng = random.Random(seed)
with open(path, "wb") as out:
    while size > 0:
        n = min(size, 16 << 20)
        out.write(rng.randbytes(n))
        size -= n
EOF
}

# make_png FILE WIDTH HEIGHT: a small valid PNG picture (colour stripes).
make_png() {
  python3 - "$@" <<'EOF2'
import struct, sys, zlib
path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
rows = b"".join(
    b"\0" + b"".join(bytes(((x * 7) % 256, (y * 5) % 256, ((x + y) * 3) % 256)) for x in range(width))
    for y in range(height))
with open(path, "wb") as out:
    out.write(b"\x89PNG\r\n\x1a\n")
    out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
    out.write(chunk(b"IDAT", zlib.compress(rows, 9)))
    out.write(chunk(b"IEND", b""))
EOF2
}

# png_size FILE: prints WIDTHxHEIGHT when FILE is a well-formed PNG (signature,
# IHDR first, IEND last, every chunk's CRC right, pixel data inflates); fails otherwise.
png_size() {
  python3 - "$1" <<'EOF2'
import struct, sys, zlib
data = open(sys.argv[1], "rb").read()
if data[:8] != b"\x89PNG\r\n\x1a\n":
    sys.exit("no PNG signature")
pos, kinds, idat = 8, [], b""
while pos < len(data):
    length, kind = struct.unpack(">I4s", data[pos:pos + 8])
    body = data[pos + 8:pos + 8 + length]
    (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
    if len(body) != length or zlib.crc32(kind + body) != crc:
        sys.exit("broken chunk %r" % kind)
    if kind == b"IHDR":
        width, height = struct.unpack(">II", body[:8])
    if kind == b"IDAT":
        idat += body
    kinds.append(kind)
    pos += 12 + length
if not kinds or kinds[0] != b"IHDR" or kinds[-1] != b"IEND" or not idat:
    sys.exit("chunks out of order: %r" % kinds)
zlib.decompress(idat)
print("%dx%d" % (width, height))
EOF2
}
