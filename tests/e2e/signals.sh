#!/usr/bin/env bash
# The real program, with an unsaved record, ended as a logout (SIGTERM, SIGHUP) or Ctrl+C (SIGINT) ends it. It must
# end by itself within seconds, showing nothing, and lose nothing:
#   SIGTERM with "終了時に自動保存する" on: the book is saved to its file;
#   SIGHUP with it off: the file stays as it was and the book goes to an owner-only rescue copy (a UTF-8 spreadsheet
#   file) in an owner-only folder, which standard error names;
#   SIGINT with standard error closed: the same, and the program still ends;
#   the next start names the rescue copies in one message, once;
#   two Keyfolds on one book, each with a record of its own, ended at the same moment: every record is in the book
#   or in a rescue copy, round after round.
# usage: signals.sh path/to/keyfold
set -uo pipefail
name=e2e-signals
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "$@"

rescue="$HOME/.local/share/Keyfold/rescue"
keyfolds=() # those running, each with its window
windows=()

# The book reopened at the start without a master key, auto-save as given; the rest of the settings stays.
use_settings() { # auto-save: 0 or 1
    mkdir -p "$(dirname "$settings")"
    [ -f "$settings" ] || printf '[load]\nFileName=%s\nCheck1=1\nFrmOptionCheck1=1\nFrmOptionCheck5=\n' "$book" >"$settings"
    sed -i "s/^FrmOptionCheck5=.*/FrmOptionCheck5=$1/" "$settings"
}
# Answers the message naming rescue copies, if it shows (setting $named); true once a new window on the book shows.
new_window() {
    local id message
    message="$(xdotool search --onlyvisible --name '^Keyfold$' | head -n 1)"
    [ -z "$message" ] || { activate "$message" && key Return && named=1; }
    for id in $(xdotool search --onlyvisible --name "^$book - Keyfold\$"); do
        [[ " ${windows[*]} " == *" $id "* ]] || { windows+=("$id") && return 0; }
    done
    return 1
}
start_and_add() { # provider
    start_program
    keyfolds+=("$program_pid")
    named=0
    poll 20 new_window || fail "no window for the Keyfold adding \"$1\""
    activate "${windows[-1]}"
    type_text "$1"
    key Return
    sleep 0.3
}
end_all() { # signal: sent to every Keyfold at once; each ends by itself with status 0
    kill -"$1" "${keyfolds[@]}"
    wait_end 3 "${keyfolds[@]}"
    keyfolds=() windows=()
}
rescue_holds() { # provider: exactly one rescue copy holds a record of that name
    [ "$(grep -l "^.\{0,3\}\"$1\"," "$rescue"/*.csv 2>/dev/null | wc -l)" -eq 1 ]
}

: >"$book"
use_settings 1
start_and_add sig
end_all TERM
{ printf '"sig"\r\n'; printf '""\r\n%.0s' $(seq 12); } | cmp -s - "$book" ||
    fail "SIGTERM with auto-save on did not save the book to its file"
[ ! -e "$rescue" ] || fail "with auto-save on and the book saved, a rescue copy was made"

: >"$book"
use_settings 0
start_and_add hup
end_all HUP
[ ! -s "$book" ] || fail "SIGHUP with auto-save off wrote the book's file"
copies=("$rescue"/*.csv)
[ "${#copies[@]}" -eq 1 ] && [ -f "${copies[0]}" ] || fail "no rescue copy in $rescue after SIGHUP"
printf '\xef\xbb\xbf"hup"%s\r\n' "$(printf ',""%.0s' $(seq 12))" | cmp -s - "${copies[0]}" ||
    fail "the rescue copy does not hold the book as a spreadsheet file"
[ "$(stat -c %a "${copies[0]}")" = 600 ] && [ "$(stat -c %a "$rescue")" = 700 ] ||
    fail "the rescue copy or its folder is open to others"
grep -qF "${copies[0]}" "$work/program.log" || fail "standard error does not name the rescue copy"

# The next start names the copy before its window shows; this one then ends by SIGINT with standard error closed.
stderr=- start_and_add int
[ "$named" -eq 1 ] || fail "the start after a rescue did not name the rescue copy"
end_all INT
rescue_holds int || fail "SIGINT with standard error closed left no rescue copy"
use_settings 1 # from here on the records are saved to the book
start_and_add named
[ "$named" -eq 1 ] || fail "the start after the second rescue did not name it"
end_all TERM
start_and_add again
[ "$named" -eq 0 ] || fail "the rescue copies were named a second time"
end_all TERM

# Two Keyfolds on one book at a logout, in whatever order the system lets them run.
for round in 1 2 3 4; do
    : >"$book"
    start_and_add "A$round"
    start_and_add "B$round"
    end_all TERM
    for provider in "A$round" "B$round"; do
        grep -q "^\"$provider\"" "$book" || rescue_holds "$provider" ||
            fail "round $round: the record \"$provider\" is neither in the book nor in a rescue copy"
    done
done
say "PASS: signals saved or rescued every record, also with two Keyfolds at once; the next start named the copies"
