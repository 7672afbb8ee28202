#!/usr/bin/env bash
# The real program through a real X server under openbox, driven only by key strokes, and ended as a logout (SIGTERM,
# SIGHUP) or Ctrl+C (SIGINT) ends it, with an unsaved record: each Keyfold must end by itself within seconds with
# status 0, and lose nothing.
#   - A record is typed box after box with Tab (Alt and Escape midway return to the box as it was) and added with
#     Enter; openbox offers no maximise on the main window, the options dialog or the About box, all of fixed size;
#     Enter in the options dialog cancels it. SIGTERM with "終了時に自動保存する" on then saves the book to its file,
#     field by field as typed, and the settings name it for the next start, which every later start opens.
#   - SIGHUP with auto-save off leaves the file alone and keeps the record in a rescue copy that standard error names;
#     SIGINT with standard error closed does the same. The start after a rescue names the copies in a message (that
#     it names them once is test_login's).
#   - Two Keyfolds on one book, each with a record of its own, ended at the same moment: every record is in the book
#     or in a rescue copy, round after round. (What a rescue copy holds is the book session's business.)
# usage: session.sh path/to/keyfold
set -uo pipefail
name=e2e-session desktop=1
. "$(dirname "$0")/../support/lib.sh" "$@"

rescue="$HOME/.local/share/Keyfold/rescue"
keyfolds=() windows=() # those running, each with its window

# Keeps what the program wrote in the settings: the book to open next time, the rescue copies.
auto_save() { sed -i "s/^FrmOptionCheck5=.*/FrmOptionCheck5=$1/" "$settings"; } # 0 or 1
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
start_and_add() { # the record's fields, box after box
    named=0
    start_program
    keyfolds+=("$program_pid")
    poll 20 new_window || fail "no window for the Keyfold adding \"$1\""
    activate "${windows[-1]}"
    type_text "${1:0:1}"
    key alt Escape # back in the box: the caret where it was, nothing selected
    type_text "${1:1}"
    for field in "${@:2}"; do
        key Tab
        [ -z "$field" ] || type_text "$field"
    done
    key Return
    sleep 0.3
}
end_all() { # signal: sent to every Keyfold at once; each ends by itself within 3 s with status 0
    local pid
    kill -"$1" "${keyfolds[@]}"
    for pid in "${keyfolds[@]}"; do
        poll 3 ended "$pid" || fail "Keyfold did not end within 3 s of SIG$1"
        wait "$pid" || fail "Keyfold ended with status $? at SIG$1"
    done
    keyfolds=() windows=()
}
rescued() { # provider: exactly one rescue copy holds a record of that name
    [ "$(grep -l "^.\{0,3\}\"$1\"," "$rescue"/*.csv 2>/dev/null | wc -l)" -eq 1 ]
}
fixed_window() { # regular expression, what it is: it shows, and openbox offers no maximise for it
    local actions
    wait_window "$1" "$2"
    actions="$(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS)"
    [[ "$actions" == *ACTION_CLOSE* && "$actions" != *MAXIMIZE* ]] || fail "the $2 offers: $actions"
}

: >"$book"
# The book opened at the start without a master key; auto-save on.
printf '[load]\nFileName=%s\nCheck1=1\nFrmOptionCheck1=1\nFrmOptionCheck5=1\n' "$book" >"$settings"
record=(Tokyo-Net taro01 pass-1 03-1234-5678 ftp.example.jp taro "ftp pass" http://www.example.jp/~taro/
    news.example.jp pop.example.jp smtp.example.jp taro@example.jp "mail#1")
start_and_add "${record[@]}"
fixed_window "^$book - Keyfold\$" 'main window'
key alt+t o
fixed_window '^オプション$' 'options dialog'
# Enter in a box of the dialog is Cancel: O.K would pass on 次回から、今開いているファイルを開く, cleared here, to the
# main window, whose box then decides whether the book is named for the next start.
key Tab Tab Tab space Return
activate "${windows[-1]}"
key alt+h k
fixed_window 'のﾊﾞｰｼﾞｮﾝ情報$' 'About box'
end_all TERM
tr -d '\r' <"$book" | diff -u <(printf '"%s"\n' "${record[@]}") - && [ ! -e "$rescue" ] ||
    fail "SIGTERM with auto-save on did not save the book to its file as typed (typed -, saved +)"
grep -qx 'Check1=1' "$settings" || fail "the settings do not name the book for the next start: $(cat "$settings")"

: >"$book"
auto_save 0
start_and_add hup
end_all HUP
[ ! -s "$book" ] && rescued hup || fail "SIGHUP with auto-save off did not keep the record in a rescue copy alone"
copy="$(grep -l '"hup"' "$rescue"/*.csv)"
grep -qxF "Keyfold: 保存されていない変更を $copy に保存しました。" "$work/program.log" ||
    fail "standard error does not name the rescue copy $copy"
stderr=- start_and_add int
[ "$named" -eq 1 ] || fail "the start after a rescue did not name the rescue copy"
end_all INT
rescued int || fail "SIGINT with standard error closed left no rescue copy"
auto_save 1 # from here on the records are saved to the book

# Two Keyfolds on one book at a logout, in whatever order the system lets them run.
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
say "PASS: a typed record saved, every record saved or rescued at a signal; the next start named the copies"
