#!/usr/bin/env bash
# A session through a real X server under a real window manager, driven only by key strokes and mouse clicks: openbox
# offers no maximise on the main window, the options dialog or the About box, all of fixed size; Enter in the options
# dialog cancels it; a record is typed in (Alt and Escape midway return to the box as it was), added with Enter,
# saved through the save dialog under a typed path; "次回から、このファイルを開く" is ticked and Exit clicked. The book
# must hold what was typed, field by field, and the settings must name it for the next start.
# usage: session.sh path/to/keyfold
set -uo pipefail
name=e2e-session desktop=1
. "$(dirname "$0")/../support/lib.sh" "$@"

no_maximise() { # what: the window just shown is managed by openbox, which offers no maximise
    local actions
    actions="$(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS)"
    [[ "$actions" == *ACTION_CLOSE* && "$actions" != *MAXIMIZE* ]] || fail "the $1 offers: $actions"
}
add_record() { # the thirteen fields, box after box with Tab, added with Enter
    type_text "${1:0:2}"
    key alt Escape # back in the box: the caret where it was, nothing selected
    type_text "${1:2}"
    for field in "${@:2}"; do
        key Tab
        [ -z "$field" ] || type_text "$field"
    done
    key Return
}
gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }

start_program
wait_window '^マスターキーの入力$' 'マスターキーの入力'
type_text wqz
key Return
wait_window '^新規 - Keyfold$' 'on an empty book'
main="$window"
no_maximise "main window"
key alt+t o
wait_window '^オプション$' 'オプション'
no_maximise "options dialog"
# Enter in a box of the dialog is Cancel: 次回から、今開いているファイルを開く ticked here would otherwise tick the main
# window's box, which the click below would then clear.
key Tab Tab Tab space Return
activate "$main"
key alt+h k
wait_window 'のﾊﾞｰｼﾞｮﾝ情報$' 'About'
no_maximise "About box"
key Escape
activate "$main"

record=(Tokyo-Net taro01 pass-1 03-1234-5678 ftp.example.jp taro "ftp pass" http://www.example.jp/~taro/
    news.example.jp pop.example.jp smtp.example.jp taro@example.jp "mail#1")
add_record "${record[@]}"
key alt+s
wait_window '^ファイルを保存する$' 'ファイルを保存する'
type_text "$book"
key Return
wait_window '^Keyfold$' "telling that the book was saved"
key Return
poll 20 gone "$window" || fail "the message that the book was saved did not close"
wait_window "^$book - Keyfold\$" "captioned with the saved book"
click_at "$main" 6007 5467 # 次回から、このファイルを開く
click_at "$main" 6007 4507 # 終了
wait_end 20 "$program_pid"

tr -d '\r' <"$book" | diff -u <(printf '"%s"\n' "${record[@]}") - ||
    fail "the book is not what was typed (typed -, saved +)"
grep -qxF "FileName=$book" "$settings" && grep -qx 'Check1=1' "$settings" ||
    fail "the settings do not name $book to open next time: $(cat "$settings")"
say "PASS: a record typed and saved as $book, which the next start opens"
