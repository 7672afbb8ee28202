# Shared by the end-to-end tests: a virtual X display of their own. Source it.

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
