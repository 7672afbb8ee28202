#!/usr/bin/env bash
# Keyfold's one entry point for a fresh Debian 12 machine.
#   tools/dev.sh run    install what the program needs, build it and start it
#   tools/dev.sh test   install what the tests need, build and run every test
# Both can be run again at any time; they install only what is missing. As root or through sudo.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
jobs="$(nproc 2>/dev/null || echo 2)"

run_packages=(cmake g++ make qt6-base-dev qt6-translations-l10n fonts-ipafont-gothic libgl-dev)
headless_packages=(xvfb xauth x11-utils imagemagick)
test_packages=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xauth xdotool x11-utils
               desktop-file-utils appstream imagemagick dpkg-dev file)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_packages() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ "${#missing[@]}" -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

build() { # build-dir, extra cmake arguments...
    local dir="$1"; shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

run_headless() {
    # No desktop here: show the program on a virtual screen, keep a picture of its first window and stop it.
    local shot="$here/build/keyfold-first-window.png"
    local log="$here/build/xvfb.log"
    Xvfb :97 -screen 0 1280x800x24 -nolisten tcp >"$log" 2>&1 &
    local xvfb=$!
    sleep 1
    DISPLAY=:97 "$here/build/keyfold" &
    local program=$!
    local waited=0
    until DISPLAY=:97 xwininfo -root -tree 2>/dev/null | grep -q '"マスターキーの入力"\|"新規 - Keyfold"\|" - Keyfold"'; do
        sleep 0.5; waited=$((waited + 1))
        [ "$waited" -lt 40 ] || break
    done
    sleep 1
    DISPLAY=:97 import -window root "$shot"
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    echo "No display was found, so Keyfold ran on a virtual screen. Its first window is saved in:"
    echo "  $shot"
    echo "Keyfold is a desktop program: start build/keyfold in a desktop session to use it."
}

case "${1:-}" in
run)
    install_packages "${run_packages[@]}"
    build build -DKEYFOLD_TESTS=OFF
    if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
        exec "$here/build/keyfold"
    fi
    install_packages "${headless_packages[@]}"
    run_headless
    ;;
test)
    install_packages "${run_packages[@]}" "${test_packages[@]}"
    build build -DKEYFOLD_TESTS=ON
    (cd build && ctest --output-on-failure -j "$jobs")
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
