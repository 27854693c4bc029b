#!/usr/bin/env bash
# Under a real X server (run it through xvfb-run): the program installed under ROOT opens its
# help, from where it was installed, when "Help..." is chosen in its menu. The browser is a
# stand-in xdg-open that writes down what it was asked to open.
#
#   xvfb-run -a packaging/check-installed-help.sh ROOT      (ROOT holds usr/bin/zelmorin)
set -euo pipefail
root=$(readlink -f "$1")
work=$(mktemp -d)
app=""
trap '[ -z "$app" ] || kill "$app" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run
export ZELMORIN_RAS=sim:$work/sim.txt QT_QPA_PLATFORM=xcb
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$work/path" && chmod 700 "$XDG_RUNTIME_DIR"
: >"$work/sim.txt"
printf '#!/bin/sh\nprintf "%%s\\n" "$@" >> "%s"\n' "$work/opened.txt" >"$work/path/xdg-open"
chmod +x "$work/path/xdg-open"
export PATH=$work/path:$PATH

(cd "$work" && exec "$root/usr/bin/zelmorin" >"$work/out.txt" 2>&1) &
app=$!

wait_for() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -lt $end ] || return 1
        sleep 0.2
    done
}
main_window() { xdotool search --onlyvisible --name '^ Zelmorin ' 2>/dev/null | head -1; }
has_window() { [ -n "$(main_window)" ]; }
opened() { [ -s "$work/opened.txt" ]; }

wait_for 15 has_window || {
    echo "check-installed-help: no main window" >&2
    cat "$work/out.txt" >&2
    exit 1
}
window=$(main_window)
# The popup menu: Hide, Always on top, Total, History..., Help...
xdotool mousemove --window "$window" 20 20 click 3
sleep 1
xdotool key Down Down Down Down Down Return
wait_for 10 opened || {
    echo "check-installed-help: nothing was opened" >&2
    exit 1
}
expected="file://$root/usr/share/zelmorin/help/index.html"
if [ "$(cat "$work/opened.txt")" != "$expected" ]; then
    echo "check-installed-help: opened $(cat "$work/opened.txt"), not $expected" >&2
    exit 1
fi
echo "check-installed-help: the installed program opens $expected"
