#!/usr/bin/env bash
# End to end: what a screen reader is told about the real zelmorin program's main window, read
# over AT-SPI on a private session bus and a private X server. The hidden OK and "Annulla"
# buttons must not be there; every focusable object must have a name.
#   e2e_screen_reader.sh ZELMORIN ATSPI_TREE_PY    (run under xvfb-run and dbus-run-session)
set -uo pipefail
zelmorin=$(readlink -f "$1")
tree=$(readlink -f "$2")
work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
export XDG_CONFIG_DIRS=$work/etc XDG_RUNTIME_DIR=$work/run ZELMORIN_RAS=sim:$work/sim.txt
export QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
mkdir -p "$HOME" "$XDG_CONFIG_DIRS" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
: > "$work/sim.txt"

source "$(dirname "$(readlink -f "$0")")/../support/desktop.sh"
# The accessibility bus comes up by D-Bus activation, as in a desktop session. The program must
# find it already there: started alongside, two launchers race for its name.
a11y_bus_up() {
    dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null 2>&1
}
wait_for 30 a11y_bus_up || { echo "FAIL no accessibility bus"; exit 1; }

(cd "$work" && exec "$zelmorin" >"$work/zelmorin.out" 2>&1) &
pids+=($!)

# Debian's python3-dbus lives in the system interpreter, which a PATH python3 may not be.
if ! /usr/bin/python3 "$tree" Zelmorin 30 > "$work/tree.txt"; then
    echo "FAIL the program never showed up on the accessibility bus"
    cat "$work/zelmorin.out"
    exit 1
fi
cat "$work/tree.txt"

grep -qP '\tpush button\t.*\tHistory\.\.\.$' "$work/tree.txt" && ok "History button listed" || bad "no History button"
grep -qP '\tpush button\t.*\t(OK|Annulla)$' "$work/tree.txt" && bad "hidden OK or Annulla listed" || ok "hidden buttons not listed"
grep -qP '\t.-\t' "$work/tree.txt" && bad "something listed that is not showing" || ok "everything listed is showing"
nameless=$(awk -F'\t' '$3 ~ /^F/ && $4 == ""' "$work/tree.txt")
[ -z "$nameless" ] && ok "every focusable object has a name" || bad "nameless: $nameless"
exit $fail
