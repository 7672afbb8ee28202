#!/usr/bin/env bash
# Takes a picture of every Keyfold window and writes them to docs/screenshots/.
#   tools/screenshots.sh [path/to/keyfold]     (default: build/keyfold, built first when it is missing)
# The program runs on a virtual screen (Xvfb) under a small window manager (openbox), so the pictures carry real
# title bars, and is driven like a person would: key strokes and clicks (xdotool). It installs what it needs
# (as root or through sudo) and works in a scratch home, so your own settings and books are never touched.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$here/docs/screenshots"
packages=(xvfb xauth xdotool x11-utils imagemagick openbox fonts-ipafont-gothic qt6-translations-l10n)

. "$here/tools/packages.sh"

install_packages "${packages[@]}"

program="${1:-$here/build/keyfold}"
if [ ! -x "$program" ]; then
    [ $# -eq 0 ] || { echo "no program at $program" >&2; exit 1; }
    (cd "$here" && cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKEYFOLD_TESTS=OFF >/dev/null &&
        cmake --build build -j "$(nproc 2>/dev/null || echo 2)")
fi
program="$(cd "$(dirname "$program")" && pwd)/$(basename "$program")"

fc-match -f '%{family}\n' 'IPAGothic:lang=ja' | grep -q 'IPAGothic' ||
    { echo "the Japanese font IPAGothic is not installed (fonts-ipafont-gothic)" >&2; exit 1; }

# A fixed scratch folder, so the book's path in the captions reads the same in every run.
work="${TMPDIR:-/tmp}/keyfold-screenshots"
exec 9>"$work.lock"
flock -n 9 || { echo "another tools/screenshots.sh is running" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work/home/.config" "$work/runtime" "$work/books" "$out"
chmod 700 "$work/runtime"
book="$work/books/accounts.kf1"

xvfb_pid=""
wm_pid=""
program_pid=""
cleanup() {
    local pid
    for pid in "$program_pid" "$wm_pid" "$xvfb_pid"; do
        if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    rm -rf "$work" "$work.lock"
}
trap cleanup EXIT

fail() {
    echo "screenshots: $*" >&2
    [ -z "${DISPLAY:-}" ] || import -window root "$out/failure.png" 2>/dev/null || true
    [ ! -s "$work/program.log" ] || sed 's/^/  | /' "$work/program.log" >&2
    exit 1
}

# --- the screen: Xvfb picks a free display number itself ---------------------------------------------------------
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset 3>"$work/displayfd" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display_number=""
read -r -t 20 display_number <"$work/displayfd" || true
[ -n "$display_number" ] || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
export DISPLAY=":$display_number"

openbox --sm-disable >"$work/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/runtime"
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR QT_FONT_DPI

# --- helpers -----------------------------------------------------------------------------------------------------
window=""
wait_window() { # name regex: sets $window once the window is shown and has the keyboard
    window="$(timeout 20 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1)" || true
    [ -n "$window" ] || fail "no window named \"$1\" appeared"
    xdotool windowactivate --sync "$window" >/dev/null 2>&1 || xdotool windowfocus --sync "$window"
}

key() { xdotool key --delay 80 "$@"; }
type_text() { xdotool type --delay 30 -- "$1"; }

# The main window's client area is laid out in twips (6780 x 6300) under the menu bar.
click_control() { # window, left, top, width, height (twips)
    local WIDTH HEIGHT X Y SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$1")"
    local client_h=$(( (6300 * WIDTH + 3390) / 6780 ))
    xdotool mousemove --window "$1" $(( ( ($2 + $4 / 2) * WIDTH + 3390) / 6780 )) \
        $(( HEIGHT - client_h + ( ($3 + $5 / 2) * WIDTH + 3390) / 6780 )) click 1
}

# A picture of the window with its frame, taken once two successive looks at the screen agree.
shoot() { # window, file name
    local left=0 right=0 top=0 bottom=0 extents x y w h previous="" current i
    xdotool mousemove 0 0 # no hover highlight on the pictures
    extents="$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p')"
    if [ -n "$extents" ]; then
        IFS=', ' read -r left right top bottom <<<"$extents"
    fi
    x="$(xwininfo -id "$1" | awk '/Absolute upper-left X/ { print $4 }')"
    y="$(xwininfo -id "$1" | awk '/Absolute upper-left Y/ { print $4 }')"
    w="$(xwininfo -id "$1" | awk '/^ *Width:/ { print $2 }')"
    h="$(xwininfo -id "$1" | awk '/^ *Height:/ { print $2 }')"
    local crop="$((w + left + right))x$((h + top + bottom))+$((x - left))+$((y - top))"
    for i in $(seq 40); do
        import -window root -crop "$crop" +repage "$work/look.ppm"
        current="$(md5sum <"$work/look.ppm")"
        [ "$current" != "$previous" ] || break
        previous="$current"
        sleep 0.15
    done
    convert "$work/look.ppm" -strip "$out/$2"
    echo "  docs/screenshots/$2"
}

# --- the session -------------------------------------------------------------------------------------------------
echo "Pictures of Keyfold on display $DISPLAY:"
(cd "$work/books" && exec "$program") >"$work/program.log" 2>&1 &
program_pid=$!

wait_window '^マスターキーの入力$'
type_text wqz
shoot "$window" master-key.png
key Return

wait_window '^新規 - Keyfold$'
main="$window"
add_record() { # the thirteen fields, box after box; Enter adds the record
    local first=1 field
    for field in "$@"; do
        [ "$first" -eq 1 ] || key Tab
        first=0
        [ -z "$field" ] || type_text "$field"
    done
    key Return
}
add_record "みなとネット" "minato01" "k7#pQ2x" "03-1234-5678" "ftp.minato.example.jp" "minato01" "f7p#Pass" \
    "http://www.minato.example.jp/~taro/" "news.minato.example.jp" "pop.minato.example.jp" "smtp.minato.example.jp" \
    "taro@minato.example.jp" "m4il#Pass"
add_record "やまびこ通信" "yamabiko-taro" "y4m#B1k0"
add_record "Example ISP" "taro.example"

key alt+s
wait_window '^ファイルを保存する$'
type_text "$book"
shoot "$window" save-dialog.png
key Return
wait_window '^Keyfold$'
shoot "$window" saved-message.png
key Return

# Back to the first record: three clicks on the scroll bar's upper arrow.
wait_window " - Keyfold\$"
for _ in 1 2 3; do
    click_control "$main" 4920 240 255 255
    sleep 0.2
done
shoot "$main" main-window.png

key ctrl+f
wait_window '^検索$'
type_text "ﾔﾏﾋﾞｺ"
shoot "$window" find.png
key Escape

key alt+t o
wait_window '^オプション$'
shoot "$window" options.png
key Escape

xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
key alt+t Return
wait_window '^レコードの並び替え$'
key Down
shoot "$window" reorder.png
key Escape

xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
key alt+h k
wait_window 'のﾊﾞｰｼﾞｮﾝ情報$'
shoot "$window" about.png
key Escape

xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
key alt+c
wait_window '^クリア$'
shoot "$window" clear-question.png
key Escape

xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
key alt+f e
for _ in $(seq 100); do
    kill -0 "$program_pid" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$program_pid" 2>/dev/null; then
    fail "Keyfold did not end after ファイル > 終了"
fi
program_pid=""

# The main window again at twice the size, as on a high-resolution screen, on the book saved above.
(cd "$work/books" && QT_SCALE_FACTOR=2 exec "$program") >"$work/program.log" 2>&1 &
program_pid=$!
wait_window '^マスターキーの入力$'
type_text wqz
key Return
wait_window '^新規 - Keyfold$'
main="$window"
key ctrl+o
wait_window '^ファイルを開く$'
type_text "$book"
key Return
wait_window " - Keyfold\$"
shoot "$window" main-window-200.png
kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=""
rm -f "$out/failure.png"
echo "Done."
