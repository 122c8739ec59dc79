#!/usr/bin/env bash
# The manual pages render without a warning, and every command and option the
# programs' --help texts name is in them.
#   check-manpages.sh QUORVANE-CLI QUORVANE MAN-FOLDER
set -uo pipefail
cli=$1 gui=$2 man=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Option names of one help text: "  --data-dir DIR   folder..." gives --data-dir.
options_of() {
    grep -E '^  -' | sed -E 's/^  //; s/  +[^ ].*$//' | tr ',' '\n' | awk 'NF { print $1 }'
}

# Every help text of the program: "WORDS<TAB>HELP-FILE" per command.
helps=$(mktemp -d)
trap 'rm -rf "$helps"' EXIT
"$cli" --help > "$helps/top"
commands=$(awk '/^Commands:/ { inside = 1; next } /^$/ { inside = 0 } inside { print $1 }' "$helps/top")
[ -n "$commands" ] || fail "quorvane-cli --help lists no commands"
for command in $commands; do
    "$cli" "$command" --help > "$helps/$command" || fail "quorvane-cli $command --help failed"
    for sub in $(tr -s '\n' ' ' < "$helps/$command" |
                 grep -oE "'quorvane-cli $command [a-z-]+ --help'" | cut -d' ' -f3); do
        "$cli" "$command" "$sub" --help > "$helps/$command-$sub" || fail "quorvane-cli $command $sub --help failed"
    done
done
# The window program answers without a window system.
nodisplay() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }
nodisplay "$gui" --help > "$helps/window" || fail "quorvane --help failed"

render() {
    local page=$1 warnings
    warnings=$(MANWIDTH=100 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page: $warnings"
    # Hyphens and minus signs alike, for comparing with the help texts.
    MANWIDTH=1000 man -E UTF-8 -l "$page" 2>/dev/null | sed 's/\xe2\x80\x90/-/g; s/\xe2\x88\x92/-/g'
}

cli_page=$(render "$man/quorvane-cli.1")
gui_page=$(render "$man/quorvane.1")
[ "$(zcat "$man/quorvane-cli.1.gz")" = "$(cat "$man/quorvane-cli.1")" ] || fail "quorvane-cli.1.gz is not quorvane-cli.1"

for help in "$helps"/*; do
    name=$(basename "$help")
    page=$cli_page
    [ "$name" = window ] && page=$gui_page
    while read -r option; do
        # An option is listed as a heading of its own: the name at the start of a line.
        grep -qE "^ +(-[a-z], )?$option( |,|\$)" <<< "$page" || fail "$name: $option is not in the manual page"
    done < <(options_of < "$help")
    if [ "$name" != top ] && [ "$name" != window ]; then
        heading=${name/-/ }
        grep -qE "^   $heading\$" <<< "$page" || fail "the manual page has no section for $heading"
        # The exit statuses a command's help names are in the page's EXIT STATUS section.
        if grep -q '^Exit status:' "$help"; then
            awk '/^EXIT STATUS/ { inside = 1 } /^FILES/ { inside = 0 } inside' <<< "$page" |
                grep -qE "^   $heading\$" || fail "EXIT STATUS has no entry for $heading"
        fi
    fi
done
for section in NAME SYNOPSIS DESCRIPTION OPTIONS COMMANDS "EXIT STATUS" FILES EXAMPLES "SEE ALSO"; do
    grep -qx "$section" <<< "$cli_page" || fail "quorvane-cli(1) has no $section section"
done
version=$("$cli" --version)
version=${version#quorvane-cli }
[ "$(nodisplay "$gui" --version)" = "quorvane $version" ] || fail "quorvane --version is not $version"
for page in "$cli_page" "$gui_page"; do
    grep -q "^Quorvane $version " <<< "$(tail -n 1 <<< "$page")" ||
        fail "a page's footer does not carry the programs' version $version"
done

[ "$failures" -eq 0 ] && echo "manual pages: all checks passed"
exit $((failures > 0))
