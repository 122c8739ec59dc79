# Bash completion for quorvane-cli.
#
# The commands, sub-commands and options, and which options take a value, are
# read from the program's own --help texts (asked once per shell), so they are
# always those of the program being completed. Only the words an option's value
# may be are listed here; the packaging tests check them against the program.

declare -gA _quorvane_cli_helps

# Sets _quorvane_cli_text to the --help text of "PROGRAM WORDS..." (not in a
# subshell, which would lose what it keeps).
_quorvane_cli_help()
{
    local key="$*"
    if [[ -z ${_quorvane_cli_helps[$key]+set} ]]; then
        _quorvane_cli_helps[$key]=$("$@" --help 2>/dev/null)
    fi
    _quorvane_cli_text=${_quorvane_cli_helps[$key]}
}

# One line per option name of a help text: the name, then the name of its
# value ("-" when it takes none). "  --data-dir DIR   folder ..." gives
# "--data-dir DIR"; "  -h, --help  show ..." gives "-h -" and "--help -".
_quorvane_cli_options()
{
    awk '/^  -/ {
        label = substr($0, 3)
        sub(/  +[^ ].*$/, "", label)
        n = split(label, names, ", ")
        value = "-"
        if (index(names[n], " ") > 0) {
            value = substr(names[n], index(names[n], " ") + 1)
            names[n] = substr(names[n], 1, index(names[n], " ") - 1)
        }
        for (i = 1; i <= n; i++)
            print names[i], value
    }'
}

# The words a value may be, for options that take one of a few.
_quorvane_cli_choices()
{
    case "$1 $2" in
    "check --format") echo "txt csv html xml" ;;
    "check --rdap") echo "off fallback first" ;;
    "generate keywords --separator") echo "none dash both" ;;
    esac
}

_quorvane_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    local program=${COMP_WORDS[0]}
    [[ $program == "~/"* ]] && program=$HOME/${program#"~/"}
    COMPREPLY=()

    # --option=value: bash splits at the '='.
    if [[ $cur == "=" ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        cur=""
    elif [[ $prev == "=" ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi

    local help
    if ((COMP_CWORD == 1)); then
        _quorvane_cli_help "$program"
        help=$_quorvane_cli_text
        local commands
        commands=$(printf '%s\n' "$help" | awk '/^Commands:/ { inside = 1; next }
                                                 inside && /^  [a-z]/ { print $1; next }
                                                 { inside = 0 }')
        COMPREPLY=($(compgen -W "$commands $(printf '%s\n' "$help" | _quorvane_cli_options | cut -d' ' -f1)" \
            -- "$cur"))
        return
    fi

    # The command, and its sub-command when its help sends the reader to some
    # ("Run 'quorvane-cli generate keywords --help'").
    local command=${COMP_WORDS[1]}
    local words=("$command") first=2
    _quorvane_cli_help "$program" "$command"
    help=$_quorvane_cli_text
    local subcommands
    subcommands=$(printf '%s\n' "$help" | tr -s '\n' ' ' |
        grep -oE "'[^ ']+ $command [a-z][a-z-]* --help'" | cut -d' ' -f3)
    if [[ -n $subcommands ]]; then
        if ((COMP_CWORD == 2)); then
            COMPREPLY=($(compgen -W "$subcommands --help" -- "$cur"))
            return
        fi
        words+=("${COMP_WORDS[2]}")
        first=3
        _quorvane_cli_help "$program" "${words[@]}"
        help=$_quorvane_cli_text
    fi
    ((COMP_CWORD >= first)) || return

    local options
    options=$(printf '%s\n' "$help" | _quorvane_cli_options)
    local value
    value=$(printf '%s\n' "$options" | awk -v name="$prev" '$1 == name { print $2; exit }')
    if [[ -n $value && $value != "-" && $prev == -* ]]; then
        local choices
        choices=$(_quorvane_cli_choices "${words[*]}" "$prev")
        if [[ -n $choices ]]; then
            COMPREPLY=($(compgen -W "$choices" -- "$cur"))
        elif [[ $value == DIR ]]; then
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -d -- "$cur"))
        elif [[ $value == FILE ]]; then
            compopt -o filenames 2>/dev/null
            COMPREPLY=($(compgen -f -- "$cur"))
        fi
        return
    fi

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$(printf '%s\n' "$options" | cut -d' ' -f1)" -- "$cur"))
    elif printf '%s\n' "$help" | head -n 1 | grep -q 'FILE\.\.\.'; then
        # Words after the options are files ('-' being standard input).
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
}

complete -F _quorvane_cli quorvane-cli
