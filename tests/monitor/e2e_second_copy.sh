#!/usr/bin/env bash
# Under a real X server: while one zelmorin runs, a second start shows "Zelmorin is already
# running." and never opens a main window of its own.
set -euo pipefail
zelmorin=$(readlink -f "$1")
work=$(mktemp -d)
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
export ZELMORIN_RAS=sim:$work/sim.txt QT_QPA_PLATFORM=xcb
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
: > "$work/sim.txt"
first="" second=""
trap 'kill $first $second 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

tree() { xwininfo -root -tree 2>/dev/null || true; }
count_main() { tree | grep -c '^ *0x[0-9a-f]* " Zelmorin ' || true; }
# Real top-level windows carry a class; Qt's hidden helper window named "Zelmorin" does not.
count_boxes() { tree | grep -c '"Zelmorin": ("zelmorin"' || true; }
wait_for() {
    local end=$((SECONDS + $1)); shift
    until "$@"; do [ $SECONDS -ge $end ] && return 1; sleep 0.2; done
}
has_main() { [ "$(count_main)" -ge 1 ]; }
has_box() { [ "$(count_boxes)" -ge 1 ]; }

fail=0
(cd "$work" && exec "$zelmorin" >/dev/null 2>&1) & first=$!
if wait_for 15 has_main; then echo "ok   the first copy's window is titled ' Zelmorin '"; else echo "FAIL no main window"; exit 1; fi

if [ "$(count_boxes)" -ne 0 ]; then echo "FAIL a message box before the second start"; fail=1; fi
(cd "$work" && exec "$zelmorin" >"$work/second.txt" 2>&1) & second=$!
if wait_for 15 has_box; then echo "ok   the second copy shows its message"; else echo "FAIL no message box"; fail=1; fi
if [ "$(count_main)" -eq 1 ]; then echo "ok   and opens no main window"; else echo "FAIL two main windows"; fail=1; fi
if kill -0 "$second" 2>/dev/null; then echo "ok   the second copy waits on its message"; else echo "FAIL second copy gone"; fail=1; fi
if kill -0 "$first"; then echo "ok   the first copy runs on"; else echo "FAIL first copy ended"; fail=1; fi
exit $fail
