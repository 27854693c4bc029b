#!/usr/bin/env bash
# The real program and reporter: without an App Paths value the log lives in the user's data
# folder (~/.local/share/Quillmoor/Zelmorin), whatever folder the program is started from, and
# zelmorin-report reads it there; an App Paths value moves both to its folder.
set -uo pipefail
zelmorin=$(readlink -f "$1")
report=$(readlink -f "$2")
work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_DIRS=$work/etc XDG_RUNTIME_DIR=$work/run
unset XDG_DATA_HOME XDG_CONFIG_HOME
export TZ=Europe/Rome QT_QPA_PLATFORM=offscreen ZELMORIN_RAS=sim:$work/sim.txt
mkdir -p "$HOME" "$work/elsewhere" "$XDG_CONFIG_DIRS" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
: > "$work/sim.txt"
folder=$HOME/.local/share/Quillmoor/Zelmorin

source "$(dirname "$(readlink -f "$0")")/../support/desktop.sh"
lines() { line_count "$1"; }
# connect_once LOG: one short connection, waited for until LOG holds one more line. The program
# has seen the connection once it writes its checkpoint beside the log.
connect_once() {
    local log=$1 before
    before=$(lines "$log")
    (cd "$work/elsewhere" && exec "$zelmorin" >/dev/null 2>&1) & pid=$!
    printf 'connected Office\n' > "$work/sim.txt"
    wait_file 30 "$(dirname "$log")/~\$ZMCUR.\$\$\$" || echo "     no checkpoint beside $log"
    : > "$work/sim.txt"
    wait_lines 30 "$log" $((before + 1))
    local logged=$?
    kill -TERM "$pid"; wait "$pid" 2>/dev/null; pid=""
    return $logged
}

[ -e "$folder" ] && bad "the data folder exists before the first start"
if connect_once "$folder/Zelmorin.Log"; then ok "started from another folder, the program logs into $folder"; else bad "nothing logged in the data folder"; fi
if [ -z "$(ls -A "$work/elsewhere")" ]; then ok "and leaves the folder it was started from alone"; else bad "files in the start folder: $(ls -A "$work/elsewhere")"; fi
if (cd "$work/elsewhere" && "$report" json) | grep -qF "\"log\": \"$folder/Zelmorin.Log\""; then
    ok "zelmorin-report reads the same log"
else
    bad "zelmorin-report: $((cd "$work/elsewhere" && "$report" json) 2>&1 | head -3)"
fi

# App Paths overrides the user's folder, for both programs.
mkdir -p "$XDG_CONFIG_DIRS/Quillmoor" "$work/shared"
printf '[App%%20Paths]\nPath=%s\n' "$work/shared" > "$XDG_CONFIG_DIRS/Quillmoor/Zelmorin.conf"
if connect_once "$work/shared/Zelmorin.Log"; then ok "an App Paths value moves the log to its folder"; else bad "nothing logged in the App Paths folder"; fi
if [ "$(lines "$folder/Zelmorin.Log")" -eq 1 ]; then ok "and the user's folder gets nothing more"; else bad "user's log has $(lines "$folder/Zelmorin.Log") lines"; fi
if "$report" json | grep -qF "\"log\": \"$work/shared/Zelmorin.Log\""; then ok "zelmorin-report follows App Paths"; else bad "zelmorin-report ignores App Paths"; fi
exit $fail
