#!/usr/bin/env bash
# Under a real X server with a window manager (openbox), the real zelmorin: the History window
# opens where and as large as it was closed, every time, and its layout is saved when the
# program ends with the window open. Run as: xvfb-run -a e2e_history_desktop.sh ZELMORIN
set -euo pipefail
zelmorin=$(readlink -f "$1")
source "$(dirname "$(readlink -f "$0")")/../support/desktop.sh"
work=$(mktemp -d)
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    desktop_stop
    rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CONFIG_DIRS=$work/etc XDG_RUNTIME_DIR=$work/run
export TZ=Europe/Rome QT_QPA_PLATFORM=xcb ZELMORIN_RAS=sim:$work/sim.txt
mkdir -p "$XDG_CONFIG_HOME/Quillmoor" "$XDG_CONFIG_DIRS/Quillmoor" "$work/data" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[App%%20Paths]\nPath=%s\n' "$work/data" > "$XDG_CONFIG_DIRS/Quillmoor/Zelmorin.conf"
conf=$XDG_CONFIG_HOME/Quillmoor/Zelmorin.conf
printf '[General]\nPosX=20\nPosY=40\n' > "$conf"
printf '14/05/1999 09:00:00  14/05/1999 10:02:03  01:02:03  Office\r\n' > "$work/data/Zelmorin.Log"
printf 'entry Office\n' > "$work/sim.txt"

window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }
has_window() { [ -n "$(window "$1")" ]; }
no_window() { [ -z "$(window "$1")" ]; }
# The outer rectangle "x y width height" of a client window: its frame from the manager's
# _NET_FRAME_EXTENTS (left, right, top, bottom) around its client area.
outer() {
    local id=$1 x y w h l r t b
    read -r x y w h < <(xwininfo -id "$id" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
        /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}')
    read -r l r t b < <(xprop -id "$id" _NET_FRAME_EXTENTS | tr -d ',' | awk '{print $3, $4, $5, $6}')
    echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
# The History layout as the settings file holds it: "PosX PosY Width Height".
stored() {
    awk -F= '/^\[/{s=$0} s=="[History]" && $1=="PosX"{x=$2} s=="[History]" && $1=="PosY"{y=$2}
        s=="[History]" && $1=="Width"{w=$2} s=="[History]" && $1=="Height"{h=$2} END{print x, y, w, h}' "$conf"
}
open_history() {
    local main x y w h
    main=$(window '^ Zelmorin ')
    read -r x y w h < <(xwininfo -id "$main" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
        /Width:/{w=$NF} /Height:/{h=$NF} END{print x, y, w, h}')
    # The History... button: dialog units 90-130 of 133 across, 1-15 of 15 down.
    xdotool mousemove $((x + w * 110 / 133)) $((y + h * 8 / 15)) click 1
    wait_for 30 has_window '^Zelmorin - History$'
}
# history_at RECT: the History window's frame is "x y" or "x y width height" as given. The
# program places it before it shows it, but the window manager frames it a moment later.
history_at() {
    local id
    id=$(window '^Zelmorin - History$') && [ -n "$id" ] && is_managed "$id" || return 1
    case "$(outer "$id")" in "$1" | "$1 "*) return 0 ;; *) return 1 ;; esac
}
close_history() {
    local id
    id=$(window '^Zelmorin - History$')
    xdotool windowactivate --sync "$id" key --clearmodifiers alt+F4
    wait_for 30 no_window '^Zelmorin - History$'
}

wm_start || exit 1
(cd "$work" && exec "$zelmorin" >"$work/out.txt" 2>&1) & app=$!
main_placed() { local id; id=$(window '^ Zelmorin ') && [ -n "$id" ] && is_managed "$id"; }
wait_for 30 main_placed || { echo "FAIL no main window"; exit 1; }
# Its button is clicked where the window stands: once the program answers input, the window has
# taken the place it starts at.
caught_up "$(window '^ Zelmorin ')" || { echo "FAIL the main window does not answer"; exit 1; }

open_history || { echo "FAIL the History window did not open"; exit 1; }
wait_for 30 history_at "40 100" || true
first=$(outer "$(window '^Zelmorin - History$')")
if [ "$(echo "$first" | cut -d' ' -f1-2)" = "40 100" ]; then ok "the first opening's frame stands at 40,100"; else bad "first opening at $first"; fi
close_history
if [ "$(stored)" = "$first" ]; then ok "closing saves the outer rectangle ($first)"; else bad "saved $(stored), shown $first"; fi

for round in 1 2 3; do
    open_history || { bad "opening $round"; break; }
    wait_for 30 history_at "$first" || true
    now=$(outer "$(window '^Zelmorin - History$')")
    if [ "$now" = "$first" ]; then ok "opening $round: same place and size"; else bad "opening $round at $now, closed at $first"; fi
    close_history
done

# Moved and resized, then the program ends (SIGTERM, the session's end) with the window open.
open_history || bad "last opening"
wait_for 30 history_at "$first" || true
id=$(window '^Zelmorin - History$')
xdotool windowmove --sync "$id" 150 120 windowsize --sync "$id" 640 380
moved=$(outer "$id")
# The program knows the new layout once it has handled the events that told it: those came
# before any input sent now, such as a click that opens the entry filter's list (the main
# window takes no input while the History is open).
caught_up "$id" 30 15 1 || bad "the History window does not answer after the move"
kill -TERM "$app"
wait "$app" 2>/dev/null || true
app=""
if [ "$(stored)" = "$moved" ]; then ok "the program's end saves the open window's layout ($moved)"; else bad "saved $(stored), open at $moved"; fi
exit $fail
