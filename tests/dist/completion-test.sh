#!/usr/bin/env bash
# dupsweep-cli's bash completion, sourced into a plain bash and asked as readline would ask it.
# Usage: completion-test.sh COMPLETION_SCRIPT DUPSWEEP_CLI
set -uo pipefail
completion=$1
cli=$(realpath "$2")
# shellcheck source=/dev/null
source "$completion"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/a b" "$scratch/ab/inner" "$scratch/-dash" "$scratch"/$'caf\xe9' "$scratch/.hidden"
touch "$scratch/a.rep" "$scratch/abc.rep"
cd "$scratch" || exit 1

failures=0
# expect WANTED WORD... : completes the last word of "dupsweep-cli WORD..." and compares the
# sorted offers, one a line, with WANTED (words separated by "|").
expect()
{
    local wanted=$1
    shift
    COMP_WORDS=("$cli" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    _dupsweep_cli "$cli" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd'|')
    if [ "$got" != "$wanted" ]; then
        printf 'FAIL: dupsweep-cli %s\n  offered: %q\n  wanted:  %q\n' "$*" "$got" "$wanted"
        failures=$((failures + 1))
    fi
}

expect "dedupe|list" ""
expect "dedupe" d
expect "--|--help|--version|-h" -
expect "--|--json" list -
expect "--dry-run" dedupe --dr
expect "--json" --dry-run dedupe --j
expect "-dash|.hidden|a b|ab|caf"$'\xe9' list ""
expect "a b|ab" dedupe --dry-run a
expect "ab/inner" list --json ab/
expect "" list "a b" ""
expect "--|--json" list "a b" -
expect "-dash" list -- -
expect "dedupe|list" -- ""

if [ "$failures" -ne 0 ]; then
    echo "$failures completion(s) wrong"
    exit 1
fi
echo "completion: every case offered what was wanted"
