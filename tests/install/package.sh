#!/usr/bin/env bash
# Makes the Debian package from the build, as a user with a loose umask would, and checks it: lintian finds no error,
# warning or informational tag, and the package depends on what the program needs to look right (never on the
# toolkit's Wayland platform). What it holds comes from the install rules that installed.sh checks.
# A package is made from a release build, with the hardening that needs optimisation; from any other build (a Debug
# tree, as when faults are planted) the script first makes a release build of its own beside it.
# usage: package.sh path/to/build-dir path/to/source-dir
set -uo pipefail
name=package tools=(cpack lintian dpkg-deb dpkg-shlibdeps)
. "$(dirname "$0")/../support/lib.sh" "$@"
build="$(cd "${1:?usage: package.sh build-dir source-dir}" && pwd)"

if ! grep -qE '^CMAKE_BUILD_TYPE:[A-Z]+=(Release|RelWithDebInfo|MinSizeRel)$' "$build/CMakeCache.txt"; then
    quietly configure cmake -S "${2:?}" -B "$build/package-release" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEYFOLD_TESTS=OFF
    quietly build cmake --build "$build/package-release" -j "$(nproc)" --target keyfold
    build="$build/package-release"
fi
umask 0002
cd "$work" || exit 1
quietly cpack cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake"
deb=("$work"/keyfold_*.deb)

# Every tag counts, informational and pedantic ones too; its standard error is shown should it fail.
tags="$(TMPDIR="$work" lintian --display-info --pedantic --no-cfg "${deb[0]}" 2>"$work/lintian.log")" &&
    [ -z "$tags" ] || fail "lintian has something to say about ${deb[0]##*/}: $tags"

depends="$(dpkg-deb -f "${deb[0]}" Depends)"
for needed in libqt6widgets6 libqt6gui6 libqt6core6 qt6-translations-l10n fonts-ipafont-gothic; do
    [[ "$depends" =~ (^|, )$needed( |,|$) ]] || fail "Depends lacks $needed: $depends"
done
[[ "$depends" != *qt6-wayland* ]] || fail "Depends names qt6-wayland: $depends"
say "PASS: ${deb[0]##*/} is lintian-clean and depends on what the program needs"
