#!/usr/bin/env bash
# On a desktop with a window manager: the real zelmorin asks for the password at each guarded
# point (History, Preferences, Exit, and the Advanced page when Preferences are free), typed
# with the keyboard into the real dialog. A wrong or cancelled password is refused without a
# word; the right one, typed in lower case, is accepted. The settings file, which holds the
# password, is private while the program runs.
set -uo pipefail
zelmorin=$(readlink -f "$1")
here=$(dirname "$(readlink -f "$0")")
source "$here/../support/desktop.sh"
desktop_home
pid=""
trap 'kill_app; desktop_stop' EXIT
desktop_start || exit 1

desktop_simulator
mkdir -p "$XDG_CONFIG_DIRS/Quillmoor" "$DESKTOP_WORK/data" "$XDG_CONFIG_HOME/Quillmoor"
printf '[App%%20Paths]\nPath=%s\n' "$DESKTOP_WORK/data" > "$XDG_CONFIG_DIRS/Quillmoor/Zelmorin.conf"
conf=$XDG_CONFIG_HOME/Quillmoor/Zelmorin.conf

check() { local what=$1; shift; if "$@"; then ok "$what"; else bad "$what"; fi; }

kill_app() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; pid=""; }
start_app() {  # FLAGS: the protection settings the run starts with
    printf '[General]\nFlags=%s\nStringFlags=SECRET\n' "$1" > "$conf"
    chmod 644 "$conf" # as an older version left it
    (cd "$DESKTOP_WORK" && exec "$zelmorin" >"$DESKTOP_WORK/out.txt" 2>&1) &
    pid=$!
    wait_shown 30 " Zelmorin " || { bad "no main window"; exit 1; }
}
running() { kill -0 "$pid" 2>/dev/null; }
shown() { is_shown "$1"; }
not_shown() { ! shown "$1"; }
# no_window NAME: the program has made no window of that title, shown or not.
no_window() { ! window_of "$1" >/dev/null; }
asked() { shown "Password required"; }
main() { shown_window " Zelmorin "; }
# The main window's popup menu, then the item N rows down ("Preferences.." is 6, "Exit" 8).
menu() { menu_command "$(main)" "$1"; }
# After an answer: the program has acted on it (see caught_up), so what it did not open by now
# it never opens.
acted() { caught_up "$(main)" || bad "the main window does not answer"; }
history_button() {
    local width
    main=$(shown_window " Zelmorin ")
    width=$(xwininfo -id "$main" | awk '/Width:/ {print $2}')
    xdotool mousemove --window "$main" $((width - 25)) 13 click 1
}
# Answers the password question: TEXT and Enter, or Escape for "cancel".
answer() {
    wait_for 30 asked || { bad "no password question"; return 1; }
    local w
    w=$(shown_window "Password required")
    xdotool windowactivate --sync "$w" 2>/dev/null
    if [ "$1" = cancel ]; then
        xdotool key Escape
    else
        xdotool type --delay 40 "$1"
        xdotool key Return
    fi
    wait_not_shown 30 "Password required" || bad "the password question stays open"
}
# Selects the Preferences sheet's page: the third, Advanced.
advanced_page() {
    local w
    w=$(shown_window "Zelmorin - Properties")
    xdotool windowactivate --sync "$w" 2>/dev/null
    xdotool key --delay 100 ctrl+Tab ctrl+Tab
}
sheet_key() {
    xdotool windowactivate --sync "$(shown_window "Zelmorin - Properties")" 2>/dev/null
    xdotool key --delay 100 "$@"
}

# --- Protection on; Exit, Preferences and History guarded --------------------------------
start_app 15
check "the settings file, which holds the password, is private while the program runs" \
    test "$(stat -c %a "$conf")" = 600

history_button
answer wrong
acted
check "History: a wrong password opens nothing" no_window "Zelmorin - History"
history_button
answer cancel
acted
check "History: Cancel opens nothing" no_window "Zelmorin - History"
history_button
answer secret
check "History: the right password, typed in lower case, opens it" wait_shown 30 "Zelmorin - History"
xdotool windowactivate --sync "$(shown_window "Zelmorin - History")" key alt+F4
wait_not_shown 30 "Zelmorin - History" || bad "History did not close"

menu 6
answer wrong
acted
check "Preferences: a wrong password opens no sheet" no_window "Zelmorin - Properties"
menu 6
answer secret
check "Preferences: the right password opens the sheet" wait_shown 30 "Zelmorin - Properties"
# A question the page asked would be modal and take the Escape that follows the page keys: the
# sheet closing on it shows that the sheet had the page keys, and that nothing asked meanwhile.
advanced_page
sheet_key Escape
check "Preferences guarded: the Advanced page keys reach the sheet, which Escape closes" \
    wait_not_shown 30 "Zelmorin - Properties"
check "Preferences guarded: the Advanced page asks no second time" not_shown "Password required"

menu 8
answer wrong
acted
check "Exit: a wrong password leaves the program running" running
menu 8
answer cancel
acted
check "Exit: Cancel leaves the program running" running
menu 8
answer secret
check "Exit: the right password ends the program" wait_gone 30 "$pid"
wait "$pid" 2>/dev/null
pid=""

# --- Protection on, Preferences free: the Advanced page guards the protection switch -----
start_app 11
menu 6
check "Preferences free: the sheet opens without a question" wait_shown 30 "Zelmorin - Properties"
check "and asks nothing before the Advanced page" not_shown "Password required"
advanced_page
answer wrong
sheet_key alt+p Return  # the switch is locked: OK keeps protection on
wait_not_shown 30 "Zelmorin - Properties" || bad "sheet did not close"
menu 8
check "Advanced page: after a wrong password protection is still on" wait_for 30 asked
answer cancel
menu 6
wait_shown 30 "Zelmorin - Properties" || bad "no sheet"
advanced_page
answer SeCrEt
sheet_key alt+p Return  # unlocked: protection off
wait_not_shown 30 "Zelmorin - Properties" || bad "sheet did not close"
menu 8
check "Advanced page: the right password lets protection be switched off" wait_gone 30 "$pid"
wait "$pid" 2>/dev/null
pid=""
check "and the settings say so" grep -q '^Flags=10$' "$conf"
exit $fail
