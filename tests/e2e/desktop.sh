#!/usr/bin/env bash
# Keyfold as a desktop sees it, on its own X display with the openbox window manager and a session bus:
#   - the names the program gives its controls reach screen readers through the toolkit's AT-SPI bridge;
#   - the window manager allows no window of fixed size to be maximised (_NET_WM_ALLOWED_ACTIONS).
# usage: desktop.sh path/to/keyfold
# Exit status 77 (a skip) only when no X server can be started here; everything else missing is a failure.
set -uo pipefail
say() { printf 'e2e-desktop: %s\n' "$*"; }

program="${1:?usage: desktop.sh path/to/keyfold}"
program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
. "$here/display.sh"
need_tools xdotool xprop openbox dbus-run-session /usr/libexec/at-spi-bus-launcher
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { say "FAIL: python3-pyatspi is missing."; exit 1; }
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    exec dbus-run-session -- bash "$0" "$program"
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/keyfold-desktop.XXXXXX")"
pids=()
failed=1
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    if [ "$failed" -eq 0 ]; then rm -rf "$work"; else say "files and logs are kept in $work"; fi
}
trap cleanup EXIT
fail() {
    say "FAIL: $*"
    [ -s "$work/program.log" ] && sed 's/^/  | /' "$work/program.log" | tail -n 20
    exit 1
}

if ! start_display "$work"; then
    say "SKIP: Xvfb could not start a display here"
    failed=0
    exit "$SKIP"
fi
pids+=("$xvfb_pid")
start_desktop "$work"
pids+=("${desktop_pids[@]}")

mkdir -p "$work/home/.config/Keyfold" "$work/runtime"
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_FONT_DPI QT_IM_MODULE
# Straight to the main window: the stored option skips the master key.
printf '[load]\nFrmOptionCheck1=1\n' >"$XDG_CONFIG_HOME/Keyfold/Keyfold.conf"
(cd "$work" && exec "$program") >"$work/program.log" 2>&1 &
pids+=($!)

window=""
wait_window() { # regex, what
    window="$(timeout 20 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1)"
    [ -n "$window" ] || fail "no window \"$2\" appeared within 20 s"
    xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus --sync "$window"
    sleep 0.5
}
no_maximise() { # window, what
    local actions
    actions="$(xprop -id "$1" _NET_WM_ALLOWED_ACTIONS)" || fail "no allowed actions on the $2"
    case "$actions" in
    *ACTION_CLOSE*) ;;
    *) fail "the window manager has not managed the $2: $actions" ;;
    esac
    case "$actions" in
    *MAXIMIZE*) fail "the $2 can be maximised: $actions" ;;
    esac
}

wait_window '^新規 - Keyfold$' 'the main window'
main="$window"
no_maximise "$main" "main window"

# What a screen reader gets: every edit box, the scroll bar and the buttons with their names.
/usr/bin/python3 - <<'PY' >"$work/tree.txt" 2>&1 || { cat "$work/tree.txt"; fail "no accessible Keyfold on the bus"; }
import sys, time, pyatspi
def walk(node, out, depth=0):
    if node is None or depth > 20:
        return
    out.append((node.getRoleName(), node.name, node.description))
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i), out, depth + 1)
for _ in range(50):
    desktop = pyatspi.Registry.getDesktop(0)
    apps = [a for a in desktop if a is not None and a.name.lower() == "keyfold"]
    if apps:
        break
    time.sleep(0.2)
else:
    sys.exit("Keyfold is not on the accessibility bus")
nodes = []
walk(apps[0], nodes)
for role, name, description in nodes:
    print(f"{role}|{name}|{description}")
PY
expect_node() { # role|name|description
    grep -qxF "$1" "$work/tree.txt" || { sed 's/^/  | /' "$work/tree.txt"; fail "a screen reader does not see: $1"; }
}
expect_node "text|接続先|新規"
expect_node "text|接続情報 パスワード|"
expect_node "text|ファイル転送 パスワード|"
expect_node "text|メール パスワード|"
expect_node "scroll bar|レコード|新規"

xdotool key alt+t o
wait_window '^オプション$' 'the options dialog'
no_maximise "$window" "options dialog"
xdotool key Escape
xdotool windowactivate --sync "$main" >/dev/null 2>&1
xdotool key alt+h k
wait_window 'のﾊﾞｰｼﾞｮﾝ情報$' 'the About box'
no_maximise "$window" "About box"

failed=0
say "PASS: the controls' names reach AT-SPI, and no fixed-size window can be maximised"
