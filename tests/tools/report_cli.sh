#!/usr/bin/env bash
# End to end: the real zelmorin-report binary, its defaults taken from a user's settings
# file and the data directory from the machine-wide App Paths value.
set -euo pipefail
report=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CONFIG_DIRS=$work/etc TZ=Europe/Rome
mkdir -p "$XDG_CONFIG_HOME/Quillmoor" "$XDG_CONFIG_DIRS/Quillmoor" "$work/data"
printf '[App%%20Paths]\nPath=%s\n' "$work/data" > "$XDG_CONFIG_DIRS/Quillmoor/Zelmorin.conf"
printf '[General]\nWeekStart=1\nSelectedISP=Office\nDayDateFormat=%%d %%b\n' > "$XDG_CONFIG_HOME/Quillmoor/Zelmorin.conf"
printf '08/03/1999 09:00:00  08/03/1999 10:00:00  01:00:00  Office\r\n07/03/1999 09:00:00  07/03/1999 11:00:00  02:00:00  Office\r\n09/03/1999 09:00:00  09/03/1999 13:00:00  04:00:00  Home\r\n' > "$work/data/Zelmorin.Log"

fail=0
check() { # name expected actual
    if [ "$2" != "$3" ]; then
        echo "FAIL $1"; echo " expected: $2"; echo " actual:   $3"; fail=1
    else
        echo "ok   $1"
    fi
}

check "totals from settings" "$(printf 'Total 03:00:00\nToday 00:00:00\nWeek 01:00:00\nMonth 03:00:00')" \
    "$("$report" --now "1999-03-10 12:00:00" totals)"
check "tree with the stored day format" "$(printf 'March 1999 = 03:00:00\n  07 Mar = 02:00:00\n  08 Mar = 01:00:00')" \
    "$("$report" tree)"
check "options override settings" "Week 04:00:00" \
    "$("$report" --entry Home --now "1999-03-10 12:00:00" totals | grep Week)"
set +e
"$report" --log "$work/none.log" totals 2>"$work/err"; rc=$?
set -e
check "missing log exits 1" "1" "$rc"
check "missing log names the file" "zelmorin-report: cannot read $work/none.log: No such file or directory" "$(cat "$work/err")"
set +e
"$report" bogus >/dev/null 2>&1; rc=$?
set -e
check "bad usage exits 2" "2" "$rc"
set +e
"$report" json >/dev/full 2>"$work/err"; rc=$?
set -e
check "failed write to standard output exits 1" "1" "$rc"
check "failed write says so" "zelmorin-report: cannot write to standard output" "$(cat "$work/err")"
check "export - writes to standard output" \
    "07/03/1999 09:00:00,07/03/1999 11:00:00,02:00:00,Office" "$("$report" export - | head -n 1 | tr -d '\r')"
check "export to a pipe" "3" "$("$report" export /dev/stdout | wc -l)"
set +e
"$report" export "$work/data/Zelmorin.Log" 2>/dev/null; rc=$?
set -e
check "export onto the log is refused" "1" "$rc"
check "the log is left alone" "3" "$(wc -l < "$work/data/Zelmorin.Log")"
exit $fail
