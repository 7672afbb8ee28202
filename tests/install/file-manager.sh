#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a file manager relies on: after update-mime-database on a
# scratch data folder, a *.kf1 or *.kf2 file is an application/x-keyfold-book (a *.csv is not), Keyfold's desktop
# entry is the program for that type, and the installed program, started as the entry says, opens the book it is
# given (on a virtual X display of its own).
#
# usage: file-manager.sh path/to/cmake path/to/build-dir
set -uo pipefail
label="file manager"
. "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"
need update-mime-database update-desktop-database xdg-mime mimetype Xvfb xdotool
install_build "${1:?usage: file-manager.sh cmake build-dir}" "${2:?usage: file-manager.sh cmake build-dir}"

# A fresh user on a desktop without MIME handling of its own, as xdg-mime's generic way sees it.
export HOME="$work/home" XDG_DATA_HOME="$work/home/.local/share" XDG_CONFIG_HOME="$work/home/.config"
export XDG_DATA_DIRS=/usr/share XDG_RUNTIME_DIR="$work" XDG_CURRENT_DESKTOP=
unset DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID QT_QPA_PLATFORM WAYLAND_DISPLAY
mkdir -p "$XDG_DATA_HOME/mime/packages" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME/Keyfold" "$work/books"
cp "$prefix/share/mime/packages/keyfold.xml" "$XDG_DATA_HOME/mime/packages/"
cp "$prefix/share/applications/keyfold.desktop" "$XDG_DATA_HOME/applications/"
quietly update-mime-database update-mime-database "$XDG_DATA_HOME/mime"
quietly update-desktop-database update-desktop-database "$XDG_DATA_HOME/applications"

book="$work/books/帳簿 2024.kf1"
{ printf '"provider"\r\n' && printf '""\r\n%.0s' {1..12}; } >"$book" # one record: a name, twelve empty fields
cp "$book" "$work/books/copy.kf2" && cp "$book" "$work/books/copy.csv"
for file in "帳簿 2024.kf1:application/x-keyfold-book" copy.kf2:application/x-keyfold-book copy.csv:text/csv; do
    type="$(xdg-mime query filetype "$work/books/${file%:*}" 2>&1)"
    [ "$type" = "${file#*:}" ] || problem "xdg-mime takes ${file%:*} for \"$type\", not ${file#*:}"
done
handler="$(xdg-mime query default application/x-keyfold-book 2>&1)"
[ "$handler" = keyfold.desktop ] || problem "the program for a Keyfold book is \"$handler\", not keyfold.desktop"

# The options say to log on with the current key, so the book opens without the master-key dialog.
printf '[load]\nFrmOptionCheck1=1\n' >"$XDG_CONFIG_HOME/Keyfold/Keyfold.conf"
mkfifo "$work/displayfd" # Xvfb picks a free display number and writes it here
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 20 display <"$work/displayfd" || give_up "Xvfb could not start a display: $(cat "$work/xvfb.log")"
export DISPLAY=":$display"
exec_line="$(sed -n 's/^Exec=//p' "$prefix/share/applications/keyfold.desktop")"
(cd "$work" && PATH="$prefix/bin:$PATH" exec ${exec_line% %f} "$book") >"$work/program.log" 2>&1 &
pids+=($!)
timeout 20 xdotool search --sync --onlyvisible --name "^$book - Keyfold\$" >/dev/null 2>&1 ||
    problem "the installed keyfold did not show \"$book - Keyfold\" within 20 s: $(cat "$work/program.log")"

finish ".kf1 and .kf2 are Keyfold books, opened by keyfold.desktop; the installed program opens a given book"
