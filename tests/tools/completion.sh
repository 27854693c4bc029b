#!/usr/bin/env bash
# zelmorin-report's bash completion, loaded the way bash-completion loads it, asked what it
# offers at the end of command lines.
set -uo pipefail
export LC_ALL=C
completion=$1
source /usr/share/bash-completion/bash_completion || exit 1
source "$completion" || exit 1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir logs && touch Zelmorin.Log old.log out.csv logs/x

# offered LINE: what bash would offer at the end of LINE, sorted, on one line. The words are
# split as bash splits them, '=' being a word of its own.
offered() {
    COMP_LINE=$1
    COMP_POINT=${#COMP_LINE}
    read -ra COMP_WORDS <<<"${1//=/ = }"
    [[ $1 == *" " || $1 == *"=" ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _zelmorin_report zelmorin-report "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort | paste -sd ' '
}

fail=0
check() { # expected LINE
    local actual
    actual=$(offered "$2")
    if [ "$1" != "$actual" ]; then
        echo "FAIL '$2'"; echo " expected: $1"; echo " actual:   $actual"; fail=1
    else
        echo "ok   '$2'"
    fi
}

check "allowance day export json totals tree" "zelmorin-report "
check "totals tree" "zelmorin-report t"
check "--date-format --day-format" "zelmorin-report --d"
check "-- --allowance --date-format --day-format --entry --help --log --month-start --now --period --version --warn --week-start" \
    "zelmorin-report -"
check "Zelmorin.Log logs old.log out.csv" "zelmorin-report --log "
check "old.log out.csv" "zelmorin-report --log=o"
check "allowance day export json totals tree" "zelmorin-report --log=old.log "
check "allowance day export json totals tree" "zelmorin-report --entry Home --week-start 1 "
check "0 1 2 3 4 5 6" "zelmorin-report --week-start "
check "1 10 11 12 13 14 15 16 17 18 19" "zelmorin-report --month-start=1"
check "" "zelmorin-report --entry "
check "day month week" "zelmorin-report --period "
check "month" "zelmorin-report --period=m"
check "" "zelmorin-report --allowance "
check "allowance day export json totals tree" "zelmorin-report --allowance 600 --warn 50 "
check "Zelmorin.Log logs old.log out.csv" "zelmorin-report export "
check "out.csv" "zelmorin-report --entry Home export ou"
check "" "zelmorin-report export out.csv "
check "" "zelmorin-report totals "
check "--entry" "zelmorin-report totals --en"
check "$(date +%F)" "zelmorin-report day "
# After --, everything is the command and its arguments.
check "" "zelmorin-report -- -"
check "allowance day export json totals tree" "zelmorin-report -- "
check "" "zelmorin-report -- --log "
exit $fail
