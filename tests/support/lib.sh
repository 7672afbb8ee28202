# Shared by the shell tests. A test sets $name (what its lines of output start with) and where needed $tools (what it
# needs), $desktop (1: it drives the program on an X display) and $run_as (the user to be when started as root), then
# sources this file with its arguments.
# The test first runs itself again in a PID namespace of its own, with a clean environment and a fresh user (home,
# settings, working directory $work/cwd), in a scratch folder removed only once the namespace has ended: whatever the
# test starts, daemons that detach included, ends with it however it ends, and nothing writes into the folder after
# it is gone. Processes listed in $started are ended first, in reverse order, so that the X server goes last and
# cleans up after itself; on a failure the end of each log in $work is shown.
say() { printf '%s: %s\n' "$name" "$*"; }
fail() {
    say "FAIL: $*"
    exit 1
}

if [ -z "${KEYFOLD_TEST_WORK:-}" ]; then
    for tool in unshare ${tools[@]+"${tools[@]}"} ${desktop:+Xvfb xdotool xprop xwininfo openbox dbus-run-session}; do
        command -v "$tool" >/dev/null || fail "$tool is missing (tools/dev.sh test installs it)"
    done
    work="$(mktemp -d "${TMPDIR:-/tmp}/keyfold-$name.XXXXXX")"
    trap 'rm -rf "$work"' EXIT
    trap 'exit 1' INT TERM HUP
    mkdir "$work/test" "$work/support" && cp "$0" "$work/test/" && cp "${BASH_SOURCE[0]}" "$work/support/"
    namespace=(unshare --pid --fork --mount-proc --kill-child) user=() arguments=("$@")
    if [ "$(id -u)" -ne 0 ]; then
        namespace+=(--user --map-current-user)
    elif [ -n "${run_as:-}" ]; then # a copy of the program, which that user may not reach in the build
        cp "$1" "$work/" && arguments=("$work/${1##*/}") && chown -R "$run_as" "$work" && user=(runuser -u "$run_as" --)
    fi
    "${namespace[@]}" "${user[@]}" env -i PATH="$PATH" KEYFOLD_TEST_WORK="$work" ASAN_OPTIONS="${ASAN_OPTIONS:-}" \
        UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}" bash -c '"$@"; exit' init \
        ${desktop:+dbus-run-session --} bash "$work/test/${0##*/}" "${arguments[@]}" # init reaps orphans
    exit
fi

work="$KEYFOLD_TEST_WORK"
started=()
# Runs the command every 0.1 s until it succeeds; false when it has not within the seconds.
poll() { # seconds, command...
    local end=$((SECONDS + $1))
    until "${@:2}"; do
        [ "$SECONDS" -lt "$end" ] && sleep 0.1 || return 1
    done
}
ended() { ! kill -0 "$1" 2>/dev/null; }
cleanup() {
    local status=$? i log
    [ "$status" -eq 0 ] || for log in "$work"/*.log; do
        [ -s "$log" ] && say "${log##*/}:" && tail -n 30 "$log" | sed 's/^/  | /'
    done
    for ((i = ${#started[@]} - 1; i >= 0; i--)); do
        kill "${started[i]}" 2>/dev/null && { poll 5 ended "${started[i]}" || kill -KILL "${started[i]}"; }
        wait "${started[i]}"
    done
} 2>/dev/null # no word of the killed
trap cleanup EXIT
trap 'exit 1' INT TERM HUP
spawn() { # log name, command...: runs in the background until the test ends
    "${@:2}" >>"$work/$1.log" 2>&1 &
    started+=($!)
}
quietly() { # what, command...: its output is shown only when it fails, which ends the test
    "${@:2}" >"$work/$1.log" 2>&1 || fail "$1 failed"
}

mkdir -p "$work/home/.config/Keyfold" "$work/runtime" "$work/cwd"
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime" LC_ALL=C.UTF-8
[ -n "${desktop:-}" ] || return 0

# The desktop: an X display of the test's own under the openbox window manager, the program's book and settings, and
# what drives the program through the X server as a user does.
spawn xvfb Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display"
poll 20 test -s "$work/display" || fail "Xvfb could not start"
export DISPLAY=":$(<"$work/display")"
spawn openbox openbox --sm-disable
wm_runs() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
poll 10 wm_runs || fail "openbox did not start"
program="${1:-}"
book="$work/cwd/accounts.kf1" # a path without regular-expression characters but ".", so it stands in a caption's
settings="$XDG_CONFIG_HOME/Keyfold/Keyfold.conf"
delay=40 # milliseconds between the keys xdotool sends
pause=0  # seconds after each key, text or click: an input method answers late

# Keyfold in the working directory, its pid in $program_pid; $stderr - closes its standard error.
start_program() { # arguments...
    (cd "$work/cwd" && exec "$program" "$@" 2>&"${stderr:-1}") >>"$work/program.log" 2>&1 &
    program_pid=$!
    started+=($!)
}
# Sets $window to the first shown window whose name matches. (A search fails at once when a window closes under it.)
shown() { # regular expression
    window="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)"
    [ -n "$window" ]
}
wait_window() { # regular expression, what it is: then gives that window the keyboard
    poll 20 shown "$1" || fail "no window $2 appeared within 20 s"
    activate "$window"
}
activate() {
    timeout 10 xdotool windowactivate --sync "$1" >/dev/null 2>&1 || fail "could not give the keyboard to window $1"
    sleep 0.5 # until the program has taken the keyboard too
}
# The main window's client area is laid out in twips (6780 x 6300) under the menu bar, so a place in it follows from
# the window's width whatever the screen's resolution or the menu bar's height.
click_at() { # window, left and top in twips, clicks (1)
    local WIDTH HEIGHT X Y SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    local x=$((($2 * WIDTH + 3390) / 6780)) y=$((HEIGHT - (6300 * WIDTH + 3390) / 6780 + ($3 * WIDTH + 3390) / 6780))
    xdotool mousemove --window "$1" "$x" "$y" click --repeat "${4:-1}" 1 || fail "could not click at $2, $3"
    sleep "$pause"
}
key() {
    xdotool key --delay "$delay" "$@" || fail "xdotool could not press $*"
    sleep "$pause"
}
type_text() {
    xdotool type --delay "$delay" -- "$1" || fail "xdotool could not type \"$1\""
    sleep "$pause"
}
