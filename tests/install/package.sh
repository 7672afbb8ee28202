#!/usr/bin/env bash
# Makes the Debian package from the build, as a user with a loose umask would, and checks it: lintian finds no
# error, warning or informational tag, and the package holds the copyright, the changelog made from CHANGELOG.md,
# both manual pages and the MIME type, and depends on what the program needs to look right (never on the toolkit's
# Wayland platform).
#
# A package is made from a release build, with the hardening that needs optimisation; from any other build (a Debug
# tree, as when faults are planted) the script first makes a release build of its own beside it.
#
# usage: package.sh path/to/build-dir
set -uo pipefail

build="${1:?usage: package.sh build-dir}"
label=package
. "$(dirname "${BASH_SOURCE[0]}")/../support/checks.sh"

for tool in cpack lintian dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null 2>&1 || { say "FAIL: $tool is missing (tools/dev.sh test installs it)"; exit 1; }
done

if ! grep -qE '^CMAKE_BUILD_TYPE:[A-Z]+=(Release|RelWithDebInfo|MinSizeRel)$' "$build/CMakeCache.txt"; then
    source_dir="$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$build/CMakeCache.txt")"
    release="$build/package-release"
    if ! { cmake -S "$source_dir" -B "$release" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEYFOLD_TESTS=OFF &&
        cmake --build "$release" -j "$(nproc)" --target keyfold; } >"$work/release-build.log" 2>&1; then
        tail -n 30 "$work/release-build.log" | sed 's/^/  | /'
        say "FAIL: the release build for the package failed"
        exit 1
    fi
    build="$release"
fi

if ! (umask 0002 && cd "$work" && cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake") >"$work/cpack.log" 2>&1
then
    sed 's/^/  | /' "$work/cpack.log"
    say "FAIL: cpack did not make the package"
    exit 1
fi
deb=("$work"/keyfold_*.deb)
[ -f "${deb[0]}" ] || { say "FAIL: cpack made no keyfold_*.deb"; exit 1; }

# Every tag counts, informational and pedantic ones too. (Its standard error only says, under CI, that it runs as
# root.)
tags="$(TMPDIR="$work" lintian --display-info --pedantic --no-cfg "${deb[0]}" 2>"$work/lintian.err")"
if [ $? -ne 0 ] || [ -n "$tags" ]; then
    problem "lintian has something to say about $(basename "${deb[0]}"):"
    cat - "$work/lintian.err" <<<"$tags" | sed 's/^/  | /'
fi

depends="$(dpkg-deb -f "${deb[0]}" Depends)"
for needed in libqt6widgets6 libqt6gui6 libqt6core6 qt6-translations-l10n fonts-ipafont-gothic; do
    [[ "$depends" =~ (^|, )$needed( |,|$) ]] || problem "Depends lacks $needed: $depends"
done
[[ "$depends" != *qt6-wayland* ]] || problem "Depends names qt6-wayland: $depends"

dpkg-deb -x "${deb[0]}" "$work/root"
doc="$work/root/usr/share/doc/keyfold"
grep -q '^License: Expat$' "$doc/copyright" 2>/dev/null || problem "no MIT (Expat) licence in $doc/copyright"
[ "$(zcat "$doc/changelog.gz" 2>/dev/null | head -n 1)" = "keyfold (1.1.3) unstable; urgency=medium" ] ||
    problem "the changelog does not start with the 1.1.3 entry"
zcat "$doc/changelog.gz" | grep -q '^  \* The whole user interface is Japanese\.$' ||
    problem "the changelog lacks the items of CHANGELOG.md"
zcat "$work/root/usr/share/man/man1/keyfold.1.gz" 2>/dev/null | grep -q '^keyfold \\- book of internet account' ||
    problem "no English manual page keyfold(1)"
zcat "$work/root/usr/share/man/ja/man1/keyfold.1.gz" 2>/dev/null | grep -q '^keyfold \\- インターネット接続情報' ||
    problem "no Japanese manual page keyfold(1)"
[ -f "$work/root/usr/share/mime/packages/keyfold.xml" ] || problem "no MIME type in the package"

finish "$(basename "${deb[0]}") is lintian-clean and complete"
