#!/usr/bin/env bash
# Keyfold under a real Japanese input method (IBus with Mozc, switched on from the start) on its own X display with
# the openbox window manager:
#   - the master key "wqz" typed with the input method on is taken as it was typed;
#   - kana typed in box 0 are composed and confirmed there, "pass1" in box 2 arrives as typed;
#   - in boxes that already hold "abc", "にほん" still being composed lands once however the mouse leaves it: a click
#     on the word, a click before the text (the caret stays there), a double click (the whole text is then
#     selected), a click into another box, a click into another program's window and back;
#   - a word still being composed when the scroll bar's arrow is clicked lands once, in its own box, and never in
#     the next record's provider name.
# The book is then saved through the keyboard and compared with what was typed, field by field.
#
# Mozc refuses to run as root, so as root the test runs itself again as the unprivileged user "nobody".
# usage: input-method.sh path/to/keyfold
# Exit status 77 (a skip) only when no X server can be started here; everything else missing is a failure.
set -uo pipefail
say() { printf 'e2e-im: %s\n' "$*"; }

program="${1:?usage: input-method.sh path/to/keyfold}"
program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

. "$here/display.sh"
need_tools xdotool xprop xmessage openbox unshare ibus-daemon dbus-run-session iconv \
    /usr/lib/ibus-mozc/ibus-engine-mozc

if [ "$(id -u)" -eq 0 ]; then
    # A scratch folder the unprivileged user can read, with a copy of the program it can surely run.
    copy="$(mktemp -d "${TMPDIR:-/tmp}/keyfold-im.XXXXXX")"
    trap 'rm -rf "$copy"' EXIT
    trap 'exit 1' INT TERM HUP
    cp "$program" "$here/input-method.sh" "$here/display.sh" "$copy/"
    chmod 755 "$copy"
    chown -R nobody:nogroup "$copy"
    # A clean environment, but for what a sanitizer build needs to report in the same way.
    runuser -u nobody -- env -i PATH="$PATH" ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
        LSAN_OPTIONS="${LSAN_OPTIONS:-}" bash "$copy/input-method.sh" "$copy/$(basename "$program")"
    exit
fi

if [ -z "${KEYFOLD_IM_WORK:-}" ]; then
    work="$(mktemp -d "${TMPDIR:-/tmp}/keyfold-im-run.XXXXXX")"
    trap 'rm -rf "$work"' EXIT
    trap 'exit 1' INT TERM HUP
    # IBus talks over a session bus of its own. Mozc's server detaches from whatever starts it, so the test runs in a
    # process namespace of its own: when the test ends, however it ends, nothing it started outlives it. The
    # namespace needs a /proc of its own too; with the machine's, no key reaches the input method.
    KEYFOLD_IM_WORK="$work" unshare --user --map-current-user --pid --mount-proc --fork --kill-child \
        dbus-run-session -- bash "$0" "$program"
    exit
fi

work="$KEYFOLD_IM_WORK"
failed=1
show_logs() {
    [ "$failed" -eq 0 ] || for log in program ibus; do
        [ -s "$work/$log.log" ] && { say "$log output:"; sed 's/^/  | /' "$work/$log.log" | tail -n 40; }
    done
}
trap show_logs EXIT
fail() {
    say "FAIL: $*"
    exit 1
}

if ! start_display "$work"; then
    say "SKIP: Xvfb could not start a display here"
    failed=0
    exit "$SKIP"
fi
openbox --sm-disable >/dev/null 2>&1 &
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done

mkdir -p "$work/home/.config/mozc" "$work/runtime" "$work/cwd"
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
export XDG_CACHE_HOME="$work/home/.cache" LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb QT_IM_MODULE=ibus
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_FONT_DPI
# Mozc composes hiragana as soon as a box that takes an input method has the focus.
cat >"$XDG_CONFIG_HOME/mozc/ibus_config.textproto" <<'CONF'
engines {
  name : "mozc-jp"
  longname : "Mozc"
  layout : "default"
  layout_variant : ""
  layout_option : ""
  rank : 80
}
active_on_launch: True
CONF

ibus-daemon --daemonize --replace --panel=disable --emoji-extension=disable --config=disable \
    >"$work/ibus.log" 2>&1
# Choosing the engine answers with a failure while no program has an input context, but the choice holds.
for _ in $(seq 100); do
    ibus engine mozc-jp >/dev/null 2>&1
    [ "$(ibus engine 2>/dev/null)" = mozc-jp ] && break
    sleep 0.2
done
[ "$(ibus engine 2>/dev/null)" = mozc-jp ] || fail "IBus did not take the Mozc engine"
IBUS_ADDRESS="$(ibus address)"
export IBUS_ADDRESS
say "X display $DISPLAY, IBus with $(ibus engine)"

