#!/usr/bin/env bash
# The bash completion offers what the programs accept: the commands and every option that
# each --help lists, construction files where a construction is expected, and the mesh
# formats for the export target.
#   completion_test.sh COMPLETION_SCRIPT VORLA_TOOL [VORLA]
set -uo pipefail
script=$1 tool=$2 vorla=${3:-}

# bash-completion's helpers (_init_completion, _filedir) are what the script builds on.
# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion || {
    echo "bash-completion is not installed" >&2
    exit 1
}
# shellcheck disable=SC1090
source "$script"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Candidates for LINE with the cursor at its end, sorted, one per line.
candidates() {
    local line=$1 fn
    local -a COMP_WORDS
    read -ra COMP_WORDS <<<"$line"
    [[ $line == *' ' ]] && COMP_WORDS+=('')
    COMP_LINE=$line COMP_POINT=${#line} COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    fn=$(complete -p "${COMP_WORDS[0]}" | sed -E 's/.* -F ([^ ]+) .*/\1/')
    COMPREPLY=()
    "$fn" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]:-}" \
        2>/dev/null
    ((${#COMPREPLY[@]})) && printf '%s\n' "${COMPREPLY[@]}" | sort -u
}

# Every word of WANTED (one per line) is among the candidates for LINE.
expect_offered() {
    local line=$1 wanted=$2 offered missing
    offered=$(candidates "$line")
    missing=$(comm -23 <(sort -u <<<"$wanted") <(printf '%s\n' "$offered"))
    [[ -z $wanted ]] && fail "'$line': nothing to look for (was --help read?)"
    [[ -z $missing ]] || fail "'$line' does not offer:" $missing
}

# The candidates for LINE are exactly EXPECTED (words separated by blanks).
expect_exactly() {
    local line=$1 got want
    got=$(candidates "$line" | tr '\n' ' ')
    want=$(tr ' ' '\n' <<<"$2" | sed '/^$/d' | sort -u | tr '\n' ' ')
    [[ $got == "$want" ]] || fail "'$line' offers '$got', expected '$want'"
}

options_of() { grep -oE -- '--[a-z][a-z-]*' | sort -u; }

# Commands and options, read from the programs themselves.
commands=$("$tool" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p')
expect_exactly "vorla-tool " "$commands"
for command in $commands; do
    case $command in
        export) line="vorla-tool export in.vvl -" ;;
        *) line="vorla-tool $command -" ;;
    esac
    # Every command takes --help (the usage line says so) besides its own options.
    expect_offered "$line" "$({ echo --help; "$tool" "$command" --help; } | options_of)"
done
expect_offered "vorla-tool export --detail " "$(printf '1\n2\n3\n')"
if [[ -n $vorla ]]; then
    render_options=$("$vorla" --help | options_of)
    expect_offered "vorla -" "--render"
    expect_offered "vorla --render out.png -" "$(grep -vx -- --render <<<"$render_options")"
fi

# Files: constructions and folders where a construction is expected, never other files.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
mkdir models
touch robot.vvl notes.txt picture.png old.stl
expect_exactly "vorla-tool info " "models robot.vvl"
expect_exactly "vorla-tool export --cubes " "models robot.vvl"
expect_exactly "vorla-tool new --force " "models robot.vvl"
# The export target: mesh files and folders, and a new name with each format's extension.
expect_exactly "vorla-tool export robot.vvl " "models old.stl"
formats=$("$tool" export --help | sed -nE 's/^  ((\.[a-z0-9]+ ?)+) .*/\1/p' | tr ' ' '\n' |
    sed -n 's/^\.//p')
expect_offered "vorla-tool export robot.vvl tower" "$(sed 's/^/tower./' <<<"$formats")"
expect_exactly "vorla-tool export robot.vvl tower.s" "tower.stl"
if [[ -n $vorla ]]; then
    expect_exactly "vorla " "models robot.vvl"
    expect_exactly "vorla --render " "models picture.png"
    expect_exactly "vorla --render out.png --width 640 " "models robot.vvl"
    expect_exactly "vorla --render out.png --background " ""
fi

if ((failures)); then
    echo "$failures completion check(s) failed" >&2
    exit 1
fi
echo "completion offers what --help lists"
