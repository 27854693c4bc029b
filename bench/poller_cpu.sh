#!/usr/bin/env bash
# Runs zelmorin-poller-cpu on each provider, with no connection and with one: NetworkManager
# played by python3-dbusmock on a private bus, pppd on a fake system tree (with 300 other
# processes, about what a desktop runs), and the simulator file.
#
# Usage: bench/poller_cpu.sh PATH/TO/zelmorin-poller-cpu [SECONDS]   (default 60 s per case)
set -euo pipefail

bin=$(realpath "$1")
seconds=${2:-60}
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Simulator.
: >"$work/sim-none.txt"
printf 'entry Backup\nconnected Office\n' >"$work/sim-one.txt"

# pppd on a fake tree.
root="$work/root"
mkdir -p "$root/etc/ppp/peers" "$root/run" "$root/sys/class/net/ppp0"
touch "$root/etc/ppp/peers/office"
for pid in $(seq 100 399); do
  mkdir -p "$root/proc/$pid"
  printf '/usr/lib/some/daemon-%s\0--option\0value\0' "$pid" >"$root/proc/$pid/cmdline"
done
mkdir -p "$root/proc/self" "$root/proc/sys"

# NetworkManager on a private bus.
python=/usr/bin/python3
cat >"$work/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><listen>unix:path=$work/bus</listen><auth>EXTERNAL</auth>
<policy context="default"><allow send_destination="*" eavesdrop="true"/><allow eavesdrop="true"/>
<allow own="*"/></policy></busconfig>
CONF
dbus-daemon --config-file="$work/bus.conf" --nofork --print-address >"$work/address" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/address" ] && break; sleep 0.05; done
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/bus"
"$python" -m dbusmock --template networkmanager --system >/dev/null 2>&1 &
pids+=($!)
nm_call() {
  "$python" - "$@" <<'PY'
import sys, time, dbus
bus = dbus.SystemBus()
for _ in range(100):
    if bus.name_has_owner('org.freedesktop.NetworkManager'):
        break
    time.sleep(0.05)
settings = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager', '/org/freedesktop/NetworkManager/Settings'),
                          'org.freedesktop.NetworkManager.Settings')
mock = dbus.Interface(bus.get_object('org.freedesktop.NetworkManager', '/org/freedesktop'), 'org.freedesktop.DBus.Mock')
if sys.argv[1] == 'profiles':
    settings.AddConnection({'connection': {'id': 'Office', 'type': 'vpn'}})
    settings.AddConnection({'connection': {'id': 'lo', 'type': 'loopback'}})
else:
    mock.AddActiveConnection([], settings.ListConnections()[0], '/', '0', dbus.UInt32(2))
PY
}

# Baseline: the same once-a-second wake-up with a poll that finds no file, to tell what the
# thread's wake-up itself costs on this machine.
"$bin" "sim:$work/missing.txt" "$seconds"

nm_call profiles
"$bin" nm "$seconds"
nm_call activate
"$bin" nm "$seconds"

"$bin" "pppd-root:$root" "$seconds"
mkdir -p "$root/proc/4242"
printf '/usr/sbin/pppd\0call\0office\0' >"$root/proc/4242/cmdline"
echo 4242 >"$root/run/ppp0.pid"
echo 0x1091 >"$root/sys/class/net/ppp0/flags"
"$bin" "pppd-root:$root" "$seconds"

"$bin" "sim:$work/sim-none.txt" "$seconds"
"$bin" "sim:$work/sim-one.txt" "$seconds"
