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
#
# Sourcing it starts nothing: scripts without an X server of their own use its checks and waits.
# Every wait is for a condition, with a limit in seconds that only a broken program reaches.

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
        sleep 0.2 # how often the condition is looked at
    done
}

# has_line FILE REGEX: a line of FILE matches the extended REGEX.
has_line() { grep -qE -- "$2" "$1" 2>/dev/null; }
# wait_file SECONDS FILE: FILE is there and not empty.
wait_file() { wait_for "$1" test -s "$2"; }
# wait_no_file SECONDS FILE: FILE (or whatever has its name) is gone.
_no_file() { [ ! -e "$1" ] && [ ! -L "$1" ]; }
wait_no_file() { wait_for "$1" _no_file "$2"; }
# wait_line SECONDS FILE REGEX: a line of FILE matches REGEX.
wait_line() { wait_for "$1" has_line "$2" "$3"; }
# line_count FILE: the lines of FILE, 0 when there is none.
line_count() { if [ -f "$1" ]; then wc -l <"$1"; else echo 0; fi; }
# wait_lines SECONDS FILE N: FILE has at least N lines.
_lines_at_least() { [ "$(line_count "$1")" -ge "$2" ]; }
wait_lines() { wait_for "$1" _lines_at_least "$2" "$3"; }
# is_gone PID / wait_gone SECONDS PID: the process has ended (a background job of the caller's
# shell is reaped as it ends, so kill -0 fails from then on).
is_gone() { ! kill -0 "$1" 2>/dev/null; }
wait_gone() { wait_for "$1" is_gone "$2"; }

# D-Bus calls as python3-dbusmock logs them (-l LOG): one line per call, naming its method.
# dbus_calls LOG METHOD [REGEX]: how many calls of METHOD, only those matching REGEX if given.
dbus_calls() { grep -E " $2 " "$1" 2>/dev/null | grep -cE -- "${3:-.}" || true; }
# wait_dbus_calls SECONDS LOG METHOD N [REGEX]: at least N such calls were made.
_dbus_calls_at_least() { [ "$(dbus_calls "$1" "$2" "${4:-.}")" -ge "$3" ]; }
wait_dbus_calls() { wait_for "$1" _dbus_calls_at_least "$2" "$3" "$4" "${5:-.}"; }

# sim_write FILE TEXT: writes TEXT (a line, or nothing when empty) as the simulator's state.
sim_write() { if [ -n "$2" ]; then printf '%s\n' "$2" >"$1"; else : >"$1"; fi; }

_wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# wm_start: openbox on $DISPLAY, once it manages the screen.
wm_start() {
    openbox --sm-disable >/dev/null 2>&1 &
    _desktop_pids+=($!)
    wait_for 30 _wm_running || { echo "FAIL no window manager"; return 1; }
}

desktop_start() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    _desktop_pids+=($!)
    wait_for 30 test -s "$fdfile" || { echo "FAIL no X server"; return 1; }
    export DISPLAY=:$(head -n1 "$fdfile")
    rm -f "$fdfile"
    wm_start || return 1
    # Another program's window: a window manager then lists more than ours.
    xlogo -geometry 200x200+600+300 >/dev/null 2>&1 &
    _desktop_pids+=($!)
    wait_for 30 window_of xlogo >/dev/null || { echo "FAIL no xlogo window"; return 1; }
}

