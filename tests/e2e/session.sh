#!/usr/bin/env bash
# A whole Keyfold session, driven only by key strokes and mouse clicks:
#   1st run: master key; the window manager offers no maximise on the main window, the options dialog and the About
#            box, all of fixed size; Enter in the options dialog cancels it; two records typed in (Alt and Escape
#            midway return to the box as it was) and added with Enter, saved through the save dialog under a typed
#            path, the success message answered, "次回から、このファイルを開く" ticked, Exit clicked;
#   2nd run: master key, and the book saved before is open again (the caption names its file).
# The data file is compared byte for byte and the settings file key by key.
# usage: session.sh path/to/keyfold
set -uo pipefail
name=e2e-session
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh" "$@"

log_in() {
    start_program
    wait_window '^マスターキーの入力$' 'マスターキーの入力'
    type_text wqz
    key Return
}
no_maximise() { # what: the window just shown is managed by openbox, which offers no maximise
    local actions
    actions="$(xprop -id "$window" _NET_WM_ALLOWED_ACTIONS)"
    [[ "$actions" == *ACTION_CLOSE* ]] || fail "openbox has not managed the $1: $actions"
    [[ "$actions" != *MAXIMIZE* ]] || fail "the $1 can be maximised: $actions"
}
add_record() { # the thirteen fields, box after box with Tab, added with Enter
    # Alt and Escape in the middle of the first: back in the box, the caret is where it was and nothing is selected.
    type_text "${1:0:2}"
    key alt Escape
    type_text "${1:2}"
    for field in "${@:2}"; do
        key Tab
        [ -z "$field" ] || type_text "$field"
    done
    key Return
}
gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
settings_hold() {
    grep -qxF "FileName=$book" "$settings" || fail "the settings do not name $book $1"
    grep -qx 'Check1=1' "$settings" || fail "the tick on 次回から、このファイルを開く is not in the settings $1"
}

log_in
wait_window '^新規 - Keyfold$' 'on an empty book'
main="$window"
no_maximise "main window"
key alt+t o
wait_window '^オプション$' 'オプション'
no_maximise "options dialog"
# Enter in a box of the dialog is Cancel: 次回から、今開いているファイルを開く, ticked here, reaches no setting.
key Tab Tab Tab space Return
activate "$main"
key alt+h k
wait_window 'のﾊﾞｰｼﾞｮﾝ情報$' 'About'
no_maximise "About box"
key Escape
activate "$main"

add_record "東京ネット" "taro01" "pass-1" "03-1234-5678" "ftp.example.jp" "taro" "ftp pass" \
    "http://www.example.jp/~taro/" "news.example.jp" "pop.example.jp" "smtp.example.jp" "taro@example.jp" "mail#1"
add_record "ﾃｽﾄ ISP" "hanako" "" "" "" "" "" "" "" "" "" "hanako@example.jp" "P@ss w0rd"
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

# Each field between double quotes in code page 932, ended by CR LF; 13 lines a record.
{
    printf '"\223\214\213\236\203\154\203\142\203\147"\r\n' # 東京ネット
    printf '"taro01"\r\n"pass-1"\r\n"03-1234-5678"\r\n"ftp.example.jp"\r\n"taro"\r\n"ftp pass"\r\n'
    printf '"http://www.example.jp/~taro/"\r\n"news.example.jp"\r\n"pop.example.jp"\r\n"smtp.example.jp"\r\n'
    printf '"taro@example.jp"\r\n"mail#1"\r\n'
    printf '"\303\275\304 ISP"\r\n' # ﾃｽﾄ ISP, half-width katakana are single bytes
    printf '"hanako"\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n"hanako@example.jp"\r\n"P@ss w0rd"\r\n'
} >"$work/expected.kf1"
cmp "$work/expected.kf1" "$book" || fail "the data file is not what was typed: $(od -c "$book" | head -n 20)"
[ "$(stat -c %a "$book")" = 600 ] || fail "the data file is not for its owner only (600)"
settings_hold "after the first run"

log_in
wait_window "^$book - Keyfold\$" "on the book reopened at the start"
click_at "$window" 6007 4507 # 終了: nothing changed, so no question
wait_end 20 "$program_pid"
cmp -s "$work/expected.kf1" "$book" || fail "the second run changed the data file"
settings_hold "after the second run"
say "PASS: two records typed, saved as $book and reopened at the next start"
