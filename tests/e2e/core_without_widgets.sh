#!/usr/bin/env bash
# The command line and the simulator link the core only: no widget library
# among what they load, and no X11 library of their own (Qt's image support
# may bring one in through OpenGL); the client library has both.
source "$(dirname "$0")/lib.sh"
for program in "$CLI" "$SIM"; do
  check "$(basename "$program") loads no Qt widgets" bash -c "! ldd '$program' | grep -q libQt5Widgets"
  check "$(basename "$program") links no X11 itself" \
    bash -c "! readelf -d '$program' | grep NEEDED | grep -Eq 'libX11|libxcb|libXtst'"
done
check "the client library holds the window" \
  bash -c "readelf -d '$BIN/libTavloClient.so' | grep NEEDED | grep -q libQt5Widgets"
finish
