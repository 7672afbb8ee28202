# Shared by the shell tests: a scratch folder $work, removed at exit, and the count of problems found. Source it
# after setting $label, the name each line of output starts with.
work="$(mktemp -d "${TMPDIR:-/tmp}/keyfold-${label// /-}.XXXXXX")" # no blank: xdg-mime splits paths at them
trap 'rm -rf "$work"' EXIT
problems=0

say() { printf '%s: %s\n' "$label" "$*"; }
problem() { say "FAIL: $*"; problems=$((problems + 1)); }

# Ends the test: failed when any problem was found, otherwise passed with the words given.
finish() {
    if [ "$problems" -ne 0 ]; then
        say "$problems problem(s)"
        exit 1
    fi
    say "PASS: $*"
    exit 0
}
