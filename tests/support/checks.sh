# Shared by the shell tests: a scratch folder $work, removed at exit together with the processes listed in $pids;
# the count of problems found; the tools a test needs; the build installed into a scratch prefix. Source it after
# setting $label, the name each line of output starts with.
work="$(mktemp -d "${TMPDIR:-/tmp}/keyfold-${label// /-}.XXXXXX")" # no blank: xdg-mime splits paths at them
pids=()
trap 'for pid in "${pids[@]}"; do kill "$pid" && wait "$pid"; done 2>/dev/null; rm -rf "$work"' EXIT
problems=0

say() { printf '%s: %s\n' "$label" "$*"; }
problem() { say "FAIL: $*"; problems=$((problems + 1)); }
give_up() { say "FAIL: $*"; exit 1; }
need() { # tool...
    for tool; do command -v "$tool" >/dev/null || give_up "$tool is missing (tools/dev.sh test installs it)"; done
}

# Runs a command with its output put aside; should it fail, shows the end of the output and stops the test.
quietly() { # what, command...
    "${@:2}" >"$work/quiet.log" 2>&1 || { tail -n 30 "$work/quiet.log" | sed 's/^/  | /'; give_up "$1 failed"; }
}

# Installs a build into the scratch prefix $prefix.
install_build() { # cmake, build folder
    prefix="$work/prefix"; quietly "cmake --install" "$1" --install "$2" --prefix "$prefix"
}

# Ends the test: failed when any problem was found, otherwise passed with the words given.
finish() {
    [ "$problems" -eq 0 ] || give_up "$problems problem(s)"
    say "PASS: $*"; exit 0
}
