#!/usr/bin/env bash
# What the manual pages and the help say about files and exit codes is what the programs do:
# the data folder both manual pages name is where zelmorin-report finds the log without
# --log, and every exit status the reporter gives is documented.
# usage: docs_agree.sh ZELMORIN_REPORT SOURCE_DIR
set -euo pipefail
report=$1
root=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CONFIG_DIRS=$work/etc TZ=Europe/Rome
unset XDG_DATA_HOME
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CONFIG_DIRS"

fail=0
check() { # name expected actual
    if [ "$2" != "$3" ]; then
        echo "FAIL $1"; echo " expected: $2"; echo " actual:   $3"; fail=1
    else
        echo "ok   $1"
    fi
}

for page in zelmorin.1.in zelmorin-report.1.in; do
    # The folder the FILES section gives when no App Paths value is set, roff escapes removed.
    named=$(sed -n '/without it/,/^\.TP/p' "$root/packaging/man/$page" | grep -o '~/[^ ]*' | head -1)
    check "$page names the data folder" "~/.local/share/Quillmoor/Zelmorin" "$named"
    folder="${named/#\~/$HOME}"
    mkdir -p "$folder"
    printf '10/03/1999 09:00:00  10/03/1999 10:00:00  01:00:00  Office\r\n' > "$folder/Zelmorin.Log"
    check "$page: the reporter reads the log there" "Total 01:00:00" \
        "$("$report" --now "1999-03-10 12:00:00" totals | head -1)"
    rm -rf "$work/home/.local"
done
check "the help does not say the time wraps" "" "$(grep -l '23:59:59' "$root"/src/resources/help/*.html || true)"

# Each status the reporter gives, and no other, is in its manual page.
documented=$(sed -n '/^\.SH EXIT STATUS/,/^\.SH /p' "$root/packaging/man/zelmorin-report.1.in" |
    grep -A1 '^\.TP' | grep '^\.B [0-9]' | cut -d' ' -f2 | tr '\n' ' ')
given=""
mkdir -p "$HOME/.local/share/Quillmoor/Zelmorin"
printf '10/03/1999 09:00:00  10/03/1999 10:00:00  01:00:00  Office\r\n' > "$HOME/.local/share/Quillmoor/Zelmorin/Zelmorin.Log"
status() { set +e; "$report" "$@" >/dev/null 2>&1; given+="$? "; set -e; }
status totals                                                         # 0
status --log "$work" totals                                           # 1: a folder
status bogus                                                          # 2
status --now "1999-03-10 12:00:00" --allowance 70 --period day allowance # 3: 86 %
status --now "1999-03-10 12:00:00" --allowance 60 --period day allowance # 4
check "every exit status is documented" "$documented" "$given"
exit $fail
