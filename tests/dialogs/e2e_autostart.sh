#!/usr/bin/env bash
# The real program on a desktop: an autostart entry left by a start from another folder names a
# file that does not exist, so the Preferences box shows unticked; ticking it writes an entry that
# starts this executable by its absolute path, in the data folder. The next start shows it ticked
# (unticking then removes it).
set -uo pipefail
zelmorin=$(readlink -f "$1")
source "$(dirname "$0")/../support/desktop.sh"
desktop_home
trap 'kill $pid 2>/dev/null; desktop_stop' EXIT
desktop_start || exit 1
desktop_simulator
entry=$XDG_CONFIG_HOME/autostart/$(basename "$zelmorin").desktop
mkdir -p "$(dirname "$entry")"
printf '[Desktop Entry]\nType=Application\nName=zelmorin\nExec=%s/zelmorin\nPath=%s\n' "$HOME" "$HOME" > "$entry"

pid=""
launch() { (cd "$HOME" && exec "$zelmorin" >/dev/null 2>&1) & pid=$!; }
stop() { kill -TERM "$pid"; wait "$pid" 2>/dev/null; pid=""; }
shown() { local w; w=$(window_of " Zelmorin ") && is_viewable "$w"; }
sheet() { window_of "Zelmorin - Properties"; }
sheet_gone() { ! sheet >/dev/null; }
# Opens Preferences, turns to the Advanced page, flips "Auto-load at Startup" and presses OK.
flip_autostart() {
    menu_command "$(window_of " Zelmorin ")" 6 # Preferences..
    wait_shown 30 "Zelmorin - Properties" || { bad "no Preferences sheet"; return 1; }
    # The keys reach the sheet after the activation that --sync waited for: X keeps their order.
    xdotool windowactivate --sync "$(shown_window "Zelmorin - Properties")" 2>/dev/null
    xdotool key --delay 150 ctrl+Tab ctrl+Tab alt+a Return
    wait_for 30 sheet_gone || bad "the sheet stays open"
}

launch
wait_for 30 shown || { echo "FAIL no main window"; exit 1; }
flip_autostart
expected_exec="Exec=$zelmorin"
case "$zelmorin" in *[[:space:]\"\'\\\$\`]*) expected_exec='Exec="'$zelmorin'"' ;; esac
if grep -qxF "$expected_exec" "$entry" 2>/dev/null; then ok "ticking rewrites the entry to start this executable"; else bad "entry: $(cat "$entry" 2>/dev/null)"; fi
if grep -qxF "Path=$HOME/.local/share/Quillmoor/Zelmorin" "$entry" 2>/dev/null; then ok "in the data folder"; else bad "Path: $(grep Path "$entry" 2>/dev/null)"; fi
if grep -qx 'Name=Zelmorin' "$entry" 2>/dev/null && grep -qx 'Icon=zelmorin' "$entry" 2>/dev/null; then ok "named Zelmorin with its icon"; else bad "Name/Icon"; fi
stop

# The entry now starts this program: the next start shows the box ticked, so the same keys
# untick it and the entry goes.
launch
wait_for 30 shown || bad "no main window at the second start"
flip_autostart
if [ ! -e "$entry" ]; then ok "the next start sees the entry as its own"; else bad "entry still there: $(cat "$entry")"; fi
stop
exit $fail
