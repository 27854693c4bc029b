#!/usr/bin/env bash
# On a desktop with a window manager: SIGTERM or SIGHUP ends the real zelmorin whatever it has
# open (the About box, the Preferences sheet, a password question, a
# message box, a popup menu), as if each were cancelled. The settings changed in the run are
# saved (an 8-bit entry name as the same bytes) and the running connection stays in its
# checkpoint, not in the log. The program means to be gone within two seconds; the time taken
# is printed, not checked, since a busy machine can take longer.
set -uo pipefail
zelmorin=$(readlink -f "$1")
here=$(dirname "$(readlink -f "$0")")
source "$here/../support/desktop.sh"
desktop_home
pid=""
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; desktop_stop' EXIT
desktop_start || exit 1

export ZELMORIN_RAS=sim:$DESKTOP_WORK/sim.txt
data=$DESKTOP_WORK/data
mkdir -p "$XDG_CONFIG_DIRS/Quillmoor" "$data" "$XDG_CONFIG_HOME/Quillmoor"
printf '[App%%20Paths]\nPath=%s\n' "$data" > "$XDG_CONFIG_DIRS/Quillmoor/Zelmorin.conf"
conf=$XDG_CONFIG_HOME/Quillmoor/Zelmorin.conf
checkpoint=$data/'~$ZMCUR.$$$'
log=$data/Zelmorin.Log

running() { kill -0 "$pid" 2>/dev/null; }
# "Always on top" gives the main window a new X window: look it up each time.
main() { shown_window " Zelmorin "; }
menu() { menu_command "$(main)" "$1"; } # the main window's popup menu, then the item N rows down
on_top() { local w; w=$(main) && is_above "$w"; }
keys_to() {  # TITLE KEYS...: keys for the window titled TITLE
    local w
    w=$(shown_window "$1")
    shift
    xdotool windowactivate --sync "$w" 2>/dev/null
    xdotool key --delay 100 "$@"
}

# Starts the program connected, with protection FLAGS, and changes "Always on top" so that the
# saved settings can tell this run's end from none.
start_app() {
    rm -f "$conf" "$checkpoint" "$log"
    # An entry name in an 8-bit code page, as a phone book may hold it.
    printf '[General]\nFlags=%s\nStringFlags=SECRET\nSelectedISP=@ByteArray(Caf\\xe9)\n' "$1" > "$conf"
    printf 'connected Office\n' > "$DESKTOP_WORK/sim.txt"
    (cd "$DESKTOP_WORK" && exec "$zelmorin" >"$DESKTOP_WORK/out.txt" 2>&1) &
    pid=$!
    wait_shown 30 " Zelmorin " || { bad "no main window"; exit 1; }
    wait_file 30 "$checkpoint" || bad "no checkpoint while connected"
    menu 2 # Always on top
    wait_for 30 on_top || bad "Always on top did not take"
}

# SIGNAL WHAT: sends the signal and checks how the program ended.
end_with() {
    local signal=$1 what=$2 start elapsed
    if ! running; then bad "$what: the program had already ended"; return; fi
    start=$(date +%s%N)
    kill -"$signal" "$pid"
    if wait_gone 30 "$pid"; then
        elapsed=$((($(date +%s%N) - start) / 1000000))
        # wait_gone looks every 0.2 s: what it measures is at most that much late.
        ok "$what: SIG$signal ends the program (in about ${elapsed} ms)"
    else
        bad "$what: still running 30 s after SIG$signal"
        kill -9 "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
    pid=""
    if grep -q '^OnTop=1$' "$conf"; then ok "$what: settings saved"; else bad "$what: settings not saved"; fi
    if grep -qF 'SelectedISP=@ByteArray(Caf\xe9)' "$conf"; then
        ok "$what: an 8-bit entry name keeps its bytes"
    else
        bad "$what: $(grep SelectedISP "$conf")"
    fi
    if [ -s "$checkpoint" ] && [ ! -s "$log" ]; then
        ok "$what: the connection stays in its checkpoint"
    else
        bad "$what: checkpoint $( [ -s "$checkpoint" ] && echo kept || echo missing), log $(cat "$log" 2>/dev/null)"
    fi
}

start_app 6
menu 7 # About Zelmorin
wait_shown 30 "About Zelmorin" || bad "no About box"
end_with TERM "About box"

start_app 6
menu 6 # Preferences..
wait_shown 30 "Zelmorin - Properties" || bad "no Preferences sheet"
end_with TERM "Preferences sheet"

start_app 6
menu 6
wait_shown 30 "Zelmorin - Properties" || bad "no Preferences sheet"
end_with HUP "Preferences sheet"

start_app 7 # protection on, Preferences guarded
menu 6
wait_shown 30 "Password required" || bad "no password question"
end_with TERM "password question"

# Two different new passwords give a message box over the new-password dialog over the sheet.
start_app 6
menu 6
wait_shown 30 "Zelmorin - Properties" || bad "no Preferences sheet"
keys_to "Zelmorin - Properties" ctrl+Tab ctrl+Tab alt+p
wait_shown 30 "New Password" || bad "no new-password dialog"
keys_to "New Password" a Tab b Return
wait_shown 30 'Zelmorin$' || bad "no message box"
end_with TERM "message box"

start_app 6
popup_menu "$(main)" || bad "no popup menu"
end_with TERM "popup menu"
exit $fail
