#!/usr/bin/env bash
# Runs one command against a private LAN of network namespaces made for it,
# and removes the LAN afterwards, also when the command fails.
#
#   with-lan.sh [--devices N] [--avahi "cli dev1 ..."] [--xvfb NAME] -- COMMAND...
#
# COMMAND sees LAN_SH (the lan.sh to call), LAN_PREFIX and LAN_RUN. Exits 77
# (a skipped test for CTest) when namespaces cannot be made here.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
devices=2 avahi="" xvfb=""
while [ $# -gt 0 ]; do
  case $1 in
    --devices) devices=$2; shift 2 ;;
    --avahi) avahi=$2; shift 2 ;;
    --xvfb) xvfb=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "with-lan.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ $# -gt 0 ] || { echo "with-lan.sh: no command" >&2; exit 2; }

if [ "$(id -u)" -ne 0 ] || ! command -v ip >/dev/null || ! unshare -n true 2>/dev/null; then
  echo "SKIP: private network namespaces need root and iproute2 (not available here)"
  exit 77
fi
if [ -n "$avahi" ] && ! command -v avahi-daemon >/dev/null; then
  echo "SKIP: avahi-daemon is not installed (scripts/setup installs it)"
  exit 77
fi

export LAN_PREFIX="tv$$-" LAN_RUN="/tmp/tavlo-lan-$$" LAN_AVAHI="$avahi" LAN_SH="$here/lan.sh"
trap '"$LAN_SH" down' EXIT
trap 'exit 130' INT TERM
"$LAN_SH" up "$devices"
[ -z "$xvfb" ] || "$LAN_SH" xvfb "$xvfb"
set +e
"$@"
status=$?
set -e
exit $status
