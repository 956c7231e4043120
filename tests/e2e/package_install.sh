#!/usr/bin/env bash
# The Debian package: built from this build with CPack, accepted by lintian
# without errors, unpacked into a scratch root (dpkg -x) with every file
# where the desktop expects it, and the client started from there inside the
# private test network: its window shows on a virtual display, it keeps its
# files in the user's folders, a second start hands files over. Removing the
# scratch root removes everything.
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${LAN_SH:-}" ]; then
  exec "$HARNESS/with-lan.sh" --devices 1 --xvfb cli -- bash "$here/package_install.sh"
fi
source "$here/lib.sh"
build=$(cd "$BIN/.." && pwd)
for tool in cpack dpkg-deb lintian xwininfo; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/setup installs it)"; exit 77; }
done

(cd "$TMP" && cpack -G DEB -B "$TMP/pkg" --config "$build/CPackConfig.cmake" >"$TMP/cpack.log" 2>&1) ||
  { cat "$TMP/cpack.log"; exit 1; }
deb=$(ls "$TMP"/pkg/tavlo_*.deb)
check "the package is built ($(basename "$deb"))" [ -f "$deb" ]
lintian --tag-display-limit 0 "$deb" >"$TMP/lintian.log" 2>&1 || true
check "lintian reports no errors" bash -c "! grep -q '^E: ' '$TMP/lintian.log'"
dpkg-deb -f "$deb" Depends >"$TMP/depends"
check "its dependencies are declared" grep -q 'libqt5widgets5' "$TMP/depends"

root=$TMP/root
dpkg-deb -x "$deb" "$root"
arch_lib=$(dpkg-deb -c "$deb" | sed -n 's|.*\./usr/lib/\([^/]*\)/tavlo/libTavloClient.so$|\1|p')
for path in usr/bin/tavlo-client usr/bin/tavlo-cli usr/bin/tavlo-device-sim usr/bin/portwarden \
  usr/bin/glimmer "usr/lib/$arch_lib/tavlo/libTavloClient.so" "usr/lib/$arch_lib/tavlo/libFingo.so" \
  usr/share/applications/tavlo-client.desktop usr/share/icons/hicolor/48x48/apps/tavlo.png \
  usr/share/icons/hicolor/scalable/apps/tavlo.svg usr/share/man/man1/tavlo-cli.1.gz \
  usr/share/doc/tavlo/copyright etc/ufw/applications.d/tavlo usr/lib/firewalld/services/tavlo.xml; do
  check "installed: /$path" [ -e "$root/$path" ]
done
check "the programs find their libraries from where they are" \
  bash -c "! ldd '$root/usr/bin/tavlo-client' | grep -q 'not found'"
check "the desktop entry offers \"Send to Tavlo device\"" \
  grep -q '^Exec=tavlo-client --send %F' "$root/usr/share/applications/tavlo-client.desktop"

# Started from the unpacked root, as a user would, in the private network.
export HOME=$TMP/home XDG_CONFIG_HOME=$TMP/home/.config XDG_DATA_HOME=$TMP/home/.local/share
export XDG_STATE_HOME=$TMP/home/.local/state
mkdir -p "$HOME" "$XDG_CONFIG_HOME/tavlo"
printf '[General]\nClientName=Packaged PC\n' >"$XDG_CONFIG_HOME/tavlo/config.ini"
display_env=($("$LAN_SH" env cli))
env "${display_env[@]}" "$LAN_SH" x cli "$root/usr/bin/tavlo-client" >"$TMP/client.log" 2>&1 &
client=$!
shown() {
  env "${display_env[@]}" "$LAN_SH" x cli xwininfo -root -tree 2>/dev/null | grep -q '"Tavlo'
}
for _ in $(seq 200); do shown && break; sleep 0.1; done
check "the window shows on the virtual display" shown
# The name it answers with comes from the settings in the user's folder.
"$LAN_SH" x dev1 "$root/usr/bin/tavlo-cli" --data-dir "$TMP/probe" query 10.77.0.1 >"$TMP/query.out" 2>&1 || true
check "settings from the user's config folder" grep -q "Packaged PC" "$TMP/query.out"
check "the database in the user's data folder" [ -f "$XDG_DATA_HOME/tavlo/TavloClient.db" ]
check "the log in the user's state folder" bash -c "ls '$XDG_STATE_HOME'/tavlo/log/TavloClient-*.log >/dev/null"
check "the autostart entry points at the installed program" \
  grep -q "^Exec=$root/usr/bin/tavlo-client -s" "$XDG_CONFIG_HOME/autostart/TavloClientRun.desktop"
rc=0
env "${display_env[@]}" "$LAN_SH" x cli "$root/usr/bin/tavlo-client" --send /etc/hostname || rc=$?
check "a second start hands its files to the first and ends" [ "$rc" = 0 ]
check "the client still runs" kill -0 "$client"
kill "$client"
wait "$client" 2>/dev/null || true
rm -rf "$root"
check "removed without a trace" [ ! -e "$root" ]
[ "$failures" = 0 ] || cat "$TMP/lintian.log" "$TMP/client.log"
finish
