#!/usr/bin/env bash
# tavlo-cli cast against the device simulator on loopback, with the stand-in
# mirroring program (glimmer) beside tavlo-cli: the password asked on the
# terminal and saved, the confirmation, pause, resume, ratio and stop typed
# on standard input, a legacy device without "ip", a declined confirmation, a
# password that cannot be asked, a device without casting, end of input, and
# a simulated device whose cast port is taken.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/cli_lib.sh"

LOCKED=127.0.5.40 # cast password 2468
LEGACY=127.0.5.41 # knows no get_auth, names no ip
PLAIN=127.0.5.42  # no screen casting
# The mirroring program's control server "cast" is a socket in the
# temporary folder: one of this script's own.
export TMPDIR=$TMP/tmp
mkdir -p "$TMPDIR"
DATA_DIR=$TMP/data

start_sim locked "$LOCKED" --cast-password 2468
start_sim legacy "$LEGACY" --cast-legacy --cast-no-ip
start_sim plain "$PLAIN" --support file_upload

# start_cast TAG ARGS...: tavlo-cli cast in the background, reading its
# standard input from $TMP/TAG.in, which fd 7 keeps open for say().
start_cast() {
  local tag=$1
  shift
  rm -f "$TMP/$tag.in"
  mkfifo "$TMP/$tag.in"
  run_cli "$tag" cast "$@" <"$TMP/$tag.in" &
  CAST_PID=$!
  exec 7>"$TMP/$tag.in"
}
say() { echo "$1" >&7; }
# end_cast: closes standard input and waits for tavlo-cli to end.
end_cast() {
  exec 7>&-
  wait "$CAST_PID" || true
}
out() { echo "$TMP/out/$1.out"; }

# --- the whole session, password typed and saved ----------------------------
start_cast full --device "$LOCKED" --password-prompt
wait_for_text "$(out full)" "password: "
check "password question names the device" grep -qF '请输入"Tavlo-Sim"的投射密码' "$(out full)"
say 2468
wait_for_text "$(out full)" "cast the screen to Tavlo-Sim? [y/N]"
say y
wait_for_text "$(out full)" "cast connected" 30
say pause
wait_for_text "$(out full)" "cast paused"
say pause
say ratio
say resume
wait_for_text "$(out full)" "cast resumed"
say ratio
wait_for_text "$(out full)" "glimmer: aspect ratio"
say stop
wait_for_text "$(out full)" "the mirroring program ended"
end_cast
check "full session exits 0" [ "$(cli_rc full)" = 0 ]
check "pause while paused and ratio while paused are refused" \
  [ "$(grep -c 'is not possible now' "$TMP/out/full.err")" = 2 ]
check "mirroring program started with the device's address" \
  grep -qxF "glimmer: started -s 1 -i $LOCKED -cs cast" "$(out full)"
check "program got pause, resume, changeAspectRatio, stop in order" \
  [ "$(grep -o 'glimmer: command .*' "$(out full)" | tr '\n' ' ')" = \
    "glimmer: command pause glimmer: command resume glimmer: command changeAspectRatio glimmer: command stop " ]
check "device accepted the cast with a proof" \
  grep -qF "cast-accepted 1920x1080 port=7236 fingo_port=6000 passwd=yes ip=$LOCKED" "$TMP/locked.log"
check "password saved for the device" grep -qxF "CastPassword_sim-127-0-5-40=2468" "$DATA_DIR/config.ini"
check "the password was not echoed or printed" bash -c "! grep -q 2468 '$(out full)'"

# --- the saved password is used without asking --------------------------------
start_cast saved --device "$LOCKED" --screen 1280x720
wait_for_text "$(out saved)" "[y/N]"
say y
wait_for_text "$(out saved)" "cast connected" 30
say stop
wait_for_text "$(out saved)" "the mirroring program ended"
end_cast
check "saved password: exits 0" [ "$(cli_rc saved)" = 0 ]
check "saved password: nothing asked" bash -c "! grep -q 'password: ' '$(out saved)'"
check "screen size told to the device" grep -qF "cast-accepted 1280x720" "$TMP/locked.log"

# --- a password that cannot be asked -------------------------------------------
DATA_DIR=$TMP/data-fresh start_cast unasked --device "$LOCKED"
end_cast
check "password without --password-prompt: exit 1" [ "$(cli_rc unasked)" = 1 ]
check "password without --password-prompt: says how" \
  grep -qF "run with --password-prompt" "$TMP/out/unasked.err"
check "password without --password-prompt: cast not started" \
  bash -c "! grep -q 'glimmer:' '$(out unasked)'"

# --- a declined confirmation ---------------------------------------------------
start_cast declined --device "$LOCKED"
wait_for_text "$(out declined)" "[y/N]"
say n
end_cast
check "declined: exit 1, cancelled" \
  bash -c "[ \"\$(cat '$TMP/out/declined.rc')\" = 1 ] && grep -qxF 'tavlo-cli: cast cancelled' '$TMP/out/declined.err'"
check "declined: the device was told" grep -qF "cast-cancel-confirm" "$TMP/locked.log"

# --- a legacy device without "ip"; end of input stops the cast -----------------
start_cast legacy --device "$LEGACY"
wait_for_text "$(out legacy)" "cast connected" 30
end_cast
check "legacy device: exit 0 after end of input" [ "$(cli_rc legacy)" = 0 ]
check "legacy device: no -i on the command line" \
  grep -qxF "glimmer: started -s 1 -cs cast" "$(out legacy)"
check "legacy device: end of input sent stop" grep -qxF "glimmer: command stop" "$(out legacy)"
check "legacy device: cast without passwd" \
  grep -qF "cast-accepted 1920x1080 port=7236 fingo_port=6000 passwd=no ip=none" "$TMP/legacy.log"
check "legacy device: no confirm was asked" bash -c "! grep -qF '[y/N]' '$(out legacy)'"

# --- a device that cannot receive a cast ----------------------------------------
expect_failure "device without screen casting" 1 "offers no screen casting" none \
  cast --device "$PLAIN"
expect_failure "cast takes no arguments" 2 "no arguments" extra cast now --device "$PLAIN"

# --- a second simulated device whose cast port is taken plays the rest ----------
start_sim second "$LOCKED" --query-port 16050 --request-port 16051
check "cast port taken: the second device says so and listens without it" \
  bash -c "grep -qF 'cast-unavailable $LOCKED port=5000' '$TMP/second.log' &&
    grep -qxF 'listening $LOCKED query=16050 request=16051' '$TMP/second.log'"

finish
