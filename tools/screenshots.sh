#!/usr/bin/env bash
# Screenshots of the program just after startup, on a private 1024 x 768 X server with openbox:
#   tools/screenshots.sh [PATH_TO_ZV [OUTPUT_FOLDER]]     (defaults: build/app/zv, docs/)
# Writes screen.png (the whole screen) and one PNG per window, frame included, cropped from it;
# then marks.png and marks-hover.png: the dictionary marks in the main window; then
# screen-dark.png: the program under the dark desktop theme Adwaita-Dark (package adwaita-qt6),
# with the same two words marked.
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
declare -A windows
wait_windows() {
    local name caption_var
    for name in main preview unicode help; do
        caption_var=XS_CAPTION_${name^^}
        windows[$name]=$(xs_wait_window "${!caption_var}" 40) || {
            echo "the $name window did not appear; the program's output:" >&2
            cat "$XS_DIR/zv.log" >&2
            exit 1
        }
    done
    xdotool mousemove 1023 767
}
xs_start_program "$zv"
wait_windows

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
wait_settled() {
    rm -f "$shots/a.png"
    xs_poll 30 slow_settled || { echo "the preview did not settle in 30 s" >&2; exit 1; }
}
wait_settled

import -silent -window root -strip "$out/screen.png"
for name in main preview unicode help; do
    read -r x y w h <<<"$(xs_outer "${windows[$name]}")"
    # The part of the window on the screen (the Unicode text window reaches below it).
    convert "$out/screen.png" -crop "${w}x${h}+${x}+${y}" +repage -strip "$out/$name-window.png"
    echo "$out/$name-window.png: $(convert "$out/$name-window.png" -format %wx%h info:)" \
        "of the window's ${w}x${h} at ${x},${y}"
done
echo "$out/screen.png"

# The dictionary marks: "sheema un riikjosla" typed over the help text. Once both words carry
# their blue wavy underline: the hover text of the first (marks-hover.png), then the right-click
# menu of the second (marks.png), each the top of the main window with what opens over it.
type_marked_words() {
    read -r mx my mw mh <<<"$(xs_outer "${windows[main]}")"
    xs_activate "${windows[main]}" || { echo "the main window did not take the focus" >&2; exit 1; }
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 20 "sheema un riikjosla"
}
type_marked_words
# "W H X Y" of the box around the underlines in the main window's text box (blue: much blue,
# little red), from the box's top left corner (10, 45) in the window (frame and menu bar above).
underlines() {
    import -silent -window root -crop "$((mw - 40))x$((mh - 60))+$((mx + 10))+$((my + 45))" +repage \
        "$shots/m.png"
    convert "$shots/m.png" -fx '(b > 0.9 && r < 0.6) ? 1 : 0' -format '%@' info: 2>/dev/null |
        sed 's/[x+]/ /g'
}
both_marked() { # one line of underlines, wide enough for both words
    read -r uw uh ux uy <<<"$(underlines)"
    [ "${uw:-0}" -ge 100 ] && [ "${uh:-99}" -le 8 ]
}
wait_marked() {
    xs_poll 30 both_marked || { echo "the words were not marked in 30 s" >&2; exit 1; }
}
wait_marked
# A hover text or menu of the program: a window of its own, named after the program only.
popup() {
    local id
    for id in $(xdotool search --onlyvisible --class zv 2>/dev/null); do
        [ "$(xdotool getwindowname "$id" 2>/dev/null)" = zv ] && return 0
    done
    return 1
}
top_of_main() { import -silent -window root -crop "${mw}x300+${mx}+${my}" +repage -strip "$1"; }
xdotool mousemove $((mx + 10 + ux + 12)) $((my + 45 + uy - 8))
xs_poll 10 popup || { echo "no hover text over the marked word" >&2; exit 1; }
top_of_main "$out/marks-hover.png"
# The menu of the second word, opened just below its underline at its end, so that it hides
# neither word.
xdotool mousemove $((mx + 10 + ux + uw - 4)) $((my + 45 + uy + uh + 1)) click 3
xs_poll 10 popup || { echo "no menu on the marked word" >&2; exit 1; }
top_of_main "$out/marks.png"
xdotool key Escape
echo "$out/marks.png $out/marks-hover.png"

quit_program() {
    xs_activate "${windows[main]}" && xdotool key --clearmodifiers ctrl+q
    xs_poll_quiet 15 xs_gone "$XS_ZV_PID" || echo "the program did not end on Ctrl+Q" >&2
}
quit_program

# The dark theme: the windows and menus dark, the two text boxes white with their own colours.
xs_start_program "$zv" -style Adwaita-Dark
wait_windows
wait_settled
type_marked_words
wait_marked
xdotool mousemove 1023 767
import -silent -window root -strip "$out/screen-dark.png"
echo "$out/screen-dark.png"
quit_program
