#!/usr/bin/env bash
# portwarden and gatekit end to end on Linux, where gatekit records rules in a
# file: every run here has a rule file of its own in the scratch folder.
# portwarden-faultstore is the same tool on a gatekit whose store fails at the
# step GATEKIT_TEST_FAULTS names (tests/gatekit/FaultPlan.h).
source "$(dirname "$0")/lib.sh"
PW=$BIN/portwarden
PW_FAULTY=$BIN/portwarden-faultstore
HOST=$BIN/gatekit-host
unset GATEKIT_RULES_FILE GATEKIT_TEST_FAULTS

# run NAME RULES COMMAND...: runs with $RULES as the rule file; keeps
# $TMP/NAME.out, $TMP/NAME.err and $TMP/NAME.rc.
run() {
  local name=$1 rules=$2
  shift 2
  set +e
  GATEKIT_RULES_FILE=$rules "$@" >"$TMP/$name.out" 2>"$TMP/$name.err"
  echo $? >"$TMP/$name.rc"
  set -e
}
output_is() { [ "$(cat "$TMP/$1.out")" = "$2" ]; }
errors_are() { [ "$(cat "$TMP/$1.err")" = "$2" ]; }
status_is() { [ "$(cat "$TMP/$1.rc")" = "$2" ]; }
# rule_count FILE NAME: how many rules of that name the file holds.
rule_count() { grep -cxF "name=$2" "$1" || true; }

# One rule as the store keeps it: rule_text NAME DESCRIPTION DIRECTION PATH.
rule_text() {
  printf '\n[rule]\nname=%s\ndescription=%s\nprotocol=256\nlocalPorts=ALL\n' "$1" "$2"
  printf 'grouping=%s\ninterfaceTypes=ALL\nprofiles=2147483647\naction=1\n' "$1"
  printf 'applicationName=%s\ndirection=%s\nenabled=true\n' "$4" "$3"
}
header() {
  printf 'gatekit-rules 1\n'
  printf '# Firewall rules recorded by gatekit, one [rule] block each. On Linux they\n'
  printf '# are recorded, not enforced: the system firewall does not see them.\n'
}

# --- two runs with the same name: both rules replaced, never doubled.
R=$TMP/twice/rules
for n in 1 2; do
  run twice$n "$R" "$PW" -n Tavlo -p /opt/tavlo/tavlo-client
  check "run $n: both success texts, in order and in their own case" \
    output_is twice$n $'setOutRule Success!\nsetInRule success!'
  check "run $n: exit code 0, nothing on stderr" eval 'status_is twice'$n' 0 && errors_are twice'$n' ""'
done
{
  header
  rule_text "Tavlo - out" "允许Tavlo通过防火墙出站" 2 /opt/tavlo/tavlo-client
  rule_text "Tavlo - in" "允许Tavlo通过防火墙入站" 1 /opt/tavlo/tavlo-client
} >"$TMP/expected-rules"
check "exactly one outbound and one inbound rule with every property" \
  cmp "$R" "$TMP/expected-rules"
check "the lock file sits beside the rules, no temporary files are left" \
  eval '[ "$(ls -A "$TMP/twice" | tr "\n" " ")" = "rules rules.lock " ]'

# --- rules of other programs stay; a name with blanks and other characters.
run other "$R" "$PW" -n "Other app=1" -p "/opt/other app/run"
run again "$R" "$PW" -n Tavlo -p /opt/tavlo/tavlo-client
check "other rules are kept when one program's rules are replaced" eval \
  '[ "$(rule_count "$R" "Other app=1 - out")$(rule_count "$R" "Other app=1 - in")" = 11 ] &&
   [ "$(rule_count "$R" "Tavlo - out")$(rule_count "$R" "Tavlo - in")" = 11 ]'

# --- the tool's own checks end it before the store is touched.
R=$TMP/checks/rules
run nopath "$R" "$PW" -n Tavlo
check "-n without -p: the path error on stderr, exit code -1 (255)" eval \
  'errors_are nopath "[E][main] Application path is empty." && status_is nopath 255 && output_is nopath ""'
run noname "$R" "$PW" -p /opt/tavlo/tavlo-client
check "-p without -n: the name error, exit code -1 (255)" eval \
  'errors_are noname "[E][main] Rule name is empty." && status_is noname 255'
