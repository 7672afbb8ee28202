#!/usr/bin/env bash
# Keyfold under a real Japanese input method (IBus with Mozc, switched on from the start) on its own X display:
#   - the master key "wqz" typed with the input method on is taken as it was typed;
#   - kana typed in boxes 0 and 1 are composed and confirmed there, "pass1" in box 2 arrives as typed;
#   - a word still being composed when the scroll bar's arrow is clicked lands once, in its own box, and never in
#     the next record's provider name;
#   - Alt and then Escape (to the menu bar and back) keep the box's text and caret.
# The book is then saved through the keyboard and compared with what was typed.
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
need_tools xdotool xwininfo ibus-daemon dbus-run-session iconv /usr/lib/ibus-mozc/ibus-engine-mozc

if [ "$(id -u)" -eq 0 ]; then
    # A scratch folder the unprivileged user owns, with a copy of the program it can surely run.
    work="$(mktemp -d "${TMPDIR:-/tmp}/keyfold-im.XXXXXX")"
    cp "$program" "$here/input-method.sh" "$here/display.sh" "$work/"
    chmod 755 "$work"
    chown -R nobody:nogroup "$work"
    # A clean environment, but for what a sanitizer build needs to report in the same way.
    runuser -u nobody -- env -i PATH="$PATH" ASAN_OPTIONS="${ASAN_OPTIONS:-}" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" \
        LSAN_OPTIONS="${LSAN_OPTIONS:-}" bash "$work/input-method.sh" "$work/$(basename "$program")"
    status=$?
    [ "$status" -ne 0 ] || rm -rf "$work"
    exit "$status"
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/keyfold-im-run.XXXXXX")"
xvfb_pid=""
failed=1
cleanup() {
    [ -z "${program_pid:-}" ] || kill "$program_pid" 2>/dev/null
    [ -z "${ibus_started:-}" ] || ibus exit >/dev/null 2>&1
    [ -z "$xvfb_pid" ] || { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
    if [ "$failed" -eq 0 ]; then rm -rf "$work"; else say "files and logs are kept in $work"; fi
}
trap cleanup EXIT

fail() {
    say "FAIL: $*"
    [ -z "${DISPLAY:-}" ] || import -window root "$work/failure.png" 2>/dev/null
    for log in program ibus; do
        [ -s "$work/$log.log" ] && { say "$log output:"; sed 's/^/  | /' "$work/$log.log" | tail -n 40; }
    done
    exit 1
}

if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    # IBus talks over a session bus of its own.
    exec dbus-run-session -- bash "$0" "$program"
fi

if ! start_display "$work"; then
    say "SKIP: Xvfb could not start a display here"
    failed=0
    exit "$SKIP"
fi

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
ibus_started=1
for _ in $(seq 100); do
    ibus engine mozc-jp >/dev/null 2>&1 && break
    sleep 0.2
done
[ "$(ibus engine 2>/dev/null)" = mozc-jp ] || fail "IBus did not take the Mozc engine"
IBUS_ADDRESS="$(ibus address)"
export IBUS_ADDRESS
say "X display $DISPLAY, IBus with $(ibus engine)"

(cd "$work/cwd" && exec "$program") >"$work/program.log" 2>&1 &
program_pid=$!

window=""
wait_window() { # regex, what
    window="$(timeout 20 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1)"
    [ -n "$window" ] || fail "no window \"$2\" appeared within 20 s"
    xdotool windowfocus --sync "$window" 2>/dev/null || fail "could not give the keyboard to \"$2\""
    sleep 0.5
}
# Keys go through IBus, which answers asynchronously: a pause after each lets every key land before the next.
key() { xdotool key --delay 150 "$@" || fail "xdotool could not press $*"; sleep 0.4; }
type_text() { xdotool type --delay 150 -- "$1" || fail "xdotool could not type $1"; sleep 0.6; }

# IBus attaches the engine to the program's input context when it is chosen while a box that takes an input method
# has the focus. The master-key box takes none, so there the engine chosen when IBus started is all there is.
use_mozc() { ibus engine mozc-jp >/dev/null 2>&1; }

# The main window's client area is laid out in twips (6780 x 6300) under the menu bar.
click_at() { # x, y in twips
    local WIDTH HEIGHT X Y SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$main")"
    local client_h=$(((6300 * WIDTH + 3390) / 6780))
    xdotool mousemove --window "$main" $((($1 * WIDTH + 3390) / 6780)) \
        $((HEIGHT - client_h + ($2 * WIDTH + 3390) / 6780)) click 1 || fail "could not click at $1, $2"
    sleep 0.4
}

wait_window '^マスターキーの入力$' 'マスターキーの入力'
type_text wqz
key Return
wait_window '^新規 - Keyfold$' 'the main window (the master key typed with the input method on was refused)'
main="$window"
use_mozc

# Record 0: kana in boxes 0 and 1 (Return confirms the composition), "pass1" typed directly in box 2, then Enter
# adds the record. Record 1: kana in box 0 only.
type_text kana
key Return
key Tab
type_text sushi
key Return
key Tab
type_text pass1
key Return
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

# Alt and then Escape in box 7 (direct input): the caret stays between "wx" and "z".
click_at 3000 3375
type_text wxz
key Left
key alt
key Escape
type_text y
click_at 6007 1387

book="$work/cwd/im.kf1"
key alt+s
wait_window '^ファイルを保存する$' 'the save dialog'
key Zenkaku_Hankaku # the input method off again for typing the path
type_text "$book"
key Return
wait_window '^Keyfold$' 'the message that the book was saved'
key Return

[ -f "$book" ] || fail "no book was saved"
iconv -f CP932 -t UTF-8 "$book" | tr -d '\r' >"$work/saved.txt" || fail "the book is not code page 932"
printf '"%s"\n' かな すし pass1 "" "" "" "" "" "" "" "" "" "" \
    やま "" "" "" "" "" "" wxyz "" "" "" "" "" >"$work/expected.txt"
if ! diff -u "$work/expected.txt" "$work/saved.txt"; then
    fail "the book is not what was typed (expected on the left, saved on the right)"
fi
failed=0
say "PASS: kana composed where the input method belongs, direct input elsewhere, no stray copies"
