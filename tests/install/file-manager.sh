#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a file manager relies on: after update-mime-database on the
# user's data folder, a *.kf1 or *.kf2 file is an application/x-keyfold-book (a *.csv is not), Keyfold's desktop
# entry is the program for that type, and the installed program, started as the entry says, opens the book it is
# given.
# usage: file-manager.sh path/to/cmake path/to/build-dir
set -uo pipefail
name="file-manager" desktop=1 tools=(update-mime-database update-desktop-database xdg-mime mimetype)
. "$(dirname "$0")/../support/lib.sh" "$@"
quietly install "${1:?usage: file-manager.sh cmake build-dir}" --install "${2:?}" --prefix "$work/prefix"

# A desktop without MIME handling of its own, as xdg-mime's generic way sees it.
export XDG_DATA_HOME="$HOME/.local/share" XDG_DATA_DIRS=/usr/share
mkdir -p "$XDG_DATA_HOME/mime/packages" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME/Keyfold"
cp "$work/prefix/share/mime/packages/keyfold.xml" "$XDG_DATA_HOME/mime/packages/"
cp "$work/prefix/share/applications/keyfold.desktop" "$XDG_DATA_HOME/applications/"
quietly update-mime-database update-mime-database "$XDG_DATA_HOME/mime"
quietly update-desktop-database update-desktop-database "$XDG_DATA_HOME/applications"

book="$work/cwd/帳簿 2024.kf1"
{ printf '"provider"\r\n' && printf '""\r\n%.0s' {1..12}; } >"$book" # one record: a name, twelve empty fields
cp "$book" "$work/cwd/copy.kf2" && cp "$book" "$work/cwd/copy.csv"
for file in "帳簿 2024.kf1:application/x-keyfold-book" copy.kf2:application/x-keyfold-book copy.csv:text/csv; do
    type="$(xdg-mime query filetype "$work/cwd/${file%:*}" 2>&1)"
    [ "$type" = "${file#*:}" ] || fail "xdg-mime takes ${file%:*} for \"$type\", not ${file#*:}"
done
handler="$(xdg-mime query default application/x-keyfold-book 2>&1)"
[ "$handler" = keyfold.desktop ] || fail "the program for a Keyfold book is \"$handler\", not keyfold.desktop"

# The options say to log on with the current key, so the book opens without the master-key dialog.
printf '[load]\nFrmOptionCheck1=1\n' >"$settings"
exec_line="$(sed -n 's/^Exec=//p' "$work/prefix/share/applications/keyfold.desktop")"
program="$work/prefix/bin/${exec_line%% *}"
start_program "$book"
poll 20 shown "^$book - Keyfold\$" ||
    fail "the installed keyfold did not show \"$book - Keyfold\" within 20 s"
say "PASS: .kf1 and .kf2 are Keyfold books, opened by keyfold.desktop; the installed program opens a given book"
