#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that it is a complete desktop program: the program without the
# compiler's notes (file-manager.sh starts it); a valid desktop entry; the program's and the books' icons, of the
# right kind and size; valid AppStream metainfo; both manual pages, the licence and the changelog made from CHANGELOG.md. (The Debian
# package is made by the same install rules; package.sh checks what is its own.)
# usage: installed-tree.sh path/to/cmake path/to/build-dir
set -uo pipefail
name=install tools=(desktop-file-validate appstreamcli file readelf)
. "$(dirname "$0")/../support/lib.sh" "$@"
quietly install "${1:?usage: installed-tree.sh cmake build-dir}" --install "${2:?}" --prefix "$work/prefix"
cd "$work/prefix/share" || exit 1

! readelf -S ../bin/keyfold | grep -q ' \.comment ' || fail "bin/keyfold keeps the compiler's .comment section"

out="$(desktop-file-validate applications/keyfold.desktop 2>&1)" && [ -z "$out" ] || fail "desktop entry: $out"
for line in Type=Application Name=Keyfold 'Exec=keyfold %f' Icon=keyfold Terminal=false 'Categories=Utility;' \
    'MimeType=application/x-keyfold-book;' 'Comment=インターネット接続情報を管理します'; do
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
say "PASS: the program, desktop entry, icons, metainfo, manual pages and documents are installed and valid"
