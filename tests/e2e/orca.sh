#!/usr/bin/env bash
# What a blind user hears: Keyfold under the Orca screen reader in Japanese, speech going to speech-dispatcher's
# dummy module, the spoken strings read from Orca's debug log ("SPEECH OUTPUT"):
#   - the master key typed into the master-key box is never spoken, character by character or whole;
#   - Page Down in the provider-name box is followed by the new position, "2 / 3";
#   - the two "アカウント" boxes sound different, the first with its heading 接続情報.
# The locale ja_JP.UTF-8 is made into the test's own folder (localedef, LOCPATH), so a machine without it, as a fresh
# Debian 12 is, runs the test unchanged. The test's own namespace also keeps any other user's Orca out of sight.
# usage: orca.sh path/to/keyfold
set -uo pipefail
name=e2e-orca desktop=1 tools=(orca speech-dispatcher localedef iconv /usr/libexec/at-spi-bus-launcher)
. "$(dirname "$0")/../support/lib.sh" "$@"

spawn atspi /usr/libexec/at-spi-bus-launcher --launch-immediately
localedef -i ja_JP -f UTF-8 "$work/ja_JP.UTF-8" >"$work/localedef.log" 2>&1 || fail "localedef could not make ja_JP"
# Three records of a provider name (what Page Down must bring), an account in box 1 and eleven empty fields.
printf -v empty '""\r\n%.0s' {1..11}
printf "\"%s\"\r\n\"%s\"\r\n$empty" 第一接続 taro 第二接続 jiro 第三接続 saburo | iconv -t CP932 >"$book" ||
    fail "iconv could not write the book"
# For the programs this script starts; bash itself cannot see a LOCPATH it exports and would warn.
export LOCPATH="$work" GSETTINGS_BACKEND=memory QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 2>/dev/null

# The dummy module plays a recorded notice through libao, here into libao's null device.
mkdir -p "$work/speechd" "$work/orca"
printf 'AddModule "dummy" "sd_dummy" ""\nDefaultModule dummy\nAudioOutputMethod "libao"\n' >"$work/speechd/speechd.conf"
printf 'default_driver=null\n' >"$HOME/.libao"
spawn speechd speech-dispatcher --run-single --timeout 0 --config-dir "$work/speechd" --log-dir "$work/speechd" \
    --communication-method unix_socket --socket-path default
poll 10 test -S "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock" || fail "speech-dispatcher did not start"
# The spoken strings are read while Orca runs, so its debug log is written line by line.
printf 'from orca import debug\ndebug.debugFile.reconfigure(line_buffering=True)\n' >"$work/orca/orca-customizations.py"
spawn orca-output orca --user-prefs "$work/orca" --debug-file "$work/orca.log"
poll 20 grep -qas 'ORCA: Starting registry' "$work/orca.log" || fail "Orca did not start"

# The strings Orca has spoken so far, one a line, without the voice Orca logs after each.
spoken() { sed -n "s/^.* - SPEECH OUTPUT: '\(.*\)' \?\[\?{.*$/\1/p" "$work/orca.log"; }
said=0 # how many strings Orca had spoken at the last mark
mark() { said="$(spoken | wc -l)"; }
# Sets $heard to all Orca said since the last mark; true once a string of it matches.
heard_since_mark() {
    heard="$(spoken | tail -n "+$((said + 1))")"
    grep -qE "$1" <<<"$heard"
}
wait_heard() { # regular expression, what it is, keys pressed first, after a mark
    [ "$#" -eq 2 ] || { mark && key "${@:3}"; }
    poll 10 heard_since_mark "$1" || fail "Orca did not say $2 in 10 s; it said: ${heard//$'\n'/|}"
}

start_program "$book"
wait_window '^マスターキーの入力$' 'マスターキーの入力'
wait_heard 'ﾊﾟｽﾜｰﾄﾞ' 'the master-key box'
# One key every 0.2 s: Qt 6.4 holds each key until the screen reader has seen it and, should that take over 0.1 s,
# hands every held key on at once.
delay=400 wait_heard '^[*wqz]$' 'a character typed into the master-key box' w q z
key Return
wait_window "^$book - Keyfold\$" 'on the book'
# Orca speaks in the order things happen: after this, all that the typing made it say is in its log.
wait_heard '^1 / 3' 'the first position as the main window opened'

wait_heard '^2 / 3' '"2 / 3" after Page Down in box 0' Next
wait_heard 'アカウント' 'box 1' Tab
box1="$(grep 'アカウント' <<<"$heard")"
wait_heard 'アカウント' 'box 5' Tab Tab Tab Tab
box5="$(grep 'アカウント' <<<"$heard")"
[[ "$box1" == *接続情報* ]] || fail "box 1 was heard without its heading 接続情報: \"$box1\""
[ "$box5" != "$box1" ] || fail "box 1 and box 5 sound alike: \"$box1\""
# Read at the end, so that a character spoken late, or the whole key read out later, is caught too.
! spoken | grep -xE '[wqz]|.*wqz.*' || fail "the master key was spoken"
say "PASS: the master key stays unspoken, Page Down is followed by the position, boxes 1 and 5 sound different"
