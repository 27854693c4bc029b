#!/usr/bin/env bash
# End to end: the real zelmorin with the simulated provider warns about the allowance through
# the desktop's notification service - a python3-dbusmock notification daemon on a session bus
# of its own - once per threshold, and not again after a restart. Each "not again" is checked
# once the program has shown that it polled through the time in question.
#   e2e_allowance_notify.sh ZELMORIN
set -uo pipefail
zelmorin=$(readlink -f "$1")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/desktop.sh"
desktop_home
desktop_simulator
export TZ=Europe/Rome QT_QPA_PLATFORM=offscreen
work=$DESKTOP_WORK
pid="" bus_pid="" mock_pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    [ -n "$mock_pid" ] && kill "$mock_pid" 2>/dev/null
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
    wait 2>/dev/null
    desktop_stop
}
trap cleanup EXIT

# Debian's python3-dbusmock lives in the system interpreter, which a PATH python3 may not be.
python=""
for candidate in /usr/bin/python3 python3; do
    if "$candidate" -c 'import dbusmock' 2>/dev/null; then python=$candidate; break; fi
done
[ -n "$python" ] || { echo "FAIL python3-dbusmock is not installed"; exit 1; }

dbus-daemon --session --nofork --print-address=1 >"$work/bus" 2>"$work/bus.err" &
bus_pid=$!
wait_file 30 "$work/bus" || { echo "FAIL no session bus: $(cat "$work/bus.err")"; exit 1; }
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
"$python" -m dbusmock --template notification_daemon -l "$work/calls" >"$work/mock.out" 2>&1 &
mock_pid=$!
_service_up() { dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
    string:org.freedesktop.Notifications 2>/dev/null | grep -q 'boolean true'; }
wait_for 30 _service_up || { echo "FAIL no notification daemon: $(cat "$work/mock.out")"; exit 1; }

# One hour a day, warned at half; the log holds 59:55 of today already.
config=$XDG_CONFIG_HOME/Quillmoor/Zelmorin.conf
data=$XDG_DATA_HOME/Quillmoor/Zelmorin
log=$data/Zelmorin.Log
checkpoint=$data/'~$ZMCUR.$$$'
mkdir -p "$(dirname "$config")" "$data"
printf '[Allowance]\nOn=1\nMinutes=60\nPeriod=1\nWarnPercent=50\n' >"$config"
today=$(date +%d/%m/%Y)
printf '%s 00:00:00  %s 00:59:55  00:59:55  Office\r\n' "$today" "$today" >"$log"

used_up='the connection time allowance is used up'
notified() { dbus_calls "$work/calls" Notify; }
count_is() { [ "$(notified)" -eq "$1" ]; }
# The warnings other than the used-up one.
share_warnings() { grep ' Notify ' "$work/calls" 2>/dev/null | grep -vc "$used_up" || true; }
start() {
    (cd "$work" && exec "$zelmorin" >>"$work/out.txt" 2>&1) &
    pid=$!
}
stop() {
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null
    pid=""
}
# connect_seen: a connection starts; true once the program has taken it in. It checks the
# allowance at each poll, the one that writes the checkpoint included.
connect_seen() {
    sim_write "$work/sim.txt" "connected Office"
    wait_file 30 "$checkpoint"
}

start
if wait_dbus_calls 30 "$work/calls" Notify 1; then ok "the warning share reached gives one notification"; else bad "notifications: $(notified)"; fi
if grep -q 'Zelmorin: 99 % of the connection time allowance used' "$work/calls"; then
    ok "it says the share used"
else
    bad "warning text: $(cat "$work/calls")"
fi
stop
start
if connect_seen; then ok "after a restart the program polls a new connection"; else bad "no checkpoint after the restart"; fi
if [ "$(share_warnings)" -eq 1 ]; then ok "a restart does not give it again"; else bad "after a restart: $(cat "$work/calls")"; fi

if wait_dbus_calls 30 "$work/calls" Notify 1 "$used_up" && count_is 2; then
    ok "the allowance used up gives the second"
else
    bad "notifications: $(notified)"
fi
if grep -q "Zelmorin: $used_up" "$work/calls"; then
    ok "it says the allowance is used up"
else
    bad "used-up text: $(cat "$work/calls")"
fi
# The connection runs on past the allowance for some polls; its end, logged by a later poll,
# shows that the program went on polling meanwhile.
sleep 3
sim_write "$work/sim.txt" ""
if wait_lines 30 "$log" 2; then ok "the connection's end is logged"; else bad "the end is not logged: $(cat "$log")"; fi
if count_is 2; then ok "the running connection does not repeat it"; else bad "repeated: $(notified)"; fi
wait_no_file 30 "$checkpoint" || bad "the checkpoint stays after the end"
stop
start
if connect_seen; then ok "after the second restart the program polls a new connection"; else bad "no checkpoint after the second restart"; fi
if count_is 2; then ok "nor does the next start"; else bad "after the second restart: $(notified)"; fi
stop
if grep -q '^NotifiedLevel=2$' "$config"; then ok "the level given is stored"; else bad "settings: $(cat "$config")"; fi
exit $fail
