#!/usr/bin/env bash
# The real program under a headless weston (Qt's Wayland platform) and a StatusNotifier panel of
# the tests' own on a private session bus: the panel absent at the start, coming later,
# restarting, hanging for 20 s while a connection ends, and there first; the item's properties
# and menu read over the bus, Activate and the menu's History entry called, as a panel does;
# warnings with no notification service. Then the same panel after the program on X11.
#   e2e_wayland_tray.sh ZELMORIN [SCREENSHOT_FOLDER]
set -uo pipefail
zelmorin=$(readlink -f "$1")
shots=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/desktop.sh"
source "$here/../support/wayland.sh"
desktop_home
desktop_simulator
pid=""
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; wayland_stop; desktop_stop' EXIT
weston_start || exit 1
bus_start || exit 1

conf=$XDG_CONFIG_HOME/Quillmoor/Zelmorin.conf
log=$XDG_DATA_HOME/Quillmoor/Zelmorin/Zelmorin.Log
mkdir -p "$(dirname "$conf")"
# Hidden, on top, and a position stored on X11.
printf '[General]\nHidden=1\nOnTop=1\nPosX=300\nPosY=200\n' >"$conf"

out=$DESKTOP_WORK/out.txt
launch() {
    : >"$out"
    (cd "$DESKTOP_WORK" && WAYLAND_DEBUG=client exec "$zelmorin" >"$out" 2>&1) &
    pid=$!
}
stop() { kill -TERM "$pid"; wait "$pid" 2>/dev/null; pid=""; }
requested() { grep -q "$1" "$out"; }
logged() { [ "$(grep -c . "$log" 2>/dev/null || echo 0)" -ge "$1" ]; }
shot() { [ -n "$shots" ] && weston_shot "$shots/$1"; }

# No panel: the program runs, its window waits minimised (nothing else could bring it back).
launch
if wait_for 20 requested 'set_app_id("example.quillmoor.Zelmorin")'; then ok "the window's app id is the desktop entry's"
else bad "no app id example.quillmoor.Zelmorin: $(grep -o 'set_app_id([^)]*)' "$out" | head -n1)"; fi
if wait_for 20 requested 'xdg_toplevel@[0-9]*\.set_minimized()'; then ok "no panel: the hidden window starts minimised"
else bad "no panel: the hidden window was not minimised"; fi

# The panel comes after the program.
panel_start || exit 1
if wait_for 30 has_item; then ok "a panel started after the program gets the item"; else bad "no item in a panel that came later"; fi
read -r service path < <(panel_item)
item() { sni "$service" "$path" "$@"; }
menu_line() { item menu 2>/dev/null | awk -F'\t' -v l="$1" '$2 == l'; }
menu_state() { [ "$(menu_line "$1" | cut -f3,4)" = "$2" ]; }

menu=$(item prop Menu 2>&1)
if [ -n "$menu" ] && [ "$menu" != "/NO_DBUSMENU" ]; then ok "the item exports its menu ($menu)"; else bad "no menu: $menu"; fi
items=$(item menu 2>&1 | cut -f2 | tr '\n' '|')
if [ "$items" = "Hide|Always on top|Total|History...|Help...|Preferences..|About Zelmorin|E_xit|" ]; then
    ok "the exported menu has the window's items and accelerator"
else bad "the exported menu is $items"; fi
if menu_state "Hide" $'enabled\t1'; then ok "Hide is checked while the window is hidden"; else bad "Hide: $(menu_line Hide)"; fi
if menu_state "Always on top" $'disabled\t1'; then ok "Always on top is kept but disabled on Wayland"
else bad "Always on top: $(menu_line 'Always on top')"; fi
if item call ContextMenu; then ok "a request to pop the menu is answered at once"; else bad "ContextMenu got no answer"; fi

# Idle with the panel: nothing asked of it, no bus connection opened, over ten seconds in which
# the program answers a ping (whose own connection the capture must show).
dbus-monitor --session >"$DESKTOP_WORK/monitor.txt" 2>&1 &
monitor=$!
monitoring() { grep -q 'member=NameAcquired' "$DESKTOP_WORK/monitor.txt"; }
wait_for 10 monitoring || bad "dbus-monitor did not start"
sleep 5 # half of the observed window
item ping || bad "the program did not answer while idle"
sleep 5 # the other half
kill "$monitor"
wait "$monitor" 2>/dev/null
hellos=$(grep -c 'member=Hello' "$DESKTOP_WORK/monitor.txt")
asked=$(grep -c 'interface=org.kde.StatusNotifierWatcher\|destination=org.kde.StatusNotifierWatcher' "$DESKTOP_WORK/monitor.txt")
if [ "$hellos" -eq 1 ] && [ "$asked" -eq 0 ]; then ok "idle: no new bus connection and no question to the panel in 10 s"
else bad "idle: $hellos new connections (1 is the ping's), $asked messages to the panel in 10 s"; fi

