#!/usr/bin/env bash
# The manual pages describe every option that --help lists, each under its command, and
# format without a warning.
#   man_pages_test.sh VORLA_TOOL VORLA_TOOL_PAGE [VORLA VORLA_PAGE]
set -uo pipefail
tool=$1 tool_page=$2 vorla=${3:-} vorla_page=${4:-}

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

options_of() { grep -oE -- '--[a-z][a-z-]*' | sort -u; }

# The text of a page's section (.SH NAME) or subsection (.SS NAME ...: the first word
# names it), with roff's escapes for dashes and fonts undone.
section_text() {
    local page=$1 macro=$2 name=$3
    awk -v macro="$macro" -v name="$name" '
        /^\.S[HS]/ {
            inside = 0
            if ($1 == macro) {
                title = $0
                sub(/^\.S[HS][ \t]+"?/, "", title)
                sub(/[ \t"\\].*/, "", title)
                inside = (title == name)
            }
            if (!inside) next
        }
        inside' "$page" | sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g'
}

# Each of WANTED (one per line) appears as a whole word in TEXT.
expect_described() {
    local where=$1 text=$2 wanted=$3 word
    [[ -n $text ]] || fail "$where: no such section"
    [[ -n $wanted ]] || fail "$where: --help lists nothing to look for"
    for word in $wanted; do
        grep -qE -- "(^|[^a-z0-9-])${word//./\\.}([^a-z0-9-]|$)" <<<"$text" ||
            fail "$where does not describe $word"
    done
}

formats_cleanly() {
    local page=$1 warnings
    warnings=$(LC_ALL=C.UTF-8 groff -k -man -Tutf8 -ww -z "$page" 2>&1)
    [[ -z $warnings ]] || fail "$page: groff warns: $warnings"
}

# vorla-tool: a subsection per command, holding the command's options (and for export,
# the formats by extension).
formats_cleanly "$tool_page"
commands=$("$tool" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p')
[[ -n $commands ]] || fail "vorla-tool --help lists no commands"
for command in $commands; do
    help=$("$tool" "$command" --help)
    wanted=$({
        options_of <<<"$help" | grep -vx -- --help
        grep -oE '(^|[ (])\.[a-z0-9]+' <<<"$help" | tr -d ' ('
    })
    text=$(section_text "$tool_page" .SS "$command")
    [[ -n $text ]] || fail "$tool_page has no subsection for $command"
    [[ -z $wanted ]] || expect_described "$tool_page, $command" "$text" "$wanted"
done
expect_described "$tool_page" "$(section_text "$tool_page" .SH DESCRIPTION)" "--help"

# vorla: the options section.
if [[ -n $vorla ]]; then
    formats_cleanly "$vorla_page"
    expect_described "$vorla_page" "$(section_text "$vorla_page" .SH OPTIONS)" \
        "$({
            echo --help
            "$vorla" --help | options_of
        } | sort -u)"
fi

if ((failures)); then
    echo "$failures manual page check(s) failed" >&2
    exit 1
fi
echo "the manual pages describe every option --help lists"
