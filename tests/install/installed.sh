#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that it is a complete desktop program: the program without the
# compiler's notes; a valid desktop entry; the program's and the books' icons, of the right kind and size; valid
# AppStream metainfo; both manual pages, the licence and the changelog made from CHANGELOG.md. Then what a file
# manager relies on, with the prefix as the user's data folder: after update-mime-database a *.kf1 or *.kf2 file is an
# application/x-keyfold-book (a *.csv is not), Keyfold's desktop entry is the program for that type, and the installed
# program, started as the entry says, opens the book it is given. (The Debian package is made by the same install
# rules; package.sh checks what is its own.)
# usage: installed.sh path/to/cmake path/to/build-dir
set -uo pipefail
name=install desktop=1 tools=(desktop-file-validate appstreamcli file readelf update-mime-database
    update-desktop-database xdg-mime mimetype)
. "$(dirname "$0")/../support/lib.sh" "$@"
quietly install "${1:?usage: installed.sh cmake build-dir}" --install "${2:?}" --prefix "$work/prefix"
cd "$work/prefix/share" || exit 1

! readelf -S ../bin/keyfold | grep -q ' \.comment ' || fail "bin/keyfold keeps the compiler's .comment section"

out="$(desktop-file-validate applications/keyfold.desktop 2>&1)" && [ -z "$out" ] || fail "desktop entry: $out"
for line in Type=Application Name=Keyfold 'Exec=keyfold %f' Icon=keyfold Terminal=false 'Categories=Utility;' \
    'Comment=インターネット接続情報を管理します'; do
    grep -qxF "$line" applications/keyfold.desktop || fail "the desktop entry lacks the line $line"
done

for icon in apps/keyfold mimetypes/application-x-keyfold-book; do
    [[ "$(file -b "icons/hicolor/48x48/$icon.png")" == "PNG image data, 48 x 48,"* ]] || fail "no 48x48 $icon.png"
    [[ "$(file -b "icons/hicolor/scalable/$icon.svg")" == "SVG Scalable Vector Graphics"* ]] || fail "no $icon.svg"
done

metainfo=metainfo/io.keyfold.keyfold.metainfo.xml
out="$(appstreamcli validate --no-net --no-color "$metainfo" 2>&1)" || fail "appstreamcli rejects $metainfo: $out"
for tag in '<id>io.keyfold.keyfold</id>' '<launchable type="desktop-id">keyfold.desktop</launchable>' \
    '<project_license>MIT</project_license>'; do
    grep -qF "$tag" "$metainfo" || fail "the metainfo lacks $tag"
done

grep -qx 'License: Expat' doc/keyfold/copyright || fail "no MIT (Expat) licence in the copyright file"
changelog="$(zcat doc/keyfold/changelog.gz)"
[[ "$changelog" == "keyfold (1.1.3) unstable; urgency=medium"*"  * The whole user interface is Japanese."* ]] ||
    fail "the changelog does not start with the 1.1.3 entry made from CHANGELOG.md"
zcat man/man1/keyfold.1.gz | grep -q '^keyfold \\- book of internet account' || fail "no English keyfold(1)"
zcat man/ja/man1/keyfold.1.gz | grep -q '^keyfold \\- インターネット接続情報' || fail "no Japanese keyfold(1)"

# A desktop without MIME handling of its own, as xdg-mime's generic way sees it.
export XDG_DATA_HOME="$PWD" XDG_DATA_DIRS=/usr/share
quietly update-mime-database update-mime-database mime
quietly update-desktop-database update-desktop-database applications
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
program="$work/prefix/bin/keyfold" # as the entry's Exec line says
start_program "$book"
poll 20 shown "^$book - Keyfold\$" || fail "the installed keyfold did not show \"$book - Keyfold\" within 20 s"
say "PASS: a complete, valid desktop program is installed, which opens .kf1 and .kf2 books from a file manager"
