#!/usr/bin/env bash
# The real program, with an unsaved record, ended by SIGTERM as a logout or `kill` ends it. It must end within two
# seconds without showing anything, and store the settings as a normal exit does:
#   with "終了時に自動保存する" on, it saves the book to its file;
#   with it off, the book's file stays as it was and the unsaved book goes to an owner-only rescue copy in
#   $XDG_DATA_HOME/Keyfold/rescue, which one line on standard error names.
#
# usage: signals.sh path/to/keyfold
# Exit status 77 (a skip) only when no X server can be started here.
set -uo pipefail

program="${1:?usage: signals.sh path/to/keyfold}"
program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"

. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

export XDG_DATA_HOME="$work/home/.local/share"
rescue="$XDG_DATA_HOME/Keyfold/rescue"
{ printf '"sig"\r\n'; for _ in $(seq 12); do printf '""\r\n'; done; } >"$work/expected.kf1"

end_by_signal() { # auto-save option: 0 or 1
    rm -rf "$rescue" "$XDG_CONFIG_HOME/Keyfold"
    : >"$book"
    : >"$work/program.log"
    mkdir -p "$(dirname "$settings")"
    # Logging on with the current key, and the empty book reopened at the start.
    printf '[load]\nFileName=%s\nCheck1=1\nFrmOptionCheck1=1\nFrmOptionCheck5=%s\n' "$book" "$1" >"$settings"
    start_program
    wait_window "^$(regex_quote "$book") - Keyfold\$" "$book - Keyfold (auto-save $1)"
    focus_window "$window"
    type_text sig
    key Return # Add: the book now has a record that is not saved
    sleep 0.5
    local started ended status
    started=$(date +%s%N)
    kill -TERM "$program_pid"
    for _ in $(seq 50); do
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.05
    done
    ended=$(date +%s%N)
    kill -0 "$program_pid" 2>/dev/null && fail "the program was still running 2.5 s after SIGTERM"
    wait "$program_pid"
    status=$?
    program_pid=""
    [ "$status" -eq 0 ] || fail "the program ended with status $status after SIGTERM"
    [ $(((ended - started) / 1000000)) -le 2000 ] || fail "the program took $(((ended - started) / 1000000)) ms"
    [ "$(setting FileName)" = "$book" ] && [ "$(setting Check1)" = 1 ] || fail "the settings were not stored"
}

end_by_signal 1
cmp -s "$work/expected.kf1" "$book" || fail "with auto-save on, the book was not saved to its file"
[ ! -e "$rescue" ] || fail "with auto-save on and the book saved, a rescue copy was made"

end_by_signal 0
[ ! -s "$book" ] || fail "with auto-save off, the book's file was written"
copies=("$rescue"/*.kf1)
[ "${#copies[@]}" -eq 1 ] && [ -f "${copies[0]}" ] || fail "no rescue copy in $rescue"
cmp -s "$work/expected.kf1" "${copies[0]}" || fail "the rescue copy does not hold the book"
[ "$(stat -c %a "${copies[0]}")" = 600 ] || fail "the rescue copy is readable by others"
[ "$(stat -c %a "$rescue")" = 700 ] || fail "the rescue folder is open to others"
grep -qF "${copies[0]}" "$work/program.log" || fail "standard error does not name the rescue copy"

failed=0
say "PASS: SIGTERM saved the book with auto-save on and left a rescue copy with it off"
exit 0
