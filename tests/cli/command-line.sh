#!/usr/bin/env bash
# The real program's command line, where no display is needed: --help and --version answer on standard output and
# exit 0 without any display; an unknown option is refused on standard error with status 2; the toolkit still gets
# its own options (-platform).
#
# usage: command-line.sh path/to/keyfold
set -uo pipefail

program="${1:?usage: command-line.sh path/to/keyfold}"
label="command line"
. "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"

# Runs the program with no display of any kind and a fresh home; sets status, out and err.
run() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$work" XDG_CONFIG_HOME="$work/config" \
        XDG_RUNTIME_DIR="$work" timeout 20 "$program" "$@" >"$work/out" 2>"$work/err"
    status=$?
    out="$(cat "$work/out")"
    err="$(cat "$work/err")"
}
expect() { # what, expected status, regex for standard output, regex for standard error ('' for empty)
    if [ "$status" -ne "$2" ] || ! [[ "$out" =~ $3 ]] || ! [[ "$err" =~ $4 ]] ||
        { [ -z "$3" ] && [ -n "$out" ]; } || { [ -z "$4" ] && [ -n "$err" ]; }; then
        problem "$1: status $status, standard output \"$out\", standard error \"$err\""
    fi
}

run --version
expect "--version" 0 '^Keyfold 1\.1\.3$' ''
run --help
expect "--help" 0 'Usage: keyfold \[options\] \[book\].*--version' ''
run -platform offscreen --version
expect "-platform offscreen --version" 0 '^Keyfold 1\.1\.3$' ''
run --bogus
expect "--bogus" 2 '' "Unknown option 'bogus'"

# The toolkit is handed -platform: a platform that does not exist stops it, one that does runs the program (the
# master-key dialog waits, offscreen, until the time runs out).
run -platform no-such-platform book.kf1
[ "$status" -ne 0 ] && [[ "$err" == *'"no-such-platform"'* ]] ||
    problem "-platform no-such-platform did not reach the toolkit: status $status, \"$err\""
env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" \
    timeout 3 "$program" -platform offscreen -style fusion book.kf1 >"$work/out" 2>"$work/err"
status=$?
[ "$status" -eq 124 ] || problem "-platform offscreen: the program ended with status $status: $(cat "$work/err")"

finish "--help, --version, refused options and the toolkit's -platform"
