# Wayland and StatusNotifier desktops for end-to-end tests, sourced after desktop.sh (whose
# desktop_home, wait_for, ok and bad they use): a headless weston or sway of its own, a session
# bus of its own, and a StatusNotifier panel (tests/support/sni_panel.py) that can start before
# the program, after it, restart, hang, or never come. Everything started here is stopped by
# wayland_stop.
#
#   weston_start                 # weston, headless; WAYLAND_DISPLAY and QT_QPA_PLATFORM=wayland
#   weston_shot FILE             # a screenshot of the whole output
#   sway_start                   # sway, headless, which honours xdg-activation; SWAYSOCK too
#   sway_view TITLE_REGEX        # "focused|unfocused visible|hidden WORKSPACE" of that window
#   sway_token APP_ID            # an activation token sway issued, as a launcher gets one
#   background COMMAND...        # another program, stopped by wayland_stop
#   bus_start                    # a private session bus
#   panel_start / panel_stop     # the StatusNotifierWatcher and host
#   panel_item                   # "SERVICE PATH" of the first item registered with the panel
#   sni ARGS...                  # tests/support/sni_item.py with the system python

_wayland_support=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
_wayland_pids=()
_panel_pid=""
PANEL_ITEMS=""

weston_start() {
    local socket=wl-zelmorin-$$
    weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 --socket="$socket" \
        --shell=desktop-shell.so --debug >"$DESKTOP_WORK/weston.log" 2>&1 &
    _wayland_pids+=($!)
    wait_for 20 test -S "$XDG_RUNTIME_DIR/$socket" || { echo "FAIL no weston: $(tail -3 "$DESKTOP_WORK/weston.log")"; return 1; }
    export WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland
    unset DISPLAY
}

# weston_shot FILE: weston-screenshooter writes into the current folder under a name of its own.
weston_shot() {
    local dir
    dir=$(mktemp -d)
    (cd "$dir" && weston-screenshooter >/dev/null 2>&1) || { rm -rf "$dir"; return 1; }
    local shot
    shot=$(ls "$dir"/*.png 2>/dev/null | head -n1)
    [ -n "$shot" ] && mv "$shot" "$1"
    rm -rf "$dir"
    [ -s "$1" ]
}

sway_start() {
    local conf=$DESKTOP_WORK/sway.conf env=$DESKTOP_WORK/sway.env
    # Activation moves the focus, as a launcher's click expects; sway's own default only marks
    # the window urgent.
    cat >"$conf" <<EOF
output HEADLESS-1 resolution 1024x768
xwayland disable
focus_on_window_activation focus
exec echo "\$WAYLAND_DISPLAY \$SWAYSOCK" >$env.new && mv $env.new $env
EOF
    local as=()
    # sway refuses to run as root; in a user namespace of its own it is not root.
    [ "$(id -u)" -eq 0 ] && as=(unshare --user)
    env -u DISPLAY -u WAYLAND_DISPLAY WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        "${as[@]}" sway --debug -c "$conf" >"$DESKTOP_WORK/sway.log" 2>&1 &
    _wayland_pids+=($!)
    wait_for 20 test -s "$env" || { echo "FAIL no sway: $(grep -m3 ERROR "$DESKTOP_WORK/sway.log")"; return 1; }
    read -r WAYLAND_DISPLAY SWAYSOCK <"$env"
    export WAYLAND_DISPLAY SWAYSOCK QT_QPA_PLATFORM=wayland
    unset DISPLAY
}

sway_view() {
    swaymsg -t get_tree 2>/dev/null | /usr/bin/python3 -c '
import json, re, sys
def find(node, workspace):
    if node.get("type") == "workspace":
        workspace = node["name"]
    if node.get("pid") and re.search(sys.argv[1], node.get("name") or ""):
        return "%s %s %s" % ("focused" if node["focused"] else "unfocused",
                             "visible" if node["visible"] else "hidden", workspace)
    for child in node.get("nodes", []) + node.get("floating_nodes", []):
        found = find(child, workspace)
        if found:
            return found
found = find(json.load(sys.stdin), "")
print(found or "")
sys.exit(0 if found else 1)' "$1"
}

sway_token() { /usr/bin/python3 "$_wayland_support/wl_activation_token.py" "$1"; }

background() {
    "$@" >/dev/null 2>&1 &
    _wayland_pids+=($!)
}

bus_start() {
    rm -f "$DESKTOP_WORK/bus"
    dbus-daemon --session --nofork --print-address=1 >"$DESKTOP_WORK/bus" 2>"$DESKTOP_WORK/bus.err" &
    _wayland_pids+=($!)
    wait_for 10 test -s "$DESKTOP_WORK/bus" || { echo "FAIL no session bus: $(cat "$DESKTOP_WORK/bus.err")"; return 1; }
    DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$DESKTOP_WORK/bus")
    export DBUS_SESSION_BUS_ADDRESS
}

_name_owned() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
        "string:$1" 2>/dev/null | grep -q 'boolean true'
}
panel_start() {
    PANEL_ITEMS=$DESKTOP_WORK/panel-items
    rm -f "$PANEL_ITEMS"
    /usr/bin/python3 "$_wayland_support/sni_panel.py" "$PANEL_ITEMS" >>"$DESKTOP_WORK/panel.log" 2>&1 &
    _panel_pid=$!
    _wayland_pids+=($_panel_pid)
    wait_for 10 _name_owned org.kde.StatusNotifierWatcher || { echo "FAIL no panel: $(tail -3 "$DESKTOP_WORK/panel.log")"; return 1; }
}
panel_stop() {
    [ -n "$_panel_pid" ] || return 0
    kill -CONT "$_panel_pid" 2>/dev/null
    kill "$_panel_pid" 2>/dev/null
    wait "$_panel_pid" 2>/dev/null
    _panel_pid=""
}
panel_hang() { kill -STOP "$_panel_pid"; }
panel_resume() { kill -CONT "$_panel_pid"; }
panel_item() { [ -n "$PANEL_ITEMS" ] && head -n1 "$PANEL_ITEMS" 2>/dev/null | grep .; }
has_item() { panel_item >/dev/null; }

sni() { /usr/bin/python3 "$_wayland_support/sni_item.py" "$@"; }

wayland_stop() {
    local pid
    for pid in "${_wayland_pids[@]}"; do
        kill -CONT "$pid" 2>/dev/null
        kill "$pid" 2>/dev/null
    done
    # Only ours: desktop.sh's X server may still be running.
    for pid in "${_wayland_pids[@]}"; do wait "$pid" 2>/dev/null; done
    _wayland_pids=()
    return 0
}
