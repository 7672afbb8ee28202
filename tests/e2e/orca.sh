#!/usr/bin/env bash
# What a blind user hears: Keyfold under the Orca screen reader in Japanese, speech going to speech-dispatcher's
# dummy module, the spoken strings read from Orca's debug log ("SPEECH OUTPUT"):
#   - the master key typed into the master-key box is never spoken, character by character or whole;
#   - Page Down in the provider-name box is followed by the new position, "2 / 3";
#   - the two "アカウント" boxes sound different, the first with its heading 接続情報.
# The locale ja_JP.UTF-8 is made into the test's own folder (localedef, from the locales package; LOCPATH), so a
# machine without it, as a fresh Debian 12 is, runs the test unchanged.
# Orca refuses to start while another Orca of the same user runs, and speech-dispatcher and the accessibility bus
# can outlive whoever started them: the test runs in a PID namespace of its own (unshare; a user namespace as well
# when not root), so it sees no other Orca and nothing it started survives it, also when it fails or is killed.
#
# usage: orca.sh path/to/keyfold
# Exit status 77 (a skip) only when no X server can be started here; everything else missing is a failure.
set -uo pipefail
say() { printf 'e2e-orca: %s\n' "$*"; }

program="${1:?usage: orca.sh path/to/keyfold}"
program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

case "${KEYFOLD_ORCA_STAGE:-}" in
"")
    . "$here/display.sh"
    need_tools unshare dbus-run-session orca speech-dispatcher localedef iconv openbox xprop \
        /usr/libexec/at-spi-bus-launcher
    namespace=(unshare --pid --fork --mount-proc --kill-child)
    [ "$(id -u)" -eq 0 ] || namespace=(unshare --user --map-root-user --pid --fork --mount-proc --kill-child)
    # Everything the test writes lies in one folder, removed here whatever way the namespace ended.
    scratch="$(mktemp -d "${TMPDIR:-/tmp}/keyfold-orca.XXXXXX")"
    KEYFOLD_ORCA_STAGE=namespace TMPDIR="$scratch" "${namespace[@]}" bash "$0" "$program"
    status=$?
    rm -rf "$scratch"
    exit "$status"
    ;;
namespace)
    # A session bus of our own, whatever the caller's desktop has.
    unset AT_SPI_BUS_ADDRESS
    KEYFOLD_ORCA_STAGE=bus exec dbus-run-session -- bash "$0" "$program"
    ;;
esac

. "$here/lib.sh"
keep_work=0 # what a failure needs is printed: the spoken strings, Orca's and the program's output

start_desktop "$work" || fail "openbox did not start"
helper_pids+=("${desktop_pids[@]}")

mkdir "$work/locale"
localedef -i ja_JP -f UTF-8 "$work/locale/ja_JP.UTF-8" >"$work/localedef.log" 2>&1 ||
    fail "localedef could not make ja_JP.UTF-8: $(cat "$work/localedef.log")"

# Three records; the provider names are what Page Down must bring, the first account sits in box 1.
record() { # provider, account
    printf '"%s"\r\n"%s"\r\n' "$1" "$2"
    for _ in $(seq 11); do printf '""\r\n'; done
}
{ record 第一接続 taro; record 第二接続 jiro; record 第三接続 saburo; } | iconv -f UTF-8 -t CP932 >"$book" ||
    fail "iconv could not write the book"

# For the programs this script starts; bash itself cannot see a LOCPATH it exports and would warn.
export LOCPATH="$work/locale" GSETTINGS_BACKEND=memory
export LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 2>/dev/null

# The dummy module plays a recorded notice through libao, here into libao's null device.
mkdir -p "$work/speechd"
printf 'AddModule "dummy" "sd_dummy" ""\nDefaultModule dummy\nAudioOutputMethod "libao"\n' >"$work/speechd/speechd.conf"
printf 'default_driver=null\n' >"$HOME/.libao"
speech-dispatcher --run-single --timeout 0 --config-dir "$work/speechd" --log-dir "$work/speechd" \
    --communication-method unix_socket --socket-path default >"$work/speechd.log" 2>&1 &
helper_pids+=($!)
for _ in $(seq 100); do
    [ -S "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock" ] && break
    sleep 0.1
done

# The spoken strings are read while Orca runs, so its debug log is written line by line.
mkdir "$work/orca"
printf 'from orca import debug\ndebug.debugFile.reconfigure(line_buffering=True)\n' >"$work/orca/orca-customizations.py"
orca --user-prefs "$work/orca" --debug-file "$work/orca.log" >"$work/orca.out" 2>&1 &
helper_pids+=($!)
for _ in $(seq 200); do
    grep -qa 'ORCA: Starting registry' "$work/orca.log" 2>/dev/null && break
    sleep 0.1
done
grep -qa 'ORCA: Starting registry' "$work/orca.log" || fail "Orca did not start: $(cat "$work/orca.out")"

# The strings Orca has spoken so far, one a line, without the voice Orca logs after each.
spoken() { sed -n "s/^.* - SPEECH OUTPUT: '\(.*\)' \?\[\?{.*$/\1/p" "$work/orca.log"; }
said=0 # how many strings Orca had spoken at the last mark
mark() { said="$(spoken | wc -l)"; }
# Waits until Orca, since the last mark, has said COUNT strings matching the regular expression (at most 10 s), and
# sets $heard to all it said since the mark.
heard=""
wait_heard() { # regular expression, what it is, count (1)
    local _
    for _ in $(seq 100); do
        heard="$(spoken | tail -n "+$((said + 1))")"
        [ "$(printf '%s\n' "$heard" | grep -cE "$1")" -lt "${3:-1}" ] || return 0
        sleep 0.1
    done
    fail "Orca did not say $2 within 10 s; it said: $(printf '%s\n' "$heard" | tr '\n' '|')"
}

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
start_program "$book"
wait_window '^マスターキーの入力$' 'マスターキーの入力'
focus_window "$window"
wait_heard 'ﾊﾟｽﾜｰﾄﾞ' 'the master-key box'
mark
# One key at a time: Qt 6.4 holds each key until the screen reader has seen it and, should that take over 0.1 s,
# hands every held key on at once.
for c in w q z; do
    key "$c"
    sleep 0.2
done
wait_heard '^[*wqz]$' 'a character typed into the master-key box'
key Return
wait_window "^$(regex_quote "$book") - Keyfold\$" 'the main window on the book'
focus_window "$window"
# Orca speaks in the order things happen: after this, all that the typing made it say is in its log.
wait_heard '^1 / 3' 'the first position as the main window opened'

mark
key Next
wait_heard '^2 / 3' '"2 / 3" after Page Down in box 0'
mark
key Tab
wait_heard 'アカウント' 'box 1'
box1="$(printf '%s\n' "$heard" | grep 'アカウント')"
mark
key Tab Tab Tab Tab
wait_heard 'アカウント' 'box 5'
box5="$(printf '%s\n' "$heard" | grep 'アカウント')"
[[ "$box1" == *接続情報* ]] || fail "box 1 was heard without its heading 接続情報: \"$box1\""
[ "$box5" != "$box1" ] || fail "box 1 and box 5 sound alike: \"$box1\""
# Read at the end, so that a character spoken late, or the whole key read out later, is caught too.
if spoken | grep -qxE '[wqz]|.*wqz.*'; then
    fail "the master key was spoken: $(spoken | grep -xE '[wqz]|.*wqz.*' | tr '\n' '|')"
fi

failed=0
say "PASS: the master key stays unspoken, Page Down is followed by the position, boxes 1 and 5 sound different"
