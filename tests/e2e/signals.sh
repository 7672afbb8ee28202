#!/usr/bin/env bash
# The real program, with an unsaved record, ended as a logout (SIGTERM, SIGHUP) or Ctrl+C (SIGINT) ends it: it must
# end by itself within seconds with status 0, and lose nothing. SIGTERM with "終了時に自動保存する" on saves the book
# to its file; SIGHUP with it off leaves the file alone and keeps the record in a rescue copy that standard error
# names; SIGINT with standard error closed does the same. The start after a rescue names the copies in a message,
# once. Two Keyfolds on one book, each with a record of its own, ended at the same moment: every record is in the
# book or in a rescue copy, round after round. (What a rescue copy holds is the book session's business.)
# usage: signals.sh path/to/keyfold
set -uo pipefail
name=e2e-signals desktop=1
. "$(dirname "$0")/../support/lib.sh" "$@"

rescue="$HOME/.local/share/Keyfold/rescue"
keyfolds=() # those running, each with its window
windows=()

# The book reopened at the start without a master key, auto-save as given.
use_settings() { # auto-save: 0 or 1
    mkdir -p "$(dirname "$settings")"
    if [ -f "$settings" ]; then # keeps the list of rescue copies the program wrote there
        sed -i "s/^FrmOptionCheck5=.*/FrmOptionCheck5=$1/" "$settings"
    else
        printf '[load]\nFileName=%s\nCheck1=1\nFrmOptionCheck1=1\nFrmOptionCheck5=%s\n' "$book" "$1" >"$settings"
    fi
}
# Answers the message naming rescue copies, should it show ($named says whether it did); true once a new window on
# the book shows.
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
    named=0
    start_program
    keyfolds+=("$program_pid")
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
rescued() { # provider: exactly one rescue copy holds a record of that name
    [ "$(grep -l "^.\{0,3\}\"$1\"," "$rescue"/*.csv 2>/dev/null | wc -l)" -eq 1 ]
}

: >"$book"
use_settings 1
start_and_add sig
end_all TERM
grep -qx '"sig"'$'\r' "$book" && [ ! -e "$rescue" ] || fail "SIGTERM with auto-save on did not save the book to its file"

: >"$book"
use_settings 0
start_and_add hup
end_all HUP
[ ! -s "$book" ] && rescued hup || fail "SIGHUP with auto-save off did not keep the record in a rescue copy alone"
grep -qF "$(grep -l '"hup"' "$rescue"/*.csv)" "$work/program.log" || fail "standard error does not name the rescue copy"
stderr=- start_and_add int
[ "$named" -eq 1 ] || fail "the start after a rescue did not name the rescue copy"
end_all INT
rescued int || fail "SIGINT with standard error closed left no rescue copy"
use_settings 1 # from here on the records are saved to the book
start_and_add named
[ "$named" -eq 1 ] || fail "the start after the second rescue did not name it"
end_all TERM
start_and_add again
[ "$named" -eq 0 ] || fail "the rescue copies were named a second time"
end_all TERM

# Two Keyfolds on one book at a logout, in whatever order the system lets them run.
use_settings 1
for round in 1 2 3 4; do
    : >"$book"
    start_and_add "A$round"
    start_and_add "B$round"
    end_all TERM
    for provider in "A$round" "B$round"; do
        grep -q "^\"$provider\"" "$book" || rescued "$provider" ||
            fail "round $round: the record \"$provider\" is neither in the book nor in a rescue copy"
    done
done
say "PASS: signals saved or rescued every record, also with two Keyfolds at once; the next start named the copies"
