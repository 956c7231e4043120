#!/usr/bin/env bash
# The command-line conventions of tavlo-cli, tavlo-device-sim and
# tavlo-client: --version, help for every command (as `help COMMAND` and as
# `COMMAND --help`, lines of at most 80 columns, every accepted value of an
# option listed), options a command does not take refused, help that starts
# nothing, and --device given as a host name.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/cli_lib.sh"
CLIENT=$BIN/tavlo-client

fits_80() { python3 -c 'import sys; sys.exit(any(len(l.rstrip("\n")) > 80 for l in open(sys.argv[1], encoding="utf-8")))' "$1"; }

check "tavlo-cli --version" grep -qx "tavlo-cli 1.5.5" <("$CLI" --version)
check "tavlo-device-sim --version" grep -qx "tavlo-device-sim 1.5.5" <("$SIM" --version)
check "tavlo-client --version, without a display" \
  grep -qx "tavlo-client 1.5.5" <(env -u DISPLAY -u QT_QPA_PLATFORM "$CLIENT" --version)
env -u DISPLAY -u QT_QPA_PLATFORM "$CLIENT" --help >"$TMP/client-help" 2>&1
check "tavlo-client --help explains its options" grep -q -- "--send FILE" "$TMP/client-help"
check "tavlo-client --help fits 80 columns" fits_80 "$TMP/client-help"

"$CLI" --help >"$TMP/overview"
check "the overview fits 80 columns" fits_80 "$TMP/overview"
for command in $(sed -n '/^Commands:/,/^$/s/^  \([a-z]*\) .*/\1/p' "$TMP/overview"); do
  "$CLI" help "$command" >"$TMP/help-$command" 2>&1
  "$CLI" "$command" --help >"$TMP/flag-$command" 2>&1
  check "help $command: its usage, within 80 columns" \
    bash -c "grep -q '^Usage: tavlo-cli $command' '$TMP/help-$command' && $(declare -f fits_80); fits_80 '$TMP/help-$command'"
  check "$command --help says the same" cmp -s "$TMP/help-$command" "$TMP/flag-$command"
done
check "the sort orders are all listed" \
  bash -c "for o in file_name_increase file_name_decrease date_modified_increase date_modified_decrease file_size_increase file_size_decrease; do tr -s ' \n' ' ' <'$TMP/help-ls' | grep -q \$o || exit 1; done"
expect_failure "an option the command does not take" 2 "does not take --secure" ls-secure ls --secure --device 127.0.0.1
expect_failure "help of an unknown command" 2 "unknown command" help-unknown help sideways

# Help and version start no device and open no port.
"$SIM" --help >"$TMP/sim-help" 2>&1
check "tavlo-device-sim --help fits 80 columns" fits_80 "$TMP/sim-help"
check "tavlo-device-sim --help starts no device" bash -c "! grep -q '^listening' '$TMP/sim-help'"
rc=0
timeout 10 "$SIM" --help-all >"$TMP/sim-help-all" 2>&1 || rc=$?
check "tavlo-device-sim --help-all is refused and starts nothing" \
  bash -c "[ $rc = 2 ] && ! grep -q '^listening' '$TMP/sim-help-all'"

# --device takes a host name.
start_sim named 127.0.0.1 --sample-files
expect_success "--device localhost" named-ls --device localhost ls /Pictures
check "the device named by its host name answered" grep -q "poster.png" "$TMP/out/named-ls.out"
expect_failure "an unknown host" 2 "unknown host" no-host ls --device no-such-host.invalid

finish
