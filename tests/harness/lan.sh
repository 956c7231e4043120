#!/usr/bin/env bash
# A private "LAN" of network namespaces on this machine, so that broadcasts
# and multicast DNS never reach a real network (run as root).
#
#   lan.sh up [NDEV]       bridge namespace ${P}lan (br0); client ${P}cli 10.77.0.1;
#                          devices ${P}dev1..NDEV (1 to 252, default 4) at
#                          10.77.0.2..; a private D-Bus
#                          system bus + avahi-daemon in each namespace named in
#                          $LAN_AVAHI (for example "cli dev1")
#   lan.sh x NAME CMD...   run CMD inside ${P}NAME, with its private bus
#   lan.sh xvfb NAME       start Xvfb :99 inside ${P}NAME (private /tmp);
#                          clients there use DISPLAY=:99
#   lan.sh env NAME        print the environment a GUI program in NAME needs
#   lan.sh down            end every process inside our namespaces, delete them;
#                          fails when a namespace of ours is left over
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

# Every process inside one of our namespaces: one pass over /proc that
# compares each process's network namespace with ours (a namespace per
# device makes asking ip for each one slow).
pids_in() {
  local ns inode wanted=" " link pid
  for ns in $(ours); do
    inode=$(stat -L -c %i "/run/netns/$ns" 2>/dev/null) && wanted+="net:[$inode] "
  done
  [ "$wanted" = " " ] && return 0
  for link in /proc/[0-9]*/ns/net; do
    pid=${link#/proc/}
    pid=${pid%%/*}
    case $wanted in *" $(readlink "$link" 2>/dev/null) "*) echo "$pid" ;; esac
  done
}

down() {
  local p left
  p=$(pids_in)
  [ -n "$p" ] && kill $p 2>/dev/null || true
  for _ in $(seq 50); do [ -z "$(pids_in)" ] && break; sleep 0.1; done
  p=$(pids_in)
  [ -n "$p" ] && kill -9 $p 2>/dev/null || true
  for ns in $(ours); do ip netns del "$ns" 2>/dev/null || true; done
  rm -rf "$R"
  left=$(ours)
  if [ -n "$left" ]; then
    echo "lan.sh: namespaces left over: $left" >&2
    return 1
  fi
}

# Makes the namespaces of the hosts named in $@ and links each to the bridge
# (veth "p-NAME" in the bridge namespace, "eth0" inside the host's). Batched:
# a few hundred hosts take seconds, not minutes.
addhosts() {
  local name
  for name in "$@"; do echo "netns add $P$name"; done | ip -batch -
  for name in "$@"; do
    # Before any interface comes up: no IPv6 chatter on the test network.
    ip netns exec "$P$name" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 \
      net.ipv6.conf.default.disable_ipv6=1
  done
  for name in "$@"; do
    echo "link add p-$name type veth peer name eth0 netns $P$name"
    echo "link set p-$name master br0 up"
  done | ip -n "${P}lan" -batch -
}

hostaddress() { # hostaddress NAME LAST_OCTET: address, links up, route
  # Without a default route sendto(255.255.255.255) fails with ENETUNREACH.
  printf '%s\n' "addr add $NET.$2/24 dev eth0" "link set lo up" "link set eth0 up" \
    "route add default dev eth0" | ip -n "$P$1" -batch -
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
  local count=${1:-4}
  if ! [[ $count =~ ^[0-9]+$ ]] || [ "$count" -lt 1 ] || [ "$count" -gt 252 ]; then
    echo "lan.sh: NDEV must be 1 to 252 (one /24 network), not '$count'" >&2
    return 2
  fi
  down
  mkdir -p "$R"
  ip netns add "${P}lan"
  ip netns exec "${P}lan" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
  ip -n "${P}lan" link add br0 type bridge mcast_snooping 0
  ip -n "${P}lan" link set br0 up
  local i hosts=(cli)
  for i in $(seq "$count"); do hosts+=("dev$i"); done
  addhosts "${hosts[@]}"
  hostaddress cli 1
  for i in $(seq "$count"); do hostaddress "dev$i" $((i + 1)); done
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
