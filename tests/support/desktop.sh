# A desktop for end-to-end tests, sourced by their scripts: an X server of its own (never a fixed
# display number), the openbox window manager, another program's window, and a tray host that
# can start before the program, after it, or never. Everything started here is stopped by
# desktop_stop (called from the caller's EXIT trap).
#
#   source tests/support/desktop.sh
#   desktop_home                  # a private HOME, XDG folders and runtime folder
#   desktop_start                 # Xvfb + openbox + an xlogo window
#   tray_start                    # trayer; tray_stop ends it
#   trap desktop_stop EXIT

_desktop_pids=()

# Checks print a line each; a script ends with "exit $fail".
fail=0
ok() { echo "ok   $1"; }
bad() { echo "FAIL $1"; fail=1; }

# The program's connections come from the simulator's file, empty at first.
desktop_simulator() {
    export ZELMORIN_RAS=sim:$DESKTOP_WORK/sim.txt
    : > "$DESKTOP_WORK/sim.txt"
}
DESKTOP_WORK=""

desktop_home() {
    DESKTOP_WORK=$(mktemp -d)
    export HOME=$DESKTOP_WORK/home
    export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
    export XDG_CONFIG_DIRS=$DESKTOP_WORK/xdg XDG_RUNTIME_DIR=$DESKTOP_WORK/run
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CONFIG_DIRS" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    export QT_QPA_PLATFORM=xcb
    unset SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS
}

# wait_for SECONDS COMMAND...: runs COMMAND until it succeeds or the time is up.
wait_for() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -ge $end ] && return 1
        sleep 0.2
    done
}

_wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

desktop_start() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    _desktop_pids+=($!)
    wait_for 10 test -s "$fdfile" || { echo "FAIL no X server"; return 1; }
    export DISPLAY=:$(head -n1 "$fdfile")
    rm -f "$fdfile"
    openbox --sm-disable >/dev/null 2>&1 &
    _desktop_pids+=($!)
    wait_for 10 _wm_running || { echo "FAIL no window manager"; return 1; }
    # Another program's window: a window manager then lists more than ours.
    xlogo -geometry 200x200+600+300 >/dev/null 2>&1 &
    _desktop_pids+=($!)
    wait_for 10 window_of xlogo >/dev/null || { echo "FAIL no xlogo window"; return 1; }
}

_tray_pid=""
_tray_owned() { xdotool search --classname trayer >/dev/null 2>&1; }
tray_start() {
    trayer --edge top --align right --widthtype pixel --width 120 --height 24 >/dev/null 2>&1 &
    _tray_pid=$!
    _desktop_pids+=($_tray_pid)
    wait_for 10 _tray_owned || { echo "FAIL no tray host"; return 1; }
    sleep 0.5 # the tray selection is claimed once its window is up
}
tray_stop() { [ -n "$_tray_pid" ] && kill "$_tray_pid" 2>/dev/null; _tray_pid=""; }

# window_of NAME: the id of a top-level window whose title starts with NAME (any map state).
window_of() { xdotool search --all --name "^$1" 2>/dev/null | head -n1 | grep .; }
# shown_window NAME: the id of a shown top-level window whose title starts with NAME.
shown_window() { xdotool search --onlyvisible --name "^$1" 2>/dev/null | head -n1 | grep .; }
# is_shown NAME: such a window is shown.
is_shown() { shown_window "$1" >/dev/null; }
# is_viewable ID: the window is mapped and shown.
is_viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
# is_minimised ID: the window manager has it iconified.
is_minimised() { xprop -id "$1" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_HIDDEN; }

# count_windows REGEX: windows of the whole tree (any map state) whose xwininfo line matches.
count_windows() { xwininfo -root -tree 2>/dev/null | grep -cE "$1" || true; }
# Real top-level windows carry a class; Qt's hidden helper windows do not.
ZELMORIN_MAIN='^ *0x[0-9a-f]+ " Zelmorin [^"]*": \("zelmorin"'
# The message boxes of zelmorin on screen: windows the window manager keeps (the tray icon, of
# the same name, is the tray's, not the manager's).
zelmorin_boxes() {
    local id
    for id in $(xdotool search --all --name '^Zelmorin$' 2>/dev/null); do
        is_viewable "$id" && xprop -id "$id" WM_STATE 2>/dev/null | grep -q 'state: Normal' && echo "$id"
    done
}
_no_box() {
    local box
    box=$(zelmorin_boxes | head -n1)
    [ -z "$box" ] && return 0
    xdotool windowactivate --sync "$box" >/dev/null 2>&1 && xdotool key Return
    return 1
}
# dismiss_box: presses Return on zelmorin's message boxes; true once none is shown.
dismiss_box() { wait_for 10 _no_box; }
# Every running Qt program on the display owns one of these, shown or not.
qt_programs() { count_windows '"Qt Selection Owner for '"$1"'"'; }
# menu_command WINDOW N: opens the main window's popup menu and chooses its Nth item
# (separators do not count).
_visible_count() { xdotool search --onlyvisible --classname zelmorin 2>/dev/null | wc -l; }
_more_visible() { [ "$(_visible_count)" -gt "$1" ]; }
menu_command() {
    local before
    before=$(_visible_count)
    # The popup is a window of its own: keys sent before it is mapped go to the main window. A
    # click that lands while a just-shown window is still being mapped opens nothing, and a
    # person would click again.
    local try
    for try in 1 2 3; do
        xdotool mousemove --window "$1" 20 10 click 3
        wait_for 4 _more_visible "$before" && break
        [ "$try" = 3 ] && echo "menu_command: no popup menu"
    done
    # The menu opens under the pointer, which may highlight its first item before the keys
    # come: moved off the menu, the pointer highlights nothing and Down counts from the top.
    xdotool mousemove 1010 750
    sleep 0.3
    xdotool key --repeat "$2" --delay 80 Down
    xdotool key Return
}

desktop_stop() {
    local pid
    for pid in "${_desktop_pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    [ -n "$DESKTOP_WORK" ] && rm -rf "$DESKTOP_WORK"
    return 0
}
