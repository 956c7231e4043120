# Helpers of the discovery tests (source it after lib.sh).
#
# A discovery test re-runs itself inside a private LAN: call
#   in_lan --devices N [--avahi "cli devK"]
# first; outside the LAN it execs tests/harness/with-lan.sh with this script,
# inside it returns. Programs started with `spawn` are stopped on exit.

in_lan() {
  if [ -z "${LAN_SH:-}" ]; then
    export TAVLO_TEST_TMP=$TMP
    exec "${HARNESS:?HARNESS is not set}/with-lan.sh" "$@" -- bash "$0"
  fi
}

SPAWNED=()
# spawn VAR NS LOG PROGRAM ARGS...: runs PROGRAM in namespace NS in the
# background, output (both streams) into $TMP/LOG; its PID goes into VAR.
spawn() {
  local var=$1 ns=$2 log=$3
  shift 3
  "$LAN_SH" x "$ns" "$@" >"$TMP/$log" 2>&1 </dev/null &
  SPAWNED+=($!)
  printf -v "$var" '%s' "$!"
}

stop_spawned() { # only those still running as our jobs (a PID may be reused)
  local jobs_now p i mine=()
  jobs_now=" $(jobs -p | tr '\n' ' ') "
  for p in "${SPAWNED[@]}"; do
    case $jobs_now in *" $p "*) mine+=("$p") ;; esac
  done
  for p in "${mine[@]}"; do kill -TERM "$p" 2>/dev/null || true; done
  for p in "${mine[@]}"; do
    for i in $(seq 100); do kill -0 "$p" 2>/dev/null || continue 2; sleep 0.05; done
    kill -KILL "$p" 2>/dev/null || true
  done
}
trap stop_spawned EXIT

alive() { kill -0 "$1" 2>/dev/null; }

# count FILE PATTERN: number of lines of FILE matching PATTERN (grep regex).
count() { grep -c -- "$2" "$1" 2>/dev/null || true; }

# wait_for_count FILE PATTERN N [SECONDS]: waits until N lines match.
wait_for_count() {
  local file=$1 pattern=$2 n=$3 limit=${4:-20} i
  for i in $(seq $((limit * 20))); do
    [ "$(count "$file" "$pattern")" -ge "$n" ] && return 0
    sleep 0.05
  done
  echo "timed out waiting for $n lines '$pattern' in $file:" >&2
  cat "$file" >&2 || true
  return 1
}

# wait_until SECONDS COMMAND...: waits until COMMAND succeeds.
wait_until() {
  local limit=$1 i
  shift
  for i in $(seq $((limit * 20))); do
    "$@" && return 0
    sleep 0.05
  done
  echo "timed out waiting for: $*" >&2
  return 1
}

# json_true FILE EXPR: EXPR, a Python expression, holds for the JSON document
# on the last line of FILE that parses as JSON. It sees `d` (the document)
# and `by` (for a device list: the entries keyed by address).
json_true() {
  /usr/bin/python3 -c '
import json, sys
doc = None
for line in open(sys.argv[1], encoding="utf-8"):
    try:
        doc = json.loads(line)
    except ValueError:
        pass
if doc is None:
    print("  no JSON line in " + sys.argv[1], file=sys.stderr)
    sys.exit(1)
d = doc
by = {e.get("address"): e for e in d if isinstance(e, dict)} if isinstance(d, list) else {}
try:
    ok = bool(eval("(\n" + sys.argv[2] + "\n)"))
except Exception as e:
    print("  %s: %r" % (type(e).__name__, e), file=sys.stderr)
    ok = False
if not ok:
    print("  not true: " + sys.argv[2] + "\n  JSON: " + json.dumps(d)[:4000], file=sys.stderr)
sys.exit(0 if ok else 1)' "$1" "$2"
}

# stamps FILE WHAT ADDRESS: the times (seconds, one a line) of the discover
# event lines "[  t] WHAT ADDRESS ..." of FILE.
stamps() {
  sed -n "s/^\[ *\([0-9.]*\)\] $2 $3 .*/\1/p" "$1"
}

# between LOW VALUE HIGH: LOW <= VALUE <= HIGH (decimals), with a note.
between() {
  if awk -v lo="$1" -v v="$2" -v hi="$3" 'BEGIN { exit !(v != "" && lo <= v + 0 && v + 0 <= hi) }'; then
    return 0
  fi
  echo "  '$2' is not within [$1, $3]" >&2
  return 1
}

# equals EXPECTED ACTUAL, with a note when they differ.
equals() {
  [ "$1" = "$2" ] && return 0
  echo "  expected '$1', got '$2'" >&2
  return 1
}

# discover NS LOG ARGS...: runs tavlo-cli discover in NS (foreground),
# output to $TMP/LOG (stdout) and $TMP/LOG.err; returns its exit code.
discover() {
  local ns=$1 log=$2
  shift 2
  "$LAN_SH" x "$ns" "$CLI" --data-dir "$TMP/data-$ns" discover "$@" \
    >"$TMP/$log" 2>"$TMP/$log.err" </dev/null
}

# show FILE...: prints files for the log of a failed run.
show() {
  local f
  for f in "$@"; do
    echo "---- $f"
    cat "$f" 2>/dev/null || true
  done
}
