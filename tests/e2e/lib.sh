# Shared helpers of the shell tests (source it).
set -euo pipefail
BIN=${TAVLO_BIN_DIR:?TAVLO_BIN_DIR is not set}
SIM=$BIN/tavlo-device-sim
CLI=$BIN/tavlo-cli
TMP=${TAVLO_TEST_TMP:-$(mktemp -d)}
rm -rf "$TMP"
mkdir -p "$TMP"

failures=0
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
check() { # check DESCRIPTION COMMAND...
  local what=$1
  shift
  if "$@"; then pass "$what"; else fail "$what"; fi
}
finish() {
  if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all checks passed"
  exit 0
}

# wait_for_line FILE PATTERN [SECONDS]: waits until FILE has a line matching
# the regular expression PATTERN; wait_for_text is the same for a fixed string
# (remote paths hold spaces and dots).
wait_for_line() { wait_for_grep "" "$@"; }
wait_for_text() { wait_for_grep -F "$@"; }

wait_for_grep() {
  local how=$1 file=$2 pattern=$3 limit=${4:-20} i
  for i in $(seq $((limit * 20))); do
    grep -q $how -- "$pattern" "$file" 2>/dev/null && return 0
    sleep 0.05
  done
  echo "timed out waiting for '$pattern' in $file:" >&2
  cat "$file" >&2 || true
  return 1
}
