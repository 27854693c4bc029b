#!/usr/bin/env bash
# On a desktop (X server, window manager, another program's window, a tray): one zelmorin per
# user, whatever the state of its window. A second start shows "Zelmorin is already running."
# and brings the running copy's window back, also when that window is hidden from the menu or
# the copy was started hidden; two starts at the same moment leave one copy running.
set -uo pipefail
zelmorin=$(readlink -f "$1")
source "$(dirname "$0")/../support/desktop.sh"
desktop_home
trap desktop_stop EXIT
desktop_start || exit 1
tray_start || exit 1
desktop_simulator
conf=$XDG_CONFIG_HOME/Quillmoor/Zelmorin.conf
mkdir -p "$(dirname "$conf")"

pids=()
launch() { (cd "$DESKTOP_WORK" && exec "$zelmorin" >/dev/null 2>&1) & pids+=($!); }
stop_all() {
    local pid
    dismiss_box || echo "     a message box stays"
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do
        if ! wait_gone 30 "$pid"; then
            bad "a copy still runs 30 s after SIGTERM"
            kill -9 "$pid" 2>/dev/null
        fi
        wait "$pid" 2>/dev/null
    done
    pids=()
}
mains() { count_windows "$ZELMORIN_MAIN"; }
boxes() { zelmorin_boxes | wc -l; }
main_viewable() { local w; w=$(window_of " Zelmorin ") && is_viewable "$w"; }
main_withdrawn() { local w; w=$(window_of " Zelmorin ") && ! is_viewable "$w"; }
has_box() { [ "$(boxes)" -ge 1 ]; }
alive() { kill -0 "$1" 2>/dev/null; }

# second_start WHAT: a second start while the first copy's window is hidden.
second_start() {
    launch
    local second=${pids[-1]}
    if wait_for 30 has_box; then ok "$1: the second copy says it is already running"; else bad "$1: no message"; fi
    if wait_for 30 main_viewable; then ok "$1: the first copy shows its window again"; else bad "$1: window still hidden"; fi
    if [ "$(mains)" -eq 1 ]; then ok "$1: the second copy opens no main window"; else bad "$1: $(mains) main windows"; fi
    dismiss_box
    if wait_gone 30 "$second"; then ok "$1: the second copy ends with its message"; else bad "$1: second copy stays"; fi
    if alive "${pids[0]}"; then ok "$1: the first copy runs on"; else bad "$1: first copy ended"; fi
}

# Hidden from the menu, with xlogo's window open: the window manager lists only xlogo.
launch
wait_for 30 main_viewable || { echo "FAIL no main window"; exit 1; }
menu_command "$(window_of " Zelmorin ")" 1 # Hide
if wait_for 30 main_withdrawn; then ok "Hide withdraws the window into the tray"; else bad "Hide did not hide"; fi
second_start "hidden from the menu"
stop_all

# Started hidden.
printf '[General]\nHidden=1\n' > "$conf"
launch
wait_for 30 eval '[ "$(qt_programs zelmorin)" -eq 1 ]' || bad "started hidden: the program did not start"
# The start is over once the icon is in the tray and the program answers a click on it; the
# window manager has then also done what the start asked of it.
icon_shown() { local icon; icon=$(tray_icon) && is_viewable "$icon"; }
if ! wait_for 30 icon_shown; then
    bad "started hidden: no icon in the tray"
elif ! caught_up "$(tray_icon)"; then
    bad "started hidden: the icon does not answer"
elif ! wm_caught_up; then
    bad "started hidden: the window manager does not answer"
else
    ok "started hidden: the program is up, with its icon in the tray"
fi
if ! main_viewable; then ok "started hidden: the window is not shown"; else bad "started hidden: window shown"; fi
second_start "started hidden"
stop_all

# Two starts at the same moment, several times over: one runs, the other refuses.
rm -f "$conf"
rounds=5 won=0
for round in $(seq "$rounds"); do
    launch
    launch
    # Each copy ends up with a main window or a message: once there are two, both have chosen.
    wait_for 30 eval '[ $(($(mains) + $(boxes))) -ge 2 ]' || true
    if [ "$(mains)" -eq 1 ] && [ "$(boxes)" -eq 1 ]; then won=$((won + 1)); else echo "     round $round: $(mains) main windows, $(boxes) messages"; fi
    stop_all
done
if [ "$won" -eq "$rounds" ]; then ok "two starts at once: one copy runs, $won of $rounds"; else bad "two starts at once: one copy in $won of $rounds"; fi
exit $fail
