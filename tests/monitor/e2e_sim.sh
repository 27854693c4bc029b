#!/usr/bin/env bash
# End to end: the real zelmorin program with the simulator provider, a temporary home and
# data folder. Connections are driven through the simulator's file; the log, checkpoint and
# settings files are read back.
set -euo pipefail
zelmorin=$(readlink -f "$1")
work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CONFIG_DIRS=$work/etc XDG_RUNTIME_DIR=$work/run
export TZ=Europe/Rome QT_QPA_PLATFORM=offscreen ZELMORIN_RAS=sim:$work/sim.txt
mkdir -p "$XDG_CONFIG_DIRS/Quillmoor" "$work/data" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
printf '[App%%20Paths]\nPath=%s\n' "$work/data" > "$XDG_CONFIG_DIRS/Quillmoor/Zelmorin.conf"
log=$work/data/Zelmorin.Log
checkpoint=$work/data/'~$ZMCUR.$$$'
: > "$work/sim.txt"

source "$(dirname "$(readlink -f "$0")")/../support/desktop.sh"
lines() { line_count "$log"; }
has_lines() { [ "$(lines)" -eq "$1" ]; }
start() {
    (cd "$work" && exec "$zelmorin" >"$work/out.txt" 2>&1) &
    pid=$!
}
stop() {  # SIGTERM: the session's end
    kill -TERM "$pid"
    wait "$pid" || true
    pid=""
}

start
began=$SECONDS
printf 'connected Office\n' > "$work/sim.txt"
if wait_file 30 "$checkpoint"; then ok "a connection writes its checkpoint at once"; else bad "no checkpoint"; fi
if [ "$(tail -c 6 "$checkpoint")" = "Office" ]; then ok "the checkpoint names the entry"; else bad "checkpoint content"; fi
: > "$work/sim.txt"
if wait_for 30 has_lines 1; then ok "the end of the connection is logged"; else bad "no log line"; fi
took=$((SECONDS - began + 1))
if grep -qE '^[0-9]{2}/[0-9]{2}/[0-9]{4} [0-9:]{8}  [0-9/]{10} [0-9:]{8}  [0-9]{2}:[0-9]{2}:[0-9]{2}  Office'$'\r''$' "$log"; then
    ok "the log line has the log's format"
else
    bad "log line: $(cat -A "$log")"
fi
# The logged time is the connection's as the program saw it: no longer than the test has run.
logged=$(awk '{ split($5, t, ":"); print t[1] * 3600 + t[2] * 60 + t[3]; exit }' "$log")
if [ "${logged:-x}" -ge 0 ] 2>/dev/null && [ "$logged" -le "$took" ]; then
    ok "the logged time ($logged s) is within the connection's ($took s)"
else
    bad "logged $logged s for a connection of at most $took s"
fi
if wait_no_file 30 "$checkpoint"; then ok "the checkpoint goes with the end"; else bad "checkpoint left"; fi

printf 'connected Home ISP\n' > "$work/sim.txt"
wait_file 30 "$checkpoint" || bad "second connection has no checkpoint"
stop
if [ -e "$checkpoint" ] && [ "$(lines)" -eq 1 ]; then
    ok "stopping while connected leaves the connection in the checkpoint only"
else
    bad "after stop: $(lines) lines, checkpoint $( [ -e "$checkpoint" ] && echo present || echo missing)"
fi
if grep -q '^PosX=' "$XDG_CONFIG_HOME/Quillmoor/Zelmorin.conf" 2>/dev/null; then ok "settings saved at the session's end"; else bad "no settings"; fi
# They hold the password: readable by their owner only.
if [ "$(stat -c %a "$XDG_CONFIG_HOME/Quillmoor/Zelmorin.conf")" = 600 ]; then ok "settings file is private"; else bad "settings mode $(stat -c %a "$XDG_CONFIG_HOME/Quillmoor/Zelmorin.conf")"; fi

: > "$work/sim.txt"
start
if wait_for 30 has_lines 2; then ok "the next start logs the checkpointed connection"; else bad "not recovered"; fi
if grep -q '  Home ISP'$'\r''$' "$log" && [ ! -e "$checkpoint" ]; then ok "recovered under its name, checkpoint removed"; else bad "recovery"; fi
stop
exit $fail
