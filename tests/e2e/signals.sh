#!/usr/bin/env bash
# The real program, with an unsaved record, ended as a logout (SIGTERM, SIGHUP) or Ctrl+C (SIGINT) ends it. It must
# end within two seconds without showing anything, store the settings as a normal exit does, and lose nothing:
#   SIGTERM with "終了時に自動保存する" on: the book is saved to its file;
#   SIGHUP with it off: the file stays as it was and the book goes to an owner-only rescue copy (a UTF-8 spreadsheet
#   file) in $XDG_DATA_HOME/Keyfold/rescue, which standard error names;
#   SIGINT with standard error closed: the same, and the program still ends;
#   the next start names the rescue copies in one message, once;
#   two Keyfolds on one book, each with a record of its own, ended at the same moment: every record is in the book
#   or in a rescue copy, round after round.
#
# usage: signals.sh path/to/keyfold
# Exit status 77 (a skip) only when no X server can be started here.
set -uo pipefail

program="${1:?usage: signals.sh path/to/keyfold}"
program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"

. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

export XDG_DATA_HOME="$work/home/.local/share"
rescue="$XDG_DATA_HOME/Keyfold/rescue"
pids=()
windows=()
trap 'kill "${pids[@]}" 2>/dev/null; cleanup' EXIT

# Logging on with the current key, the book reopened at the start, auto-save as given; the rest of the settings
# (the rescue copies not named yet) stays.
use_settings() { # auto-save: 0 or 1
    mkdir -p "$(dirname "$settings")"
    if [ -f "$settings" ]; then
        sed -i "s/^FrmOptionCheck5=.*/FrmOptionCheck5=$1/" "$settings"
    else
        printf '[load]\nFileName=%s\nCheck1=1\nFrmOptionCheck1=1\nFrmOptionCheck5=%s\n' "$book" "$1" >"$settings"
    fi
}

# Starts a Keyfold on the book (standard error as given), answers the message naming rescue copies if it comes
# (setting $named), and adds a record holding only the provider name.
start_and_add() { # provider, stderr: log or closed
    local id known message
    if [ "$2" = closed ]; then
        (cd "$work/cwd" && exec "$program" 2>&-) >>"$work/program.log" &
    else
        (cd "$work/cwd" && exec "$program") >>"$work/program.log" 2>&1 &
    fi
    pids+=($!)
    named=0
    for _ in $(seq 100); do
        message=$(xdotool search --onlyvisible --name '^Keyfold$' 2>/dev/null | head -n 1)
        if [ -n "$message" ]; then
            focus_window "$message"
            key Return
            named=1
        fi
        for id in $(xdotool search --onlyvisible --name "^$(regex_quote "$book") - Keyfold\$" 2>/dev/null); do
            known=" ${windows[*]} "
            [[ "$known" == *" $id "* ]] || { windows+=("$id"); break 2; }
        done
        sleep 0.1
    done
    [ "${#windows[@]}" -eq "${#pids[@]}" ] || fail "no window for the Keyfold adding \"$1\""
    focus_window "${windows[-1]}"
    type_text "$1"
    key Return
    sleep 0.3
}

# Sends the signal to every Keyfold started at the same moment; each must end by itself within 2.5 s with status 0.
end_all() { # signal
    local pid status
    kill -"$1" "${pids[@]}"
    for _ in $(seq 50); do
        kill -0 "${pids[@]}" 2>/dev/null || break
        sleep 0.05
    done
    for pid in "${pids[@]}"; do
        kill -0 "$pid" 2>/dev/null && fail "a Keyfold was still running 2.5 s after SIG$1"
        wait "$pid"
        status=$?
        [ "$status" -eq 0 ] || fail "a Keyfold ended with status $status after SIG$1"
    done
    pids=()
    windows=()
    [ "$(setting FileName)" = "$book" ] && [ "$(setting Check1)" = 1 ] || fail "the settings were not stored"
}

rescue_holds() { # provider: exactly one rescue copy holds a record of that name
    [ "$(grep -l "^.\{0,3\}\"$1\"," "$rescue"/*.csv 2>/dev/null | wc -l)" -eq 1 ]
}

{ printf '"sig"\r\n'; for _ in $(seq 12); do printf '""\r\n'; done; } >"$work/expected.kf1"

: >"$book"
use_settings 1
start_and_add sig log
end_all TERM
cmp -s "$work/expected.kf1" "$book" || fail "SIGTERM with auto-save on did not save the book to its file"
[ ! -e "$rescue" ] || fail "with auto-save on and the book saved, a rescue copy was made"

: >"$book"
use_settings 0
start_and_add hup log
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
start_and_add int closed
[ "$named" -eq 1 ] || fail "the start after a rescue did not name the rescue copy"
end_all INT
rescue_holds int || fail "SIGINT with standard error closed left no rescue copy"
use_settings 1 # from here on the records are saved to the book
start_and_add named log
[ "$named" -eq 1 ] || fail "the start after the second rescue did not name it"
end_all TERM
start_and_add again log
[ "$named" -eq 0 ] || fail "the rescue copies were named a second time"
end_all TERM

# Two Keyfolds on one book at a logout, in whatever order the system lets them run.
for round in 1 2 3 4; do
    : >"$book"
    start_and_add "A$round" log
    start_and_add "B$round" log
    end_all TERM
    for provider in "A$round" "B$round"; do
        grep -q "^\"$provider\"" "$book" || rescue_holds "$provider" ||
            fail "round $round: the record \"$provider\" is neither in the book nor in a rescue copy"
    done
done

failed=0
say "PASS: signals saved or rescued every record, also with two Keyfolds at once; the next start named the copies"
exit 0
