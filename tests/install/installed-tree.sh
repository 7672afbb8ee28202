#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks that it is a complete desktop program: the binary, a valid
# desktop entry, the icons it names, the books' MIME type and the AppStream metainfo.
#
# usage: installed-tree.sh path/to/cmake path/to/build-dir
set -uo pipefail

cmake_command="${1:?usage: installed-tree.sh cmake build-dir}"
build="${2:?usage: installed-tree.sh cmake build-dir}"

prefix="$(mktemp -d "${TMPDIR:-/tmp}/keyfold-install.XXXXXX")"
trap 'rm -rf "$prefix"' EXIT
problems=0

say() { printf 'install: %s\n' "$*"; }
problem() { say "FAIL: $*"; problems=$((problems + 1)); }

if ! "$cmake_command" --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1; then
    sed 's/^/  | /' "$prefix.log"
    rm -f "$prefix.log"
    say "FAIL: cmake --install did not succeed"
    exit 1
fi
rm -f "$prefix.log"

# --- the program ------------------------------------------------------------------------------------------------
binary="$prefix/bin/keyfold"
if [ ! -f "$binary" ] || [ ! -x "$binary" ]; then
    problem "no executable bin/keyfold"
elif [ "$(head -c 4 "$binary" | od -An -c | tr -d ' ')" != '177ELF' ]; then
    problem "bin/keyfold is not an ELF program"
fi

# --- the desktop entry ------------------------------------------------------------------------------------------
desktop="$prefix/share/applications/keyfold.desktop"
entry() { # key: its value in the [Desktop Entry] group
    awk -v key="$1" '
        /^\[/ { group = $0; next }
        group == "[Desktop Entry]" && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }' "$desktop"
}
if [ ! -f "$desktop" ]; then
    problem "no share/applications/keyfold.desktop"
else
    if ! command -v desktop-file-validate >/dev/null 2>&1; then
        problem "desktop-file-validate is missing (package desktop-file-utils; tools/dev.sh test installs it)"
    elif ! out="$(desktop-file-validate "$desktop" 2>&1)" || [ -n "$out" ]; then
        # It prints nothing for an entry without errors, warnings or hints.
        problem "desktop-file-validate rejects the desktop entry:"
        printf '%s\n' "$out" | sed 's/^/  | /'
    fi
    [ "$(entry Type)" = Application ] || problem "desktop entry: Type is \"$(entry Type)\", not Application"
    [ "$(entry Name)" = Keyfold ] || problem "desktop entry: Name is \"$(entry Name)\", not Keyfold"
    [ "$(entry Exec)" = "keyfold %f" ] || problem "desktop entry: Exec is \"$(entry Exec)\", not keyfold %f"
    [ "$(entry MimeType)" = "application/x-keyfold-book;" ] ||
        problem "desktop entry: MimeType is \"$(entry MimeType)\", not application/x-keyfold-book;"
    [ "$(entry Terminal)" = false ] || problem "desktop entry: Terminal is \"$(entry Terminal)\", not false"
    case ";$(entry Categories)" in
    *";Utility;"*) ;;
    *) problem "desktop entry: Categories \"$(entry Categories)\" lacks Utility" ;;
    esac
    comment="$(entry Comment)"
    # The comment is in Japanese: at least one character from the hiragana, katakana or CJK blocks.
    if ! printf '%s' "$comment" | LC_ALL=C.UTF-8 grep -qP '[\x{3040}-\x{30FF}\x{4E00}-\x{9FFF}]'; then
        problem "desktop entry: Comment \"$comment\" is not Japanese"
    fi
    icon_name="$(entry Icon)"
    [ "$icon_name" = keyfold ] || problem "desktop entry: Icon is \"$icon_name\", not keyfold"
fi

# --- the icons the entry names ----------------------------------------------------------------------------------
png="$prefix/share/icons/hicolor/48x48/apps/keyfold.png"
if [ ! -f "$png" ]; then
    problem "no share/icons/hicolor/48x48/apps/keyfold.png"
else
    # A PNG signature, then the IHDR chunk with width and height as 32-bit big-endian numbers.
    signature="$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')"
    size="$(od -An -tu1 -j 16 -N 8 "$png" | awk '{ printf "%dx%d", $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8 }')"
    [ "$signature" = 89504e470d0a1a0a ] || problem "48x48/apps/keyfold.png is not a PNG file"
    [ "$size" = 48x48 ] || problem "48x48/apps/keyfold.png is $size pixels, not 48x48"
fi
svg="$prefix/share/icons/hicolor/scalable/apps/keyfold.svg"
if [ ! -f "$svg" ]; then
    problem "no share/icons/hicolor/scalable/apps/keyfold.svg"
elif ! grep -q '<svg' "$svg"; then
    problem "scalable/apps/keyfold.svg is not an SVG picture"
fi

# --- the books' MIME type, with its icons --------------------------------------------------------------------------
mime="$prefix/share/mime/packages/keyfold.xml"
if [ ! -f "$mime" ]; then
    problem "no share/mime/packages/keyfold.xml"
else
    grep -q '<mime-type type="application/x-keyfold-book">' "$mime" || problem "keyfold.xml defines no Keyfold book"
    # The files carry no mark of their own: their names alone tell them.
    [ "$(grep -o '<glob pattern="[^"]*"/>' "$mime" | tr '\n' ' ')" = '<glob pattern="*.kf1"/> <glob pattern="*.kf2"/> ' ] ||
        problem "keyfold.xml does not match exactly *.kf1 and *.kf2"
    ! grep -q '<magic' "$mime" || problem "keyfold.xml looks for magic that books do not have"
fi
for icon in 48x48/mimetypes/application-x-keyfold-book.png scalable/mimetypes/application-x-keyfold-book.svg; do
    [ -s "$prefix/share/icons/hicolor/$icon" ] || problem "no share/icons/hicolor/$icon"
done

# --- the AppStream metainfo -------------------------------------------------------------------------------------
metainfo=("$prefix"/share/metainfo/*.metainfo.xml)
if [ "${#metainfo[@]}" -ne 1 ] || [ ! -f "${metainfo[0]}" ]; then
    problem "expected one metainfo file in share/metainfo, found: ${metainfo[*]}"
else
    grep -q '<launchable type="desktop-id">keyfold.desktop</launchable>' "${metainfo[0]}" ||
        problem "the metainfo does not launch keyfold.desktop"
    grep -q '<project_license>MIT</project_license>' "${metainfo[0]}" || problem "the metainfo names no MIT licence"
    id="$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "${metainfo[0]}" | head -n 1)"
    [ "$(basename "${metainfo[0]}")" = "$id.metainfo.xml" ] ||
        problem "the metainfo file $(basename "${metainfo[0]}") is not named after its id \"$id\""
    if ! command -v appstreamcli >/dev/null 2>&1; then
        problem "appstreamcli is missing (package appstream; tools/dev.sh test installs it)"
    elif ! out="$(appstreamcli validate --no-net --no-color "${metainfo[0]}" 2>&1)"; then
        problem "appstreamcli rejects the metainfo:"
        printf '%s\n' "$out" | sed 's/^/  | /'
    fi
fi

if [ "$problems" -ne 0 ]; then
    say "$problems problem(s) in the installed tree"
    exit 1
fi
say "PASS: bin/keyfold, the desktop entry, the icons, the books' MIME type and the metainfo are installed and valid"