# selection_owned NAME: some client owns the X selection NAME on this display.
selection_owned() {
    python3 - "$1" <<'PY'
import ctypes, sys
x11 = ctypes.CDLL("libX11.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
x11.XInternAtom.restype = ctypes.c_ulong
x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x11.XGetSelectionOwner.restype = ctypes.c_ulong
x11.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
display = x11.XOpenDisplay(None)
if not display:
    sys.exit(2)
sys.exit(0 if x11.XGetSelectionOwner(display, x11.XInternAtom(display, sys.argv[1].encode(), 0)) else 1)
PY
}

_tray_pid=""
_tray_owned() { xdotool search --classname trayer >/dev/null 2>&1; }
tray_start() {
    trayer --edge top --align right --widthtype pixel --width 120 --height 24 >/dev/null 2>&1 &
    _tray_pid=$!
    _desktop_pids+=($_tray_pid)
    wait_for 30 _tray_owned || { echo "FAIL no tray host"; return 1; }
    # The host is a tray once it owns the tray selection, a moment after its window is up.
    wait_for 30 selection_owned _NET_SYSTEM_TRAY_S0 || { echo "FAIL the tray host claims no tray"; return 1; }
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
dismiss_box() { wait_for 30 _no_box; }
# tray_icon: the id of zelmorin's icon, a window of ours embedded in the tray host's panel.
# awk reads to the end: leaving early would end xwininfo with SIGPIPE, a failure under pipefail.
tray_icon() { xwininfo -root -tree 2>/dev/null | awk '/"panel": \("panel" "trayer"\)/ { p = 1 } p && !n && /"Zelmorin": \("zelmorin"/ { print $1; n = 1 }'; }
has_icon() { [ -n "$(tray_icon)" ]; }
# wm_caught_up: asks the window manager to activate xlogo's window and waits until it has.
# The manager handles requests in order: what programs asked of it before, it has done. Another
# window may take the focus meanwhile, so it asks again.
wm_caught_up() {
    local try
    for try in 1 2 3; do
        timeout 30 xdotool windowactivate --sync "$(window_of xlogo)" >/dev/null 2>&1 && return 0
    done
    return 1
}
# Every running Qt program on the display owns one of these, shown or not.
qt_programs() { count_windows '"Qt Selection Owner for '"$1"'"'; }
# wait_shown SECONDS NAME / wait_not_shown SECONDS NAME: a window titled NAME... is (no longer) shown.
_not_shown() { ! is_shown "$1"; }
wait_shown() { wait_for "$1" is_shown "$2"; }
wait_not_shown() { wait_for "$1" _not_shown "$2"; }
# is_managed ID: the window manager has framed the window.
is_managed() { xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '='; }
# is_above ID: the window is kept above others.
is_above() { xprop -id "$1" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_ABOVE; }

# popup_menu WINDOW [X Y [BUTTON]]: opens a popup of WINDOW with a click (by default the main
# window's menu, with the right button at its top left); true once it is shown.
# Tooltips do not count: one shown while the pointer rests on the window hides as the menu
# opens, which would leave the count as it was.
_visible_count() {
    local id n=0
    for id in $(xdotool search --onlyvisible --classname zelmorin 2>/dev/null); do
        xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_TOOLTIP || n=$((n + 1))
    done
    echo "$n"
}
_more_visible() { [ "$(_visible_count)" -gt "$1" ]; }
_not_more_visible() { [ "$(_visible_count)" -le "$1" ]; }
_popup_before=0
popup_menu() {
    _popup_before=$(_visible_count)
    # A click that lands while a just-shown window is still being mapped opens nothing, and a
    # person would click again; a second click on a shown menu would close it, so each try
    # waits long enough for a busy machine.
    local try
    for try in 1 2 3; do
        xdotool mousemove --window "$1" "${2:-20}" "${3:-10}" click "${4:-3}"
        wait_for 20 _more_visible "$_popup_before" && return 0
    done
    echo "popup_menu: no popup menu"
    return 1
}
# menu_command WINDOW N: opens the main window's popup menu and chooses its Nth item
# (separators do not count).
menu_command() {
    popup_menu "$1" || return 1
    # The menu opens under the pointer, which may highlight its first item before the keys
    # come: moved off the menu, the pointer highlights nothing and Down counts from the top.
    # The move reaches the program before the keys, as X delivers a client's input in order.
    xdotool mousemove 1010 750
    xdotool key --repeat "$2" --delay 80 Down
    xdotool key Return
}
# caught_up WINDOW [X Y [BUTTON]]: opens a popup of WINDOW and closes it again. Once it has
# shown, the program has handled all input sent before the click, and everything that input
# made it do at once (X delivers a client's events in order).
caught_up() {
    popup_menu "$@" || return 1
    # A key sent before the menu has taken the keyboard goes elsewhere; a person would press
    # Escape again.
    local try
    for try in 1 2 3; do
        xdotool key Escape
        wait_for 10 _not_more_visible "$_popup_before" && return 0
    done
    echo "caught_up: the popup menu stays"
    return 1
}

desktop_stop() {
    local pid
    for pid in "${_desktop_pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    [ -n "$DESKTOP_WORK" ] && rm -rf "$DESKTOP_WORK"
    return 0
}
