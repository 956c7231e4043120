#!/usr/bin/env bash
# Runs one command in a network namespace of its own that holds only a
# loopback interface: whatever it broadcasts or multicasts goes nowhere, and
# it sees no avahi-daemon. Exits 77 (skipped) where that cannot be made.
set -euo pipefail
[ $# -gt 0 ] || { echo "isolated.sh: no command" >&2; exit 2; }
if [ "$(id -u)" -ne 0 ] || ! unshare -n true 2>/dev/null; then
  echo "SKIP: a private network namespace needs root (not available here)"
  exit 77
fi
exec unshare --net sh -c 'ip link set lo up && \
  DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/tavlo-no-bus exec "$@"' sh "$@"
