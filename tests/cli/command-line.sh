#!/usr/bin/env bash
# The real program's command line without any display: --version answers on standard output, an unknown option is
# refused on standard error with status 2, and the toolkit is handed its own options (-platform). What each argument
# means is test_command_line's business.
# usage: command-line.sh path/to/keyfold
set -uo pipefail
name="command-line"
. "$(dirname "$0")/../support/lib.sh" "$@"
program="${1:?usage: command-line.sh path/to/keyfold}"

expect() { # seconds, status, standard output, standard error (patterns), argument...
    timeout "$1" "$program" "${@:5}" >"$work/out" 2>"$work/err"
    local status=$? out err
    out="$(cat "$work/out")" err="$(cat "$work/err")"
    [[ "$status" == $2 && "$out" == $3 && "$err" == $4 ]] ||
        fail "${*:5}: status $status, standard output \"$out\", standard error \"$err\""
}

expect 20 0 "Keyfold 1.1.3" "" --version
expect 20 2 "" "keyfold: Unknown option 'bogus'."$'\n'"Try 'keyfold --help' for more information." --bogus
# A platform that does not exist stops the toolkit; one that does runs the program, whose master-key dialog waits
# until the time runs out.
expect 20 '[1-9]*' "" '*"no-such-platform"*' -platform no-such-platform book.kf1
expect 3 124 "" "" -platform offscreen -style fusion book.kf1
say "PASS: --version, a refused option and the toolkit's -platform"
