#!/usr/bin/env bash
# The program under an Italian desktop (LANG=it_IT.UTF-8): the window tests in process, then
# the real program on its own X server, which must find its translation beside itself.
# usage: italian.sh ITALIAN_TESTS ZELMORIN
set -euo pipefail
tests=$(readlink -f "$1")
zelmorin=$(readlink -f "$2")
work=$(mktemp -d)
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The machine may lack the locale: build it into the test's own folder.
mkdir "$work/locale"
localedef -i it_IT -f UTF-8 "$work/locale/it_IT.UTF-8" 2>"$work/localedef.err" || [ -d "$work/locale/it_IT.UTF-8" ] || {
    cat "$work/localedef.err"
    exit 1
}
export LOCPATH=$work/locale LANG=it_IT.UTF-8 LANGUAGE= LC_ALL=
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_RUNTIME_DIR=$work/run TZ=Europe/Rome
mkdir -p "$XDG_CONFIG_HOME/Quillmoor" "$work/data" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

QT_QPA_PLATFORM=offscreen "$tests"

# The real program: its title carries the translated total.
printf '[General]\nTotal=1\nTotalType=1\n' > "$XDG_CONFIG_HOME/Quillmoor/Zelmorin.conf"
: > "$work/sim.txt"
cat > "$work/session.sh" <<SESSION
set -u
source "$(dirname "$(readlink -f "$0")")/../support/desktop.sh"
cd "$work/data"
ZELMORIN_RAS=sim:$work/sim.txt QT_QPA_PLATFORM=xcb "$zelmorin" >"$work/out.txt" 2>&1 &
app=\$!
wait_for 30 window_of ' Zelmorin - Oggi 00:00:00\$' >/dev/null
found=\$?
kill -TERM \$app
wait \$app
[ \$found = 0 ]
SESSION
if xvfb-run -a -s "-screen 0 800x600x24" bash "$work/session.sh"; then
    echo "ok   the real program's title is Italian"
else
    echo "FAIL no window titled ' Zelmorin - Oggi 00:00:00'"
    cat "$work/out.txt"
    exit 1
fi
