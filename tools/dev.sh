#!/usr/bin/env bash
# Keyfold's one entry point for a fresh Debian 12 machine.
#   tools/dev.sh run    install what the program needs, build it and start it
#   tools/dev.sh test   install what the tests need, build and run every test, fuzz the data-file reader for a
#                       minute, then run every test again in a sanitizer build (build, build-fuzz, build-asan)
# Both can be run again at any time; they install only what is missing. As root or through sudo.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
jobs="$(nproc 2>/dev/null || echo 2)"

run_packages=(cmake g++ make qt6-base-dev qt6-translations-l10n fonts-ipafont-gothic libgl-dev)
headless_packages=(xvfb xauth x11-utils imagemagick)
test_packages=(libgtest-dev libbenchmark-dev clang libclang-rt-14-dev xvfb xauth xdotool x11-utils x11-xserver-utils
               desktop-file-utils appstream imagemagick dpkg-dev file lintian shared-mime-info xdg-utils
               libfile-mimeinfo-perl dbus-daemon ibus ibus-mozc mozc-server at-spi2-core python3-pyatspi openbox
               orca speech-dispatcher locales)

. "$here/tools/packages.sh"

build() { # build-dir, extra cmake arguments...
    local dir="$1"; shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

# The data-file reader under libFuzzer for a bounded time, starting from a copy of the seed corpus (the fuzzer adds
# to the folder it is given). A crash, a leak, a hang or a broken promise stops the script; the input that did it is
# kept in build-fuzz/findings/. Warnings are the normal build's business, so clang's own set does not stop this one.
fuzz_reader() {
    cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
        -DKEYFOLD_FUZZ=ON -DKEYFOLD_TESTS=OFF -DKEYFOLD_WERROR=OFF >/dev/null
    cmake --build build-fuzz -j "$jobs" --target fuzz_datafile
    rm -rf build-fuzz/corpus-run build-fuzz/findings
    mkdir -p build-fuzz/findings
    cp -r fuzz/corpus build-fuzz/corpus-run
    cp tests/samples/*.csv build-fuzz/corpus-run/
    echo "Fuzzing the data-file reader for 60 seconds..."
    local log=build-fuzz/fuzz.log
    if ! ASAN_OPTIONS=halt_on_error=1:detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        build-fuzz/fuzz/fuzz_datafile -max_total_time=60 -timeout=10 -rss_limit_mb=2048 -max_len=32768 \
        -dict=fuzz/datafile.dict -artifact_prefix=build-fuzz/findings/ -print_final_stats=1 \
        build-fuzz/corpus-run >"$log" 2>&1; then
        tail -n 60 "$log"
        echo "The fuzzer found a fault; the input is in build-fuzz/findings/ and the whole log in $log." >&2
        return 1
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
}

# Every test again in an AddressSanitizer + UndefinedBehaviorSanitizer build. Any report fails the test it
# happens in; only leaks inside Qt's plugins, fontconfig and GLib are suppressed (tools/lsan.supp).
sanitizer_tests() {
    build build-asan -DKEYFOLD_TESTS=ON -DKEYFOLD_SANITIZE=ON
    (cd build-asan &&
        ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:strict_init_order=1:detect_stack_use_after_return=1 \
        UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        LSAN_OPTIONS="suppressions=$here/tools/lsan.supp:print_suppressions=0" \
        ctest --output-on-failure -j "$jobs")
}

run_headless() {
    # No desktop here: show the program on a virtual screen, keep a picture of its first window and stop it.
    local shot="$here/build/keyfold-first-window.png"
    local log="$here/build/xvfb.log"
    local number="$here/build/xvfb.display"
    : >"$number"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number" >"$log" 2>&1 &
    local xvfb=$!
    local tries=0
    until [ -s "$number" ] || [ "$tries" -ge 50 ]; do sleep 0.1; tries=$((tries + 1)); done
    export DISPLAY=":$(cat "$number")"
    "$here/build/keyfold" &
    local program=$!
    local waited=0 window=""
    until [ -n "$window" ] || [ "$waited" -ge 40 ]; do
        sleep 0.5; waited=$((waited + 1))
        window=$(xwininfo -root -tree 2>/dev/null |
                 awk '/"マスターキーの入力"|" - Keyfold"/ { print $1; exit }')
    done
    sleep 1
    import -window "${window:-root}" "$shot"
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
    fuzz_reader
    sanitizer_tests
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