item call Activate || bad "Activate got no answer"
if wait_for 30 menu_state "Hide" $'enabled\t0'; then ok "Activate shows the window"; else bad "Activate: $(menu_line Hide)"; fi
sleep 1 # the window draws its first frame; only for the picture
shot wayland-main.png
item click "History..." || bad "the History entry could not be clicked"
if wait_for 30 menu_state "History..." $'disabled\t-1'; then ok "the menu's History entry opens the History"
else bad "History: $(menu_line 'History...')"; fi
sleep 1 # the History draws its first frame; only for the picture
shot wayland-history.png

# The panel restarts: the new watcher knows no items until the program registers again.
panel_stop
panel_start || exit 1
if wait_for 30 has_item; then ok "a restarted panel gets the item again"; else bad "no item after the panel restarted"; fi
read -r service path < <(panel_item)

# The panel hangs for 20 s while a connection ends: the program's thread keeps answering and the
# connection is logged at once.
printf 'connected Office\n' >"$DESKTOP_WORK/sim.txt"
tip_has() { item prop ToolTip 2>/dev/null | grep -q "$1"; }
wait_for 20 tip_has Office || bad "the tip never named the connection"
panel_hang
hung_at=$SECONDS
: >"$DESKTOP_WORK/sim.txt"
answered=0 asked=0 logged_at=""
while [ $((SECONDS - hung_at)) -lt 20 ]; do
    asked=$((asked + 1))
    item ping 2>/dev/null && answered=$((answered + 1))
    [ -z "$logged_at" ] && logged 1 && logged_at=$((SECONDS - hung_at))
    sleep 1 # pacing of the pings, not a wait for an event
done
panel_resume
if [ "$asked" -gt 3 ] && [ "$answered" -eq "$asked" ]; then ok "a hung panel: the program answered $answered of $asked pings"
else bad "a hung panel: the program answered $answered of $asked pings"; fi
if [ -n "$logged_at" ]; then ok "a hung panel: the connection was logged while it hung (after ${logged_at}s)"
else bad "a hung panel: the connection was not logged while it hung"; fi
stop
if grep -q '^PosX=300$' "$conf" && grep -q '^PosY=200$' "$conf" && grep -q '^OnTop=1$' "$conf"; then
    ok "the stored position and Always on top are kept on Wayland"
else bad "stored settings changed: $(grep -E 'PosX|PosY|OnTop' "$conf" | tr '\n' ' ')"; fi

# The panel before the program. It has no notification service beside it: the allowance
# warnings, at the start and when the allowance is used up with the item in the panel, come as
# boxes rather than messages nobody sees.
printf '[Allowance]\nOn=1\nMinutes=60\nPeriod=1\nWarnPercent=50\n' >>"$conf"
today=$(date +%d/%m/%Y)
printf '%s 00:00:00  %s 00:59:55  00:59:55  Office\r\n' "$today" "$today" >"$log"
boxes() { grep -o 'xdg_toplevel@[0-9]*\.set_title("Zelmorin")' "$out" | sort -u | wc -l; }
boxes_are() { [ "$(boxes)" -eq "$1" ]; }
launch
if wait_for 20 has_item; then ok "a panel started before the program gets the item"; else bad "no item in a panel that was there first"; fi
if wait_for 30 boxes_are 1; then ok "no notification service: the first warning is a box"; else bad "first warning: $(boxes) boxes"; fi
read -r service path < <(panel_item)
printf 'connected Office\n' >"$DESKTOP_WORK/sim.txt"
if wait_for 30 boxes_are 2; then ok "no notification service: the used-up warning beside the item is a box"
else bad "used-up warning: $(boxes) boxes"; fi
sleep 1 # the box draws its first frame; only for the picture
shot wayland-warning.png
: >"$DESKTOP_WORK/sim.txt"
stop
panel_stop
wayland_stop
desktop_start || exit 1
bus_start || exit 1
export QT_QPA_PLATFORM=xcb
launch
wait_for 15 window_of " Zelmorin " >/dev/null || bad "X11: no main window"
panel_start || exit 1
if wait_for 30 has_item; then ok "X11: a panel started after the program gets the item"; else bad "X11: no item in a later panel"; fi
stop
exit $fail
