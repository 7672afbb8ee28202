#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a file manager relies on: after update-mime-database on
# a scratch data folder, a *.kf1 or *.kf2 file is an application/x-keyfold-book, Keyfold's desktop entry is the
# program for that type, and the installed program started by the entry's command line opens the book it is given
# (on a virtual X display of its own).
#
# usage: file-manager.sh path/to/cmake path/to/build-dir
set -uo pipefail

cmake_command="${1:?usage: file-manager.sh cmake build-dir}"
build="${2:?usage: file-manager.sh cmake build-dir}"
label="file manager"
. "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
xvfb_pid=""
program_pid=""
cleanup() {
    [ -z "$program_pid" ] || { kill "$program_pid" 2>/dev/null; wait "$program_pid" 2>/dev/null; }
    [ -z "$xvfb_pid" ] || { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
    rm -rf "$work"
}
trap cleanup EXIT

for tool in update-mime-database update-desktop-database xdg-mime mimetype Xvfb xdotool; do
    command -v "$tool" >/dev/null 2>&1 || { say "FAIL: $tool is missing (tools/dev.sh test installs it)"; exit 1; }
done
prefix="$work/prefix"
if ! "$cmake_command" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
    sed 's/^/  | /' "$work/install.log"
    say "FAIL: cmake --install did not succeed"
    exit 1
fi

# --- the MIME type, as a desktop without its own MIME handling (xdg-mime's generic way) sees it ---------------
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
export XDG_DATA_DIRS=/usr/share XDG_RUNTIME_DIR="$work/runtime" XDG_CURRENT_DESKTOP=
unset DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
mkdir -p "$XDG_DATA_HOME/mime/packages" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cp "$prefix"/share/mime/packages/*.xml "$XDG_DATA_HOME/mime/packages/"
cp "$prefix/share/applications/keyfold.desktop" "$XDG_DATA_HOME/applications/"
update-mime-database "$XDG_DATA_HOME/mime" || problem "update-mime-database failed"
update-desktop-database "$XDG_DATA_HOME/applications" || problem "update-desktop-database failed"

book="$work/books/帳簿 2024.kf1"
mkdir -p "$work/books"
printf '"provider"\r\n' >"$book"
for i in $(seq 12); do printf '""\r\n' >>"$book"; done
cp "$book" "$work/books/copy.kf2"
cp "$book" "$work/books/copy.csv"
for file in "$book" "$work/books/copy.kf2"; do
    type="$(xdg-mime query filetype "$file" 2>&1)"
    [ "$type" = application/x-keyfold-book ] || problem "xdg-mime takes $(basename "$file") for \"$type\""
done
type="$(xdg-mime query filetype "$work/books/copy.csv" 2>&1)"
[ "$type" != application/x-keyfold-book ] || problem "a .csv file is taken for a Keyfold book"
handler="$(xdg-mime query default application/x-keyfold-book 2>&1)"
[ "$handler" = keyfold.desktop ] || problem "the program for a Keyfold book is \"$handler\", not keyfold.desktop"

# --- the installed program, started as the desktop entry says, on a display of its own ---------------------------
exec_line="$(sed -n 's/^Exec=//p' "$prefix/share/applications/keyfold.desktop")"
[ "$exec_line" = "keyfold %f" ] || problem "the desktop entry runs \"$exec_line\", not keyfold %f"
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
if ! read -r -t 20 number <"$work/displayfd"; then
    sed 's/^/  | /' "$work/xvfb.log"
    say "FAIL: Xvfb could not start a display"
    exit 1
fi
export DISPLAY=":$number"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
# The options say to log on with the current key, so the book opens without the master-key dialog.
mkdir -p "$XDG_CONFIG_HOME/Keyfold"
printf '[load]\nFrmOptionCheck1=1\n' >"$XDG_CONFIG_HOME/Keyfold/Keyfold.conf"
(cd "$work" && PATH="$prefix/bin:$PATH" exec ${exec_line%% *} "$book") >"$work/program.log" 2>&1 &
program_pid=$!
if ! timeout 20 xdotool search --sync --onlyvisible --name "^$book - Keyfold\$" >/dev/null 2>&1; then
    problem "the installed keyfold did not show \"$book - Keyfold\" within 20 s"
    sed 's/^/  | /' "$work/program.log"
fi

finish ".kf1 and .kf2 are Keyfold books, opened by keyfold.desktop; the installed program opens a given book"
