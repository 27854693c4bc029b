#!/usr/bin/env bash
# The real program's arguments: --help and --version answer without a display and without
# starting the window program; anything else is refused with the usage and exit status 2.
set -uo pipefail
zelmorin=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share \
    XDG_CONFIG_DIRS=$work/etc XDG_RUNTIME_DIR=$work/run ZELMORIN_RAS=sim:$work/sim.txt
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
: >"$work/sim.txt"

fail=0
check() { # name expected actual
    if [ "$2" != "$3" ]; then
        echo "FAIL $1"; echo " expected: $2"; echo " actual:   $3"; fail=1
    else
        echo "ok   $1"
    fi
}
# run ARGS...: "status|standard output|standard error", within 30 s.
run() {
    timeout 30 "$zelmorin" "$@" >"$work/out" 2>"$work/err"
    echo "$?|$(cat "$work/out")|$(cat "$work/err")"
}

usage=$(printf 'usage: zelmorin [--help | -h | --version]\nShows and logs how long you have been on line. It takes no other arguments;\nzelmorin-report prints the log.')
# No display at all, and the X11 platform forced: had Qt started, it would have failed.
(
    unset DISPLAY WAYLAND_DISPLAY
    export QT_QPA_PLATFORM=xcb
    check "--help without a display" "0|$usage|" "$(run --help)"
    check "-h" "0|$usage|" "$(run -h)"
    check "--version" "0|zelmorin $version|" "$(run --version)"
    check "--help wins over other arguments" "0|$usage|" "$(run extra --help)"
    exit $fail
) || fail=1
timeout 30 "$zelmorin" --help >/dev/full 2>/dev/null
check "a failed write of the help is a failure" "1" "$?"

export QT_QPA_PLATFORM=offscreen
check "an unknown option is refused" "2||zelmorin: unknown argument --frobnicate
$usage" "$(run --frobnicate)"
check "so is a word" "2||zelmorin: unknown argument Office
$usage" "$(run Office)"
check "Qt's own options are Qt's" "2||zelmorin: unknown argument --log
$usage" "$(run -platform offscreen --log x)"
check "nothing was started" "" "$(ls "$XDG_DATA_HOME" "$XDG_CONFIG_HOME" 2>/dev/null)"
exit $fail