run emptyname "$R" "$PW" -n "" -p /opt/tavlo/tavlo-client
check "an empty -n counts as none" eval 'errors_are emptyname "[E][main] Rule name is empty."'
run unknown "$R" "$PW" -n Tavlo -p /x -q
check "an unknown option ends the tool through the parser" eval \
  'status_is unknown 1 && grep -qF "Unknown option '"'q'"'" "$TMP/unknown.err"'
check "none of these touched the store (not even its folder)" eval '[ ! -e "$TMP/checks" ]'

run help "$R" "$PW" --help
check "--help says that on Linux the rules are recorded, not enforced" eval \
  'status_is help 0 && grep -qF "On Linux the rules are recorded, not enforced" "$TMP/help.out"'

# --- a failing outbound rule: attempted first, and the inbound one still follows.
R=$TMP/faults/rules
run addfails "$R" env GATEKIT_TEST_FAULTS=add:1 "$PW_FAULTY" -n Tavlo -p /opt/tavlo/tavlo-client
check "outbound add fails first, the inbound rule is still added" \
  output_is addfails $'Firewall OutRule Add failed: 0x80004005\nsetInRule success!'
check "library failures leave the exit code 0" status_is addfails 0
check "only the inbound rule was recorded" eval \
  '[ "$(rule_count "$R" "Tavlo - out")$(rule_count "$R" "Tavlo - in")" = 01 ]'

# --- removeRule through the library's export.
R=$TMP/remove/rules
run setup "$R" "$PW" -n Tavlo -p /opt/tavlo/tavlo-client
run removed "$R" "$HOST" remove "Tavlo - out"
check "removeRule of a rule that is there" eval \
  'output_is removed "removeRule Success!" && [ "$(rule_count "$R" "Tavlo - out")$(rule_count "$R" "Tavlo - in")" = 01 ]'
run missing "$R" "$HOST" remove "Tavlo - out"
check "removeRule of a missing rule prints the failure text" \
  output_is missing "Remove Rule failed: 0x80070490"

# --- a corrupt rule file is reported and left as it is.
R=$TMP/corrupt/rules
mkdir -p "$TMP/corrupt"
printf 'gatekit-rules 1\n\n[rule]\nname=Tavlo - out\ndescr' >"$R"
cp "$R" "$TMP/corrupt-before"
run corrupt "$R" "$PW" -n Tavlo -p /opt/tavlo/tavlo-client
check "both rules fail at get_Rules with ERROR_INVALID_DATA" \
  output_is corrupt $'get_Rules failed: 0x8007000d\nget_Rules failed: 0x8007000d'
check "stderr names the file and the fault" \
  grep -qF "the rule file $R is corrupt (line 5: a line that is no key=value pair)" "$TMP/corrupt.err"
check "the corrupt file is not replaced" cmp "$R" "$TMP/corrupt-before"

# --- the library exports the three C functions and nothing else.
check "libgatekit.so exports exactly setOutRule, setInRule and removeRule" eval \
  '[ "$(nm -D --defined-only "$BIN/libgatekit.so" | awk "{print \$3}" | sort | tr "\n" " ")" = \
     "removeRule setInRule setOutRule " ]'

# --- many processes at once: no rule is lost, none is doubled.
R=$TMP/parallel/rules
pids=()
for i in $(seq 1 8); do
  GATEKIT_RULES_FILE=$R "$PW" -n "App $i" -p "/opt/app$i" >"$TMP/parallel-$i.out" 2>&1 &
  pids+=($!)
  GATEKIT_RULES_FILE=$R "$PW" -n Shared -p "/opt/shared$i" >"$TMP/parallel-shared-$i.out" 2>&1 &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid"; done
check "every parallel run succeeded" eval \
  '[ "$(cat "$TMP"/parallel-*.out | grep -c "^set.*[Ss]uccess!$")" = 32 ]'
ok=1
for i in $(seq 1 8); do
  [ "$(rule_count "$R" "App $i - out")$(rule_count "$R" "App $i - in")" = 11 ] || ok=0
done
check "each program's two rules are there once" [ $ok = 1 ]
check "the shared name has one rule per direction" eval \
  '[ "$(rule_count "$R" "Shared - out")$(rule_count "$R" "Shared - in")" = 11 ]'
check "18 rules in all" eval '[ "$(grep -c "^\[rule\]$" "$R")" = 18 ]'
run readback "$R" "$HOST" remove "App 1 - in"
check "the file written by many processes is a valid rule file" output_is readback "removeRule Success!"

finish
