#!/usr/bin/env bash
# The bash completion of quorvane-cli offers what the program's --help texts
# list, and the value words it knows are the ones the program accepts.
#   check-completion.sh QUORVANE-CLI COMPLETION-SCRIPT
set -uo pipefail
cli=$1
source "$2"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Completes a command line whose last word is being typed, in this shell, so
# the help texts are asked once as in an interactive shell.
expect() {
    local wanted=$1 got
    shift
    COMP_WORDS=("$cli" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _quorvane_cli
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort)
    [ "$got" = "$(tr ' ' '\n' <<< "$wanted" | sort)" ] || fail "'$*': offered [$(echo $got)], wanted [$wanted]"
}
options_of() {
    grep -E '^  -' | sed -E 's/^  //; s/  +[^ ].*$//' | tr ',' '\n' | awk 'NF { print $1 }' | sort
}

commands=$(awk '/^Commands:/ { inside = 1; next } /^$/ { inside = 0 } inside { print $1 }' <<< "$("$cli" --help)")
expect "$(echo $commands) -h --help --version" ""
expect "check" "ch"
for command in $commands; do
    help=$("$cli" "$command" --help)
    subs=$(tr -s '\n' ' ' <<< "$help" | grep -oE "'quorvane-cli $command [a-z-]+ --help'" | cut -d' ' -f3)
    if [ -n "$subs" ]; then
        expect "$(echo $subs) --help" "$command" ""
        for sub in $subs; do
            expect "$(echo $("$cli" "$command" "$sub" --help | options_of))" "$command" "$sub" "-"
        done
    else
        expect "$(echo $(options_of <<< "$help"))" "$command" "-"
    fi
done

# Value words: the program's own refusal of a wrong value names the ones it takes.
check_choices() {
    local words=$1 option=$2 message accepted
    shift 2
    message=$("$cli" $words "$@" "$option" no-such-value 2>&1 >/dev/null)
    accepted=$(grep -oE '[a-z]+(, [a-z]+)* or [a-z]+' <<< "$message" | head -n 1 | sed 's/,/ /g; s/ or / /')
    [ -n "$accepted" ] || fail "$words $option: no list of values in '$message'"
    expect "$(echo $accepted)" $words "$option" ""
    expect "$(echo $accepted)" $words "$option" "=" ""
}
check_choices check --format names.txt
check_choices check --rdap names.txt
check_choices "generate keywords" --separator --tld com

# Folders for DIR, files for FILE and for the names, nothing for a number.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/folder"
touch "$work/file"
expect "$work/folder" check --data-dir "$work/"
expect "$work/file $work/folder" check --output "$work/"
expect "$work/file $work/folder" check --quiet "$work/"
expect "" check --connections ""
expect "" lookup "$work/"

[ "$failures" -eq 0 ] && echo "completion: all checks passed"
exit $((failures > 0))
