# bash completion for zelmorin-report                              -*- shell-script -*-

_zelmorin_report()
{
    local cur prev words cword split
    _init_completion -s || return

    # The command and its arguments so far: the first word that is neither an option nor an
    # option's value, and every word after --.
    local i command="" given=0 ended=""
    for ((i = 1; i < cword; i++)); do
        if [[ -z $ended ]]; then
            case ${words[i]} in
                --) ended=1; continue ;;
                --log | --entry | --week-start | --month-start | --day-format | --date-format | --now | \
                    --allowance | --period | --warn)
                    ((i++)); continue ;;
                -*) continue ;;
            esac
        fi
        if [[ -z $command ]]; then
            command=${words[i]}
        else
            ((given++))
        fi
    done

    [[ -z $ended ]] && case $prev in
        --log)
            _filedir
            return
            ;;
        --week-start)
            COMPREPLY=($(compgen -W '0 1 2 3 4 5 6' -- "$cur"))
            return
            ;;
        --month-start)
            COMPREPLY=($(compgen -W '{1..31}' -- "$cur"))
            return
            ;;
        --period)
            COMPREPLY=($(compgen -W 'day week month' -- "$cur"))
            return
            ;;
        --entry | --day-format | --date-format | --now | --allowance | --warn)
            return
            ;;
    esac
    [[ -z $ended ]] && $split && return

    if [[ -z $ended && $cur == -* ]]; then
        COMPREPLY=($(compgen -W '--log --entry --week-start --month-start --day-format
            --date-format --now --allowance --period --warn --help --version --' -- "$cur"))
        return
    fi
    case $command in
        "")
            COMPREPLY=($(compgen -W 'totals tree day export json allowance' -- "$cur"))
            ;;
        export)
            ((given == 0)) && _filedir
            ;;
        day)
            ((given == 0)) && COMPREPLY=($(compgen -W "$(date +%F)" -- "$cur"))
            ;;
    esac
} &&
    complete -F _zelmorin_report zelmorin-report

# ex: filetype=sh
