#!/usr/bin/env bash
# A private "LAN" of network namespaces on this machine, so that broadcasts
# and multicast DNS never reach a real network (run as root).
#
#   lan.sh up [NDEV]       bridge namespace ${P}lan (br0); client ${P}cli 10.77.0.1;
#                          devices ${P}dev1..NDEV at 10.77.0.2..; a private D-Bus
#                          system bus + avahi-daemon in each namespace named in
#                          $LAN_AVAHI (for example "cli dev1")
#   lan.sh x NAME CMD...   run CMD inside ${P}NAME, with its private bus
#   lan.sh xvfb NAME       start Xvfb :99 inside ${P}NAME (private /tmp);
#                          clients there use DISPLAY=:99
#   lan.sh env NAME        print the environment a GUI program in NAME needs
#   lan.sh down            end every process inside our namespaces, delete them
#
# P is $LAN_PREFIX (default "tv-"), run files live in $LAN_RUN. Every veth is
# created inside the bridge namespace with its peer moved straight into the
# target namespace: nothing is ever added to the machine's own namespace.
set -euo pipefail
P=${LAN_PREFIX:-tv-}
R=${LAN_RUN:-/tmp/tavlo-lan}
NET=10.77.0
AVAHI_NS=${LAN_AVAHI-}

ours() { ip netns list | awk '{print $1}' | grep "^${P}" || true; }
pids_in() { local ns; for ns in $(ours); do ip netns pids "$ns"; done; }

down() {
  local p
  p=$(pids_in)
  [ -n "$p" ] && kill $p 2>/dev/null || true
  for _ in $(seq 50); do [ -z "$(pids_in)" ] && break; sleep 0.1; done
  p=$(pids_in)
  [ -n "$p" ] && kill -9 $p 2>/dev/null || true
  for ns in $(ours); do ip netns del "$ns" 2>/dev/null || true; done
  rm -rf "$R"
}

addhost() { # addhost NAME LAST_OCTET
  local ns=$P$1
  ip netns add "$ns"
  ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
  ip -n "${P}lan" link add "p-$1" type veth peer name eth0 netns "$ns"
  ip -n "${P}lan" link set "p-$1" master br0 up
  ip -n "$ns" addr add "$NET.$2/24" dev eth0
  ip -n "$ns" link set lo up
  ip -n "$ns" link set eth0 up
  # Without a default route sendto(255.255.255.255) fails with ENETUNREACH.
  ip -n "$ns" route add default dev eth0
}

start_avahi() { # private system bus + avahi-daemon inside ${P}NAME
  local ns=$P$1 d=$R/$P$1
  mkdir -p "$d"
  cat >"$d/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>system</type><listen>unix:path=$d/bus</listen><auth>EXTERNAL</auth>
 <policy context="default"><allow user="*"/><allow own="*"/>
  <allow send_destination="*"/><allow receive_sender="*"/></policy></busconfig>
CONF
  printf '%s\n' "[server]" "host-name=$ns" use-ipv4=yes use-ipv6=no allow-interfaces=eth0 \
    enable-dbus=yes ratelimit-interval-usec=1000000 ratelimit-burst=1000 \
    "[wide-area]" enable-wide-area=no "[publish]" publish-hinfo=no publish-workstation=no \
    "[reflector]" enable-reflector=no >"$d/avahi.conf"
  ip netns exec "$ns" dbus-daemon --config-file="$d/bus.conf" --nofork --nopidfile \
    </dev/null >"$d/dbus.log" 2>&1 &
  for _ in $(seq 100); do [ -S "$d/bus" ] && break; sleep 0.02; done
  # avahi keeps its pid file and socket in /run/avahi-daemon: give it its own /run.
  DBUS_SYSTEM_BUS_ADDRESS=unix:path=$d/bus ip netns exec "$ns" unshare -m sh -c \
    'mount -n -t tmpfs -o size=1m tmpfs /run && mkdir /run/avahi-daemon &&
     exec avahi-daemon -f "$1" --no-chroot --no-drop-root --no-rlimits' sh "$d/avahi.conf" \
    </dev/null >"$d/avahi.log" 2>&1 &
  for _ in $(seq 250); do grep -q 'Server startup complete' "$d/avahi.log" && return 0; sleep 0.02; done
  echo "lan.sh: avahi in $ns did not start:" >&2
  cat "$d/avahi.log" "$d/dbus.log" >&2
  return 1
}

bus_of() { # the namespace's private bus, or one that does not exist
  if [ -S "$R/$P$1/bus" ]; then echo "unix:path=$R/$P$1/bus"; else echo "unix:path=$R/no-bus"; fi
}

up() {
  down
  mkdir -p "$R"
  ip netns add "${P}lan"
  ip netns exec "${P}lan" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
  ip -n "${P}lan" link add br0 type bridge mcast_snooping 0
  ip -n "${P}lan" link set br0 up
  addhost cli 1
  local i
  for i in $(seq "${1:-4}"); do addhost "dev$i" $((i + 1)); done
  local jobs=() j h
  for h in $AVAHI_NS; do start_avahi "$h" & jobs+=($!); done
  for j in "${jobs[@]}"; do wait "$j"; done
}

case ${1:-} in
  up) up "${2:-4}" ;;
  down) down ;;
  x)
    name=$2
    shift 2
    # A program that looks for avahi must find this namespace's daemon or
    # none at all, never one outside.
    DBUS_SYSTEM_BUS_ADDRESS=$(bus_of "$name") exec ip netns exec "$P$name" "$@"
    ;;
  xvfb)
    d=$R/$P$2
    mkdir -p "$d/tmp" "$d/xdg"
    chmod 700 "$d/xdg"
    ip netns exec "$P$2" unshare -m sh -c 'mount -n --bind "$1" /tmp &&
      exec Xvfb :99 -nolisten tcp -screen 0 1280x800x24' sh "$d/tmp" \
      </dev/null >"$d/xvfb.log" 2>&1 &
    for _ in $(seq 100); do [ -S "$d/tmp/.X11-unix/X99" ] && exit 0; sleep 0.05; done
    cat "$d/xvfb.log" >&2
    exit 1
    ;;
  env)
    echo "DISPLAY=:99 XDG_RUNTIME_DIR=$R/$P$2/xdg QT_QPA_PLATFORM=xcb"
    ;;
  *)
    echo "usage: $0 up [NDEV] | x NAME CMD... | xvfb NAME | env NAME | down" >&2
    exit 2
    ;;
esac
