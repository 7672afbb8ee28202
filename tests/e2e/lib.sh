# Shared by the end-to-end tests; source it after setting $program (an absolute path to keyfold). It starts an X
# server of its own (exit 77, a skip, only where none can be started), makes a fresh user (home, settings folder,
# working directory $work/cwd) and gives helpers to start the program, find, focus and click windows and type.
# Sets $work, $book (a book file's path in the working directory) and $settings; cleans up at exit.
say() { printf 'e2e: %s\n' "$*"; }

. "$(dirname "${BASH_SOURCE[0]}")/display.sh"
need_tools xdotool xwininfo xmodmap
[ -x "$program" ] || { say "FAIL: no program at $program"; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/keyfold-e2e.XXXXXX")"
xvfb_pid=""
program_pid=""
helper_pids=() # what a test starts besides the program and the X server; ended at exit, before the X server
failed=1
keep_work=1 # 0: the folder goes also after a failure, the test having printed what tells why

# Ends a process this script started: SIGTERM, and SIGKILL when it has not ended within two seconds.
end_process() { # pid
    [ -n "$1" ] && kill "$1" 2>/dev/null || return 0
    local _
    for _ in $(seq 20); do
        kill -0 "$1" 2>/dev/null || break
        sleep 0.1
    done
    kill -KILL "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}

cleanup() {
    local pid
    for pid in "$program_pid" "${helper_pids[@]}" "$xvfb_pid"; do
        end_process "$pid"
    done
    if [ "$failed" -eq 0 ] || [ "$keep_work" -eq 0 ]; then
        rm -rf "$work"
    else
        say "the session's files, logs and a picture of the screen at the failure are kept in $work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

fail() {
    say "FAIL: $*"
    if [ -n "${DISPLAY:-}" ] && command -v import >/dev/null 2>&1; then
        import -window root "$work/failure.png" 2>/dev/null
    fi
    if [ -n "${DISPLAY:-}" ]; then
        xwininfo -root -tree >"$work/windows.txt" 2>&1
    fi
    [ -s "$work/program.log" ] && { say "program output:"; sed 's/^/  | /' "$work/program.log"; }
    exit 1
}

# --- an X server of our own, on a display number the server picks itself among the free ones -------------------
if ! start_display "$work"; then
    say "SKIP: Xvfb could not start a display here:"
    sed 's/^/  | /' "$work/xvfb.log"
    failed=0
    exit "$SKIP"
fi
say "X display $DISPLAY"

# --- a fresh user: own home, settings folder and working directory ----------------------------------------------
mkdir -p "$work/home/.config" "$work/runtime" "$work/cwd"
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_FONT_DPI
book="$work/cwd/accounts.kf1"
settings="$XDG_CONFIG_HOME/Keyfold/Keyfold.conf"

start_program() { # arguments for the program...
    (cd "$work/cwd" && exec "$program" "$@") >>"$work/program.log" 2>&1 &
    program_pid=$!
}

# Sets $window to the window whose name matches the regular expression, once it is shown; fails after a bounded
# wait.
window=""
wait_window() { # regex, what it is
    window="$(timeout 20 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1)"
    [ -n "$window" ] || fail "no window \"$2\" appeared within 20 s"
}

# Gives the window the keyboard. There is no window manager, so the focus is set directly.
focus_window() {
    xdotool windowfocus --sync "$1" 2>/dev/null || fail "could not give the keyboard to window $1"
}

wait_gone() { # window id, what it is
    local i
    for i in $(seq 200); do
        xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable' || return 0
        sleep 0.1
    done
    fail "the $2 did not close"
}

wait_program_end() {
    local i
    for i in $(seq 200); do
        if ! kill -0 "$program_pid" 2>/dev/null; then
            wait "$program_pid"
            local status=$?
            program_pid=""
            [ "$status" -eq 0 ] || fail "the program ended with status $status"
            return 0
        fi
        sleep 0.1
    done
    fail "the program did not end within 20 s after Exit"
}

regex_quote() { printf '%s' "$1" | sed 's/[][\.*^$+?(){}|/]/\\&/g'; }

# The main window's client area is laid out in twips (6780 x 6300) and sits under the menu bar, so a control's
# place follows from the window's size whatever the screen's resolution or the menu bar's height.
click_control() { # window id, left, top, width, height (twips, in the client area)
    local WIDTH HEIGHT X Y SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    local client_h=$(( (6300 * WIDTH + 3390) / 6780 ))
    local x=$(( ( ($2 + $4 / 2) * WIDTH + 3390) / 6780 ))
    local y=$(( HEIGHT - client_h + ( ($3 + $5 / 2) * WIDTH + 3390) / 6780 ))
    xdotool mousemove --window "$1" "$x" "$y" click 1 || fail "could not click at $x,$y in window $1"
}

# xdotool types a character that the keyboard map lacks by remapping a spare key for a moment, and a busy program
# can read that key only after it has been mapped back, losing the character. So every such character the session
# types gets a key of its own first (xmodmap), and xdotool never has to remap.
mapped=""
map_characters() {
    local text="$*" c i n=0 free
    read -r -a free < <(xmodmap -pke | awk 'NF == 3 && $2 > 8 { printf "%s ", $2 }')
    for ((i = 0; i < ${#text}; i++)); do
        c="${text:i:1}"
        [ "$(printf '%s' "$c" | LC_ALL=C wc -c)" -gt 1 ] || continue
        [[ "$mapped" == *"$c"* ]] && continue
        [ "$n" -lt "${#free[@]}" ] || fail "no free key left for \"$c\""
        xmodmap -e "keycode ${free[$n]} = $(printf 'U%04X' "'$c")" || fail "could not put \"$c\" on a key"
        mapped+="$c"
        n=$((n + 1))
    done
}
type_text() { xdotool type --delay 40 -- "$1" || fail "xdotool could not type \"$1\""; }
key() { xdotool key --delay 60 "$@" || fail "xdotool could not press $*"; }

# Types the thirteen fields of a record, box after box with Tab, and adds it with Enter.
add_record() {
    local i
    map_characters "${fields[@]}"
    for i in "${!fields[@]}"; do
        [ "$i" -eq 0 ] || key Tab
        [ -z "${fields[$i]}" ] || type_text "${fields[$i]}"
    done
    key Return
}

# The value of a key in the [load] group of the settings file.
setting() {
    awk -v key="$1" '
        /^\[/ { group = $0; next }
        group == "[load]" && index($0, key "=") == 1 { print substr($0, length(key) + 2); found = 1 }
        END { exit !found }' "$settings"
}
