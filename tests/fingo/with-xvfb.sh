#!/usr/bin/env bash
# Runs one command with DISPLAY set to a private Xvfb on the first free
# display (1920 x 1080), and stops the server afterwards. Exits 77 (skipped)
# only when Xvfb is not installed.
set -euo pipefail
[ $# -gt 0 ] || { echo "with-xvfb.sh: no command" >&2; exit 2; }
if ! command -v Xvfb >/dev/null 2>&1; then
  echo "SKIP: Xvfb is not installed"
  exit 77
fi
dir=$(mktemp -d)
xvfb=""
cleanup() {
  if [ -n "$xvfb" ]; then kill "$xvfb" 2>/dev/null || true; wait "$xvfb" 2>/dev/null || true; fi
  rm -rf "$dir"
}
trap cleanup EXIT
mkfifo "$dir/display"
# Xvfb writes the display it took to the pipe once it accepts connections.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset \
  3>"$dir/display" >"$dir/xvfb.log" 2>&1 </dev/null &
xvfb=$!
if ! read -r -t 30 number <"$dir/display"; then
  echo "with-xvfb.sh: Xvfb did not start" >&2
  cat "$dir/xvfb.log" >&2
  exit 1
fi
DISPLAY=":$number" "$@"
