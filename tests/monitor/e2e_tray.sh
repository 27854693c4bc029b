#!/usr/bin/env bash
# On a desktop with a window manager and another program's window: the main window can always be
# reached. Without a tray, Hide, Escape and the close box minimise it (and "Hidden" starts it
# minimised); a tray host started after the program gets the icon, whose click shows the window;
# a tray that goes away leaves a hidden window minimised, not withdrawn.
set -uo pipefail
zelmorin=$(readlink -f "$1")
source "$(dirname "$0")/../support/desktop.sh"
desktop_home
trap 'kill $pid 2>/dev/null; desktop_stop' EXIT
desktop_start || exit 1
desktop_simulator
conf=$XDG_CONFIG_HOME/Quillmoor/Zelmorin.conf
mkdir -p "$(dirname "$conf")"

pid=""
launch() { (cd "$DESKTOP_WORK" && exec "$zelmorin" >/dev/null 2>&1) & pid=$!; }
stop() { kill -TERM "$pid"; wait "$pid" 2>/dev/null; pid=""; }
main() { window_of " Zelmorin "; }
shown() { local w; w=$(main) && is_viewable "$w" && ! is_minimised "$w"; }
minimised() { local w; w=$(main) && is_minimised "$w"; }
withdrawn() { local w; w=$(main) && ! is_viewable "$w" && ! is_minimised "$w"; }
restore() { xdotool windowactivate "$(main)" 2>/dev/null; wait_for 30 shown; }

# No tray at all.
launch
wait_for 30 shown || { echo "FAIL no main window"; exit 1; }
menu_command "$(main)" 1 # Hide
if wait_for 30 minimised; then ok "no tray: Hide minimises the window"; else bad "no tray: Hide withdrew the window"; fi
if restore; then ok "no tray: the minimised window can be restored"; else bad "no tray: cannot restore"; fi
xdotool windowactivate --sync "$(main)" key Escape 2>/dev/null
if wait_for 30 minimised; then ok "no tray: Escape minimises the window"; else bad "no tray: Escape withdrew the window"; fi
restore || bad "no tray: cannot restore after Escape"
xdotool windowactivate --sync "$(main)" key alt+F4 2>/dev/null
if wait_for 30 minimised; then ok "no tray: the close box minimises the window"; else bad "no tray: close withdrew the window"; fi
restore || bad "no tray: cannot restore after close"
stop
if grep -q '^Hidden=0' "$conf"; then ok "no tray: a restored window is no longer hidden"; else bad "no tray: Hidden kept: $(grep Hidden "$conf")"; fi

# "Hide the main window" with no tray at start-up, then the tray host comes.
printf '[General]\nHidden=1\n' > "$conf"
launch
if wait_for 30 minimised; then ok "hidden at start-up without a tray: the window starts minimised"; else bad "hidden at start-up: not minimised"; fi
has_icon && bad "an icon with no tray host"
tray_start || exit 1
if wait_for 30 has_icon; then ok "a tray host started later gets the icon"; else bad "no icon in the later tray"; fi
if wait_for 30 withdrawn; then ok "and the hidden window goes into the tray"; else bad "hidden window not withdrawn with a tray"; fi
icon=$(tray_icon)
# The tray maps the icon a moment after embedding it; a click before that goes nowhere, and a
# person would click again. Clicks stay seconds apart, never a double click.
click_icon() { xdotool mousemove --window "$icon" 11 11 click 1; wait_for 15 shown; }
wait_for 30 is_viewable "$icon"
if click_icon || click_icon || click_icon; then ok "a click on the icon shows the window"; else bad "the icon's click shows nothing"; fi

# The tray goes away while the window is hidden.
menu_command "$(main)" 1 # Hide
wait_for 30 withdrawn || bad "with a tray, Hide did not withdraw the window"
tray_stop
if wait_for 30 minimised; then ok "a tray that goes away leaves the hidden window minimised"; else bad "window unreachable after the tray left"; fi

# A tray that comes while the window is shown: the window keeps its title bar on the screen (a
# new native window must not put its client area where the frame was, the title bar above it).
restore || bad "cannot restore the window before the tray comes back"
title_top() {
    local w y top
    w=$(main) || return 1
    y=$(xwininfo -id "$w" | awk '/Absolute upper-left Y/ { print $4 }')
    top=$(xprop -id "$w" _NET_FRAME_EXTENTS | awk -F', ' '{ print $3 }')
    echo $((y - top))
}
before=$(title_top)
tray_start || exit 1
wait_for 30 has_icon || bad "no icon in the tray that came back"
# The program has taken in the new tray once it answers input sent after the icon came; a window
# it made anew is then one the window manager has framed.
placed() { local w; w=$(main) && is_viewable "$w" && is_managed "$w"; }
wait_for 30 placed && caught_up "$(main)" || bad "the main window does not answer once the tray came back"
wait_for 30 placed || bad "the window is not back on the screen once the tray came back"
after=$(title_top)
if [ "$after" -ge 0 ]; then ok "a shown window keeps its title bar on the screen when a tray comes"
else bad "the title bar went off the screen (from $before to $after) when a tray came"; fi
stop
exit $fail
