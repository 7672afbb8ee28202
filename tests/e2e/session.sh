#!/usr/bin/env bash
# A whole Keyfold session on a real X display, driven only by key strokes and mouse clicks:
#   1st run: master key, two records typed in and added with Enter, saved through the save dialog under a typed
#            path, the success message answered, "次回から、このファイルを開く" ticked, the program ended with
#            the Exit button;
#   2nd run: master key, and the book saved before must be open again (the caption names its file).
# The data file is compared byte for byte and the settings file key by key.
#
# usage: session.sh path/to/keyfold
# Exit status 77 (a skip) only when no X server can be started here; everything else missing is a failure.
set -uo pipefail

program="${1:?usage: session.sh path/to/keyfold}"
program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"

. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# ================================ first run =======================================================================
start_program
wait_window '^マスターキーの入力$' 'マスターキーの入力'
login="$window"
focus_window "$login"
type_text wqz
key Return
wait_window '^新規 - Keyfold$' '新規 - Keyfold (the main window on an empty book)'
main="$window"
focus_window "$main"

fields=("東京ネット" "taro01" "pass-1" "03-1234-5678" "ftp.example.jp" "taro" "ftp pass" "http://www.example.jp/~taro/"
        "news.example.jp" "pop.example.jp" "smtp.example.jp" "taro@example.jp" "mail#1")
add_record
fields=("ﾃｽﾄ ISP" "hanako" "" "" "" "" "" "" "" "" "" "hanako@example.jp" "P@ss w0rd")
add_record

key alt+s
wait_window '^ファイルを保存する$' 'ファイルを保存する (the save dialog)'
save_dialog="$window"
focus_window "$save_dialog"
type_text "$book"
key Return
wait_gone "$save_dialog" "save dialog"

wait_window '^Keyfold$' "the message that the book was saved"
done_box="$window"
focus_window "$done_box"
key Return
wait_gone "$done_box" "message box"
wait_window "^$(regex_quote "$book") - Keyfold\$" "$book - Keyfold (the caption after saving)"

# Tick 次回から、このファイルを開く, then press Exit: both with the mouse.
click_control "$main" 5400 5160 1215 615
sleep 0.2
click_control "$main" 5400 4320 1215 375
wait_program_end

# ---- what the first run left behind -------------------------------------------------------------------------------
[ -f "$book" ] || fail "no data file at $book"
# Each field between double quotes in code page 932, ended by CR LF; 13 lines a record.
{
    printf '"\223\214\213\236\203\154\203\142\203\147"\r\n' # 東京ネット
    printf '"taro01"\r\n"pass-1"\r\n"03-1234-5678"\r\n"ftp.example.jp"\r\n"taro"\r\n"ftp pass"\r\n'
    printf '"http://www.example.jp/~taro/"\r\n"news.example.jp"\r\n"pop.example.jp"\r\n"smtp.example.jp"\r\n'
    printf '"taro@example.jp"\r\n"mail#1"\r\n'
    printf '"\303\275\304 ISP"\r\n' # ﾃｽﾄ ISP, half-width katakana are single bytes
    printf '"hanako"\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n""\r\n"hanako@example.jp"\r\n"P@ss w0rd"\r\n'
} >"$work/expected.kf1"
if ! cmp "$work/expected.kf1" "$book"; then
    say "expected:"; od -c "$work/expected.kf1" | sed 's/^/  | /'
    say "written:"; od -c "$book" | sed 's/^/  | /'
    fail "the data file is not what was typed"
fi
lines="$(tr -cd '\n' <"$book" | wc -c)"
[ "$lines" -eq 26 ] || fail "the data file has $lines lines, not 26"
mode="$(stat -c %a "$book")"
[ "$mode" = 600 ] || fail "the data file's mode is $mode; a new book is for its owner only (600)"

check_settings() { # when
    [ -f "$settings" ] || fail "no settings file at $settings $1"
    local name check
    name="$(setting FileName)" || fail "the settings file has no FileName $1"
    [ "$name" = "$book" ] || fail "FileName=$name in the settings $1, expected $book"
    check="$(setting Check1)" || fail "the settings file has no Check1 $1"
    [ "$check" = 1 ] || fail "Check1=$check in the settings $1: the tick on 次回から、このファイルを開く was lost"
}
check_settings "after the first run"

# ================================ second run ======================================================================
start_program
wait_window '^マスターキーの入力$' 'マスターキーの入力 (second run)'
login="$window"
focus_window "$login"
type_text wqz
key Return
wait_window "^$(regex_quote "$book") - Keyfold\$" "$book - Keyfold (the book reopened at start)"
main="$window"
focus_window "$main"
# Nothing changed, so Exit ends the program without a question and keeps the book for the next start.
click_control "$main" 5400 4320 1215 375
wait_program_end
cmp -s "$work/expected.kf1" "$book" || fail "the second run changed the data file"
check_settings "after the second run"

failed=0
say "PASS: two records typed, saved as $book and reopened at the next start"
exit 0
