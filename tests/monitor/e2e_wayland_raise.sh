#!/usr/bin/env bash
# A second start brings the running window to the front on Wayland, where only a window that
# presents an activation token may take the focus. The real program under a headless sway, with
# "Hide" set and no panel; its window out of sight on another workspace, behind another program.
# A second start with a token sway never issued leaves it there; one with a token sway issued,
# as a launcher gets it, brings it to the front.
#   e2e_wayland_raise.sh ZELMORIN [SCREENSHOT_FOLDER]
set -uo pipefail
zelmorin=$(readlink -f "$1")
shots=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../support/desktop.sh"
source "$here/../support/wayland.sh"
desktop_home
desktop_simulator
first=""
trap '[ -n "$first" ] && kill $first 2>/dev/null; wayland_stop; desktop_stop' EXIT
sway_start || exit 1
bus_start || exit 1 # a bus without a StatusNotifier panel: no tray

conf=$XDG_CONFIG_HOME/Quillmoor/Zelmorin.conf
mkdir -p "$(dirname "$conf")"
printf '[General]\nHidden=1\n' >"$conf"

main='^ Zelmorin '
main_is() { [ "$(sway_view "$main" | cut -d' ' -f1,2)" = "$1" ]; }
other_is() { [ "$(sway_view '^Flower$' | cut -d' ' -f1,2)" = "$1" ]; }
shot() { [ -n "$shots" ] && grim "$shots/$1"; }
out=$DESKTOP_WORK/first.txt
second_out=$DESKTOP_WORK/second.txt
presented() { grep -q "xdg_activation_v1@[0-9]*\.activate(\"$2\"" "$1"; }
ended() { ! kill -0 "$1" 2>/dev/null; }
sway_said() { grep -q "$1" "$DESKTOP_WORK/sway.log"; }
closed_and_ended() {
    ended "$1" && return 0
    swaymsg -q '[title="^Zelmorin$"] kill' 2>/dev/null
    return 1
}

(cd "$DESKTOP_WORK" && WAYLAND_DEBUG=client exec "$zelmorin" >"$out" 2>&1) &
first=$!
if wait_for 20 grep -q 'xdg_toplevel@[0-9]*\.set_minimized()' "$out"; then ok "no panel: the hidden window asks to be minimised"
else bad "no panel: the hidden window did not ask to be minimised"; fi
wait_for 20 sway_view "$main" >/dev/null || { bad "no main window in sway"; exit 1; }

# sway keeps no minimised windows: the user goes to another workspace and another program.
swaymsg -q workspace 2
background weston-flower
if wait_for 20 other_is "focused visible" && main_is "unfocused hidden"; then
    ok "the window is out of sight, another program's has the focus"
else bad "before the second start: $(sway_view "$main"), the other: $(sway_view '^Flower$')"; fi
shot wayland-sway-behind.png

# second_start TOKEN: a second start given TOKEN by its launcher; its "already running" box is
# closed as a user would.
second_start() {
    : >"$second_out"
    (cd "$DESKTOP_WORK" && XDG_ACTIVATION_TOKEN=$1 WAYLAND_DEBUG=client exec "$zelmorin" >"$second_out" 2>&1) &
    local second=$!
    wait_for 30 sway_view '^Zelmorin$' >/dev/null || bad "the second start showed no box"
    # A close that comes before the box is ready to take it is lost; a person would close again.
    wait_for 30 closed_and_ended $second || { bad "the second start did not end"; kill $second; }
    wait $second 2>/dev/null
}

# A token sway never issued: the running copy presents it, sway refuses it, nothing moves.
forged=not-issued-by-the-compositor
second_start "$forged"
if wait_for 30 presented "$out" "$forged"; then ok "the running copy presents the token the second start passed on"
else bad "the running copy did not present the passed token"; fi
if wait_for 30 sway_said 'Rejecting activate request: unknown token'; then ok "sway refuses a token it never issued"
else bad "sway did not answer the forged token"; fi
if main_is "unfocused hidden" && other_is "focused visible"; then ok "a forged token leaves the window out of sight"
else bad "a forged token: $(sway_view "$main")"; fi

# A token sway issued, as to a launcher: the window comes to the front with the focus.
if token=$(sway_token example.quillmoor.Zelmorin); then ok "sway issues an activation token"
else bad "sway issued no token: $token"; exit 1; fi
second_start "$token"
if wait_for 30 presented "$out" "$token"; then ok "the running copy presents the launcher's token"
else bad "the running copy did not present the launcher's token"; fi
if ! presented "$second_out" "$token"; then ok "the second copy leaves the token to the running one"
else bad "the second copy presented the token as well"; fi
if wait_for 30 main_is "focused visible"; then ok "the running window comes to the front and takes the focus"
else bad "after the second start: $(sway_view "$main")"; fi
if other_is "unfocused hidden"; then ok "the other program's window is behind it"
else bad "the other program's window: $(sway_view '^Flower$')"; fi
sleep 1 # the window draws its frame; only for the picture
shot wayland-sway-raised.png
exit $fail
