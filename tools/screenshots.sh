#!/usr/bin/env bash
# Screenshots of the program just after startup, on a private 1024 x 768 X server with openbox:
#   tools/screenshots.sh [PATH_TO_ZV [OUTPUT_FOLDER]]     (defaults: build/app/zv, docs/)
# Writes screen.png (the whole screen) and one PNG per window, frame included, cropped from it.
# Needs Xvfb, openbox, xdotool, x11-utils and imagemagick.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
zv=$(realpath "${1:-$root/build/app/zv}")
out=${2:-$root/docs}
# shellcheck source=../tests/e2e/x_session.sh
. "$root/tests/e2e/x_session.sh"

missing=$(xs_missing_tools Xvfb openbox xdotool xdpyinfo xprop xwininfo import convert compare)
[ -z "$missing" ] || { echo "not installed:$missing" >&2; exit 1; }
[ -x "$zv" ] || { echo "no program at $zv (build it first)" >&2; exit 1; }
mkdir -p "$out"
shots=$(mktemp -d)
trap 'xs_cleanup; rm -rf "$shots"' EXIT

xs_start_display
xs_start_wm
xs_start_program "$zv"
declare -A windows
for name in main preview unicode help; do
    caption_var=XS_CAPTION_${name^^}
    windows[$name]=$(xs_wait_window "${!caption_var}" 40) || {
        echo "the $name window did not appear; the program's output:" >&2
        cat "$XS_DIR/zv.log" >&2
        exit 1
    }
done
xdotool mousemove 1023 767

# Settled: the two web views (the right half of the screen) look the same in two shots in a
# row, half a second apart, and the preview shows more than a blank page. The main window's
# caret blinks, so it is left out of the comparison.
right_half() { import -silent -window root -crop 512x768+512+0 +repage "$1"; }
settled() {
    right_half "$shots/b.png"
    local same=1
    [ -e "$shots/a.png" ] && compare -metric AE "$shots/a.png" "$shots/b.png" null: 2>/dev/null &&
        same=0
    mv "$shots/b.png" "$shots/a.png"
    [ $same = 0 ] && [ "$(convert "$shots/a.png" -crop 480x400+10+60 -format %k info:)" -gt 8 ]
}
slow_settled() { sleep 0.5; settled; }
xs_poll 30 slow_settled || { echo "the preview did not settle in 30 s" >&2; exit 1; }

import -silent -window root -strip "$out/screen.png"
for name in main preview unicode help; do
    read -r x y w h <<<"$(xs_outer "${windows[$name]}")"
    # The part of the window on the screen (the Unicode text window reaches below it).
    convert "$out/screen.png" -crop "${w}x${h}+${x}+${y}" +repage -strip "$out/$name-window.png"
    echo "$out/$name-window.png: $(convert "$out/$name-window.png" -format %wx%h info:)" \
        "of the window's ${w}x${h} at ${x},${y}"
done
echo "$out/screen.png"

xs_activate "${windows[main]}" && xdotool key --clearmodifiers ctrl+q
xs_poll_quiet 15 xs_gone "$XS_ZV_PID" || echo "the program did not end on Ctrl+Q" >&2
