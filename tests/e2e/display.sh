# Shared by the end-to-end tests: a virtual X display of their own. Source it; the sourcing script defines say().

SKIP=77

# need_tools TOOL...: skips the test (77) where Xvfb is missing, so that no X server can be started here, and fails
# it when any of the tools is missing.
need_tools() {
    if ! command -v Xvfb >/dev/null 2>&1; then
        say "SKIP: Xvfb is not installed, so no X server can be started here (tools/dev.sh test installs it)."
        exit "$SKIP"
    fi
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || { say "FAIL: $tool is missing (tools/dev.sh test installs it)."; exit 1; }
    done
}

# start_display FOLDER: starts Xvfb on a display number that the server picks itself among the free ones, keeping
# its log in FOLDER; sets DISPLAY and xvfb_pid. Returns 1 when no display could be started.
start_display() {
    mkfifo "$1/displayfd"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$1/displayfd" >"$1/xvfb.log" 2>&1 &
    xvfb_pid=$!
    local number=""
    read -r -t 20 number <"$1/displayfd" && [ -n "$number" ] || return 1
    export DISPLAY=":$number"
}

# start_desktop FOLDER: the openbox window manager and the accessibility bus (AT-SPI) on $DISPLAY, with their logs in
# FOLDER; waits until the window manager runs. Needs a session bus. Adds both to desktop_pids.
desktop_pids=()
start_desktop() {
    openbox --sm-disable >"$1/openbox.log" 2>&1 &
    desktop_pids+=($!)
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$1/atspi.log" 2>&1 &
    desktop_pids+=($!)
    local _
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
    done
    return 1
}
