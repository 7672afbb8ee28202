#!/usr/bin/env bash
# Keyfold under a real Japanese input method (IBus with Mozc, switched on from the start):
#   - the master key "wqz" typed with the input method on is taken as it was typed;
#   - kana typed in box 0 are composed and confirmed there, what is typed in the boxes for passwords and the Web
#     page (2, 6, 7, 12) arrives as typed;
#   - in boxes that already hold "abc", "にほん" still being composed lands once however the mouse leaves it: a click
#     on the word, a click before the text (the caret stays there), a double click (the whole text is then
#     selected), a click into another box, a click into another program's window and back;
#   - a word still being composed when the scroll bar's arrow is clicked lands once, in its own box, and never in
#     the next record's provider name.
# The book is then saved through the keyboard and compared with what was typed, field by field.
# Mozc refuses to run as root, so as root the test runs as the unprivileged user "nobody".
# usage: input-method.sh path/to/keyfold
set -uo pipefail
name=e2e-im desktop=1 run_as=nobody tools=(xmessage ibus-daemon ibus iconv /usr/lib/ibus-mozc/ibus-engine-mozc)
. "$(dirname "$0")/../support/lib.sh" "$@"
delay=150 pause=0.6 # IBus answers each key asynchronously: every key lands before the next is sent

# Mozc composes hiragana as soon as a box that takes an input method has the focus.
mkdir -p "$XDG_CONFIG_HOME/mozc"
printf 'engines { name: "mozc-jp" longname: "Mozc" layout: "default" rank: 80 }\nactive_on_launch: True\n' \
    >"$XDG_CONFIG_HOME/mozc/ibus_config.textproto"
export XDG_CACHE_HOME="$HOME/.cache" QT_IM_MODULE=ibus
ibus-daemon --daemonize --replace --panel=disable --emoji-extension=disable --config=disable >"$work/ibus.log" 2>&1
# Choosing the engine answers with a failure while no program has an input context, but the choice holds.
use_mozc() { ibus engine mozc-jp >/dev/null 2>&1 || [ "$(ibus engine 2>/dev/null)" = mozc-jp ]; }
poll 20 use_mozc || fail "IBus did not take the Mozc engine"
export IBUS_ADDRESS="$(ibus address)"

spawn xmessage xmessage -geometry +0+0 -buttons '' 'another program' # away from Keyfold, in the middle
start_program
wait_window '^マスターキーの入力$' 'マスターキーの入力'
type_text wqz
key Return
wait_window '^新規 - Keyfold$' 'on an empty book (the master key typed with the input method on was refused)'
main="$window"
# IBus attaches the engine to the program's input context when it is chosen while a box that takes an input method
# has the focus. The master-key box takes none, so there the engine chosen when IBus started is all there is.
use_mozc

# Box (by its top in twips) clicked, "abc" typed with the input method off, then "にほん" left composing.
compose_after_abc() {
    click_at "$main" 3000 $(($1 + 135))
    key Zenkaku_Hankaku
    type_text abc
    key Zenkaku_Hankaku
    type_text nihonn
}
word=1950 # inside a box, on "にほん" after "abc"

# Record 0. Box 0: kana confirmed with Return. Boxes 2, 6, 7 and 12 (by their middle in twips) take no input method.
type_text kana
key Return
for box in "1335 pass1" "3015 ftp6" "3375 url7" "5655 mail12"; do
    click_at "$main" 3000 "${box% *}"
    type_text "${box#* }"
done
# Box 1: a click on the word being composed commits it, once, and leaves the caret at its end.
compose_after_abc 840
click_at "$main" "$word" 975
type_text ka
key Return
# Box 3: a click before the text commits the word and leaves the caret where clicked.
compose_after_abc 1560
click_at "$main" 1330 1695
type_text ka
key Return
# Box 4: a double click commits the word and selects the whole text, which is copied.
compose_after_abc 2160
click_at "$main" "$word" 2295 2
key ctrl+c
# Box 5: a click into box 10 commits the word in box 5 only; box 10 then takes what box 4 held.
compose_after_abc 2520
click_at "$main" 3000 4935
key ctrl+v
# Box 9: a click into another program's window and back on the word. Whether the word is committed as the window
# loses the keyboard or is still being composed when the click comes back, it lands once.
compose_after_abc 4440
xdotool mousemove --window "$(xdotool search --onlyvisible --name '^xmessage$' | head -n 1)" 10 10 click 1 ||
    fail "could not click into the other program's window"
sleep "$pause"
click_at "$main" "$word" 4575
key Return # adds the record
# Record 1: kana in box 0 only.
type_text yama
key Return
key Return

# Back to record 0, into box 1, and a word left composing there while the scroll bar's lower arrow is clicked.
key ctrl+Home
key Tab
key End
type_text ika
click_at "$main" 5047 5655
sleep 1.5
# Record 1 is shown now. Whatever is in its boxes is stored back over it, so any stray copy lands in the file.
click_at "$main" 6007 1387 # 上書

key alt+s
wait_window '^ファイルを保存する$' 'ファイルを保存する'
key Zenkaku_Hankaku # the input method off again for typing the path
type_text "$book"
key Return
wait_window '^Keyfold$' 'telling that the book was saved'

numbered() { awk '{ printf "record %d box %2d: %s\n", (NR - 1) / 13, (NR - 1) % 13, $0 }'; }
iconv -f CP932 -t UTF-8 "$book" | tr -d '\r' | numbered >"$work/saved.txt" || fail "no book in code page 932"
printf '"%s"\n' かな abcにほんか pass1 かabcにほん abcにほん abcにほん ftp6 url7 "" abcにほん abcにほん "" mail12 \
    やま "" "" "" "" "" "" "" "" "" "" "" "" | numbered >"$work/expected.txt"
diff -u "$work/expected.txt" "$work/saved.txt" || fail "the book is not what was typed (expected -, saved +)"
say "PASS: kana composed where the input method belongs, direct input elsewhere, a word lands once wherever clicked"
