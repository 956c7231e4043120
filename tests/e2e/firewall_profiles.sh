#!/usr/bin/env bash
# The firewall profiles shipped for the client's ports (packaging/firewall/):
# the firewalld service is well-formed XML, and both profiles open exactly the
# client's ports, which README.md lists (firewall_profiles.py).
set -euo pipefail
here=$(dirname "$0")
root=$here/../..
xml=$root/packaging/firewall/firewalld/tavlo.xml
xmllint --noout "$xml"
echo "PASS: $xml is well-formed"
exec python3 "$here/firewall_profiles.py" "$root/packaging/firewall/ufw/tavlo" "$xml" \
  "$root/README.md"
