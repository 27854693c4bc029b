#!/usr/bin/env bash
# End to end: the real zelmorin-report binary, its defaults taken from a user's settings
# file and the data directory from the machine-wide App Paths value.
set -euo pipefail
report=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CONFIG_DIRS=$work/etc TZ=Europe/Rome
mkdir -p "$XDG_CONFIG_HOME/Quillmoor" "$XDG_CONFIG_DIRS/Quillmoor" "$work/data"
printf '[App%%20Paths]\nPath=%s\n' "$work/data" > "$XDG_CONFIG_DIRS/Quillmoor/Zelmorin.conf"
printf '[General]\nWeekStart=1\nSelectedISP=Office\nDayDateFormat=%%d %%b\n[Allowance]\nOn=1\nMinutes=300\nPeriod=2\nEntry=Home\nWarnPercent=75\n' > "$XDG_CONFIG_HOME/Quillmoor/Zelmorin.conf"
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
# Five hours a week of Home, the week from Monday: four used in the first 60 hours run out at 75.
check "allowance from settings" "$(printf 'Allowance 05:00:00 week\nPeriod 1999-03-08 00:00:00 to 1999-03-15 00:00:00\nUsed 04:00:00 80 %%\nLeft 01:00:00\nOver 00:00:00\nWarning warning\nPace runs-out\nProjected end 1999-03-11 03:00:00')" \
    "$("$report" --now "1999-03-10 12:00:00" allowance)"
check "allowance in the JSON document" '"allowance": {"period": "week", "entry": "Home",' \
    "$("$report" --now "1999-03-10 12:00:00" json | grep -o '"allowance": {"period": "week", "entry": "Home",')"
set +e
"$report" --log "$work/none.log" totals >"$work/out" 2>"$work/err"; rc=$?
set -e
check "no log yet exits 0" "0" "$rc"
check "no log yet is zeros" "Total 00:00:00 Today 00:00:00 Week 00:00:00 Month 00:00:00" "$(tr '\n' ' ' <"$work/out" | sed 's/ $//')"
check "no log yet says nothing on stderr" "" "$(cat "$work/err")"
set +e
"$report" --log "$work" totals 2>"$work/err"; rc=$?
set -e
check "unreadable log exits 1" "1" "$rc"
check "unreadable log names the file" "zelmorin-report: cannot read $work: Is a directory" "$(cat "$work/err")"
set +e
"$report" --log "$work/none.log" --allowance 1 --period day allowance >/dev/null 2>&1; rc=$?
"$report" --now "1999-03-10 12:00:00" --allowance 30 --period week allowance >/dev/null 2>&1; rc2=$?
set -e
check "allowance below the warning exits 0" "0" "$rc"
check "allowance used up exits 4" "4" "$rc2"
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

# Command-line habits.
set +e
"$report" --help >"$work/out" 2>"$work/err"; rc=$?
set -e
check "--help exits 0" "0" "$rc"
check "--help on standard output only" "usage: zelmorin-report [--log FILE]|" "$(head -c 35 "$work/out")|$(cat "$work/err")"
check "-h is --help" "$("$report" --help)" "$("$report" -h 2>&1)"
check "--version" "zelmorin-report $version" "$("$report" --version 2>&1)"
check "--log=FILE" "$(printf 'March 1999 = 07:00:00\n  07 Mar = 02:00:00\n  08 Mar = 01:00:00\n  09 Mar = 04:00:00')" \
    "$("$report" --log="$work/data/Zelmorin.Log" --entry= tree)"
check "-- ends the options" "09/03 09:00:00  09/03 13:00:00  04:00:00  Home" \
    "$("$report" --date-format=%d/%m --entry Home -- day 1999-03-09)"

# Day and month names follow the user's language; the log and the export keep their format.
mkdir "$work/locale"
if localedef -i it_IT -f UTF-8 "$work/locale/it_IT.UTF-8" 2>"$work/err" || [ -d "$work/locale/it_IT.UTF-8" ]; then
    export LOCPATH=$work/locale
    check "Italian day names" "$(printf 'March 1999 = 04:00:00\n  mar 09 marzo = 04:00:00')" \
        "$(LANG=it_IT.UTF-8 "$report" --entry Home --day-format "%a %d %B" tree)"
    check "LC_TIME alone is enough" "  mar 09 marzo = 04:00:00" \
        "$(LANG=C LC_TIME=it_IT.UTF-8 "$report" --entry Home --day-format "%a %d %B" tree | tail -n 1)"
    check "the export does not change with the language" "$(LANG=C "$report" export -)" \
        "$(LANG=it_IT.UTF-8 "$report" export -)"
    check "JSON numbers do not change with the language" "$(LANG=C "$report" --day-format=%d/%m json)" \
        "$(LC_ALL=it_IT.UTF-8 "$report" --day-format=%d/%m json)"
    unset LOCPATH
else
    echo "FAIL cannot build the Italian locale: $(cat "$work/err")"; fail=1
fi
exit $fail