# Another program's window, at the top left, away from Keyfold's windows in the middle of the screen.
xmessage -geometry +0+0 -buttons '' 'another program' >/dev/null 2>&1 &
(cd "$work/cwd" && exec "$program") >"$work/program.log" 2>&1 &

window=""
wait_window() { # regex, what
    window="$(timeout 20 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1)"
    [ -n "$window" ] || fail "no window \"$2\" appeared within 20 s"
    xdotool windowactivate --sync "$window" >/dev/null 2>&1 || fail "could not give the keyboard to \"$2\""
    sleep 0.5
}
# Keys go through IBus, which answers asynchronously: a pause after each lets every key land before the next.
key() { xdotool key --delay 150 "$@" || fail "xdotool could not press $*"; sleep 0.4; }
type_text() { xdotool type --delay 150 -- "$1" || fail "xdotool could not type $1"; sleep 0.6; }

# IBus attaches the engine to the program's input context when it is chosen while a box that takes an input method
# has the focus. The master-key box takes none, so there the engine chosen when IBus started is all there is.
use_mozc() { ibus engine mozc-jp >/dev/null 2>&1; }

# The main window's client area is laid out in twips (6780 x 6300) under the menu bar.
click_at() { # x, y in twips [, clicks]
    local WIDTH HEIGHT X Y SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$main")"
    local client_h=$(((6300 * WIDTH + 3390) / 6780))
    xdotool mousemove --window "$main" $((($1 * WIDTH + 3390) / 6780)) \
        $((HEIGHT - client_h + ($2 * WIDTH + 3390) / 6780)) click --repeat "${3:-1}" 1 ||
        fail "could not click at $1, $2"
    sleep 0.4
}
# Box (by its top in twips) clicked, "abc" typed with the input method off, then "にほん" left composing.
compose_after_abc() {
    click_at 3000 $(($1 + 135))
    key Zenkaku_Hankaku
    type_text abc
    key Zenkaku_Hankaku
    type_text nihonn
}
word=1950 # inside the box, on "にほん" after "abc"

wait_window '^マスターキーの入力$' 'マスターキーの入力'
type_text wqz
key Return
wait_window '^新規 - Keyfold$' 'the main window (the master key typed with the input method on was refused)'
main="$window"
use_mozc

# Record 0. Box 0: kana confirmed with Return. Box 2: "pass1" typed directly.
type_text kana
key Return
click_at 3000 1335
type_text pass1
# Box 1: a click on the word being composed commits it, once, and leaves the caret at its end.
compose_after_abc 840
click_at "$word" 975
type_text ka
key Return
# Box 3: a click before the text commits the word and leaves the caret where clicked.
compose_after_abc 1560
click_at 1330 1695
type_text ka
key Return
# Box 4: a double click commits the word and selects the whole text, which is copied.
compose_after_abc 2160
click_at "$word" 2295 2
key ctrl+c
# Box 5: a click into box 10 commits the word in box 5 only; box 10 then takes what box 4 held.
compose_after_abc 2520
click_at 3000 4935
key ctrl+v
# Box 9: a click into another program's window and back on the word. Whether the word is committed as the window
# loses the keyboard or is still being composed when the click comes back, it lands once.
compose_after_abc 4440
xdotool mousemove --window "$(xdotool search --onlyvisible --name '^xmessage$' | head -n 1)" 10 10 click 1 ||
    fail "could not click into the other program's window"
sleep 0.6
click_at "$word" 4575
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
click_at 5047 5655 # the scroll bar's lower arrow
sleep 1.5
# Record 1 is shown now. Whatever is in its boxes is stored back over it, so any stray copy lands in the file.
click_at 6007 1387 # 上書

book="$work/cwd/im.kf1"
key alt+s
wait_window '^ファイルを保存する$' 'the save dialog'
key Zenkaku_Hankaku # the input method off again for typing the path
type_text "$book"
key Return
wait_window '^Keyfold$' 'the message that the book was saved'
key Return

[ -f "$book" ] || fail "no book was saved"
numbered() { awk '{ printf "record %d box %2d: %s\n", (NR - 1) / 13, (NR - 1) % 13, $0 }'; }
iconv -f CP932 -t UTF-8 "$book" | tr -d '\r' | numbered >"$work/saved.txt" ||
    fail "the book is not code page 932"
printf '"%s"\n' かな abcにほんか pass1 かabcにほん abcにほん abcにほん "" "" "" abcにほん abcにほん "" "" \
    やま "" "" "" "" "" "" "" "" "" "" "" "" | numbered >"$work/expected.txt"
if ! diff -u "$work/expected.txt" "$work/saved.txt"; then
    fail "the book is not what was typed (expected on the left, saved on the right)"
fi
failed=0
say "PASS: kana composed where the input method belongs, direct input elsewhere, a word lands once wherever clicked"
