#!/usr/bin/env bash
# Drives the desktop program on a private X server as a user would: run_e2e.sh PATH_TO_ZV
#
# Startup (four windows tiling the screen, the converted help text in unitext.html), typing and
# F5, automatic conversion after F6, and Ctrl+Q with the shutdown document. Exits 77 (skipped)
# when Xvfb, xdotool or openbox is not installed.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=x_session.sh
. "$here/x_session.sh"

zv=$(realpath "$1")
doc="$(dirname "$zv")/unitext.html"

missing=$(xs_missing_tools Xvfb xdotool openbox)
if [ -n "$missing" ]; then
    echo "skipped, not installed:$missing"
    exit 77
fi
missing=$(xs_missing_tools xdpyinfo xprop xwininfo)
[ -z "$missing" ] || { echo "FAIL: not installed:$missing (x11-utils)"; exit 1; }

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# Stops the run: what is visible on the screen and what the program printed help find the cause.
abort() {
    echo "FAIL: $*"
    echo "--- visible windows:"
    xdotool search --onlyvisible --name . 2>/dev/null | while read -r id; do
        echo "$id \"$(xdotool getwindowname "$id")\" at $(xs_outer "$id")"
    done
    echo "--- $doc:"
    cat "$doc" 2>/dev/null || echo "(missing)"
    echo "--- program output:"
    tail -n 30 "$XS_DIR/zv.log" 2>/dev/null
    exit 1
}
trap xs_cleanup EXIT
trap 'exit 1' INT TERM

# The document's body: its second line, without the line break.
body() { sed -n 2p "$doc" 2>/dev/null | tr -d '\r'; }
body_is() { [ "$(body)" = "$1" ]; }
doc_has() { grep -qF -- "$1" "$doc" 2>/dev/null; }

# A file from an earlier run must not pass for this run's document.
rm -f "$doc"

xs_start_display || abort "no X server"
xs_start_wm || abort "no window manager"
echo "X server $DISPLAY with openbox"
started=$SECONDS
xs_start_program "$zv"

# --- Startup: four windows with their captions, tiling the screen.
main=$(xs_wait_window "$XS_CAPTION_MAIN" 40) || abort "the main window did not appear"
preview=$(xs_wait_window "$XS_CAPTION_PREVIEW" 5) || abort "no preview window"
unicode=$(xs_wait_window "$XS_CAPTION_UNICODE" 5) || abort "no Unicode text window"
help=$(xs_wait_window "$XS_CAPTION_HELP" 5) || abort "no help window"
echo "four windows up after $((SECONDS - started)) s"

# Expected outer places on 1024 x 768 at 15 twips a pixel: the main window 105 twips from the
# left edge, half the screen less 150 twips wide, two thirds of it high; the preview 20 twips to
# its right; the Unicode text window 120 twips below it, 80 twips past the screen's bottom edge;
# the help window in the remaining corner. Frames are counted; a few pixels of rounding allowed.
check_place() {
    local name=$1 id=$2 want=("$3" "$4" "$5" "$6") got i
    read -r -a got <<<"$(xs_outer "$id")"
    for i in 0 1 2 3; do
        if [ $((got[i] - want[i])) -gt 4 ] || [ $((want[i] - got[i])) -gt 4 ]; then
            fail "$name at ${got[*]} (left top width height), expected about ${want[*]}"
            return
        fi
    done
    echo "$name at ${got[*]}"
}
check_place "main window" "$main" 7 0 502 512
check_place "preview" "$preview" 510 0 502 512
check_place "Unicode text window" "$unicode" 7 520 502 253
check_place "help window" "$help" 510 520 502 253

# --- The startup conversion wrote the converted help text.
xs_poll 10 doc_has "Ievadi (raksti vai iel&#299;m&#275;)" ||
    fail "unitext.html does not hold the converted help text"

# The preview renders the document: its view is no longer a blank page. The view covers the
# client area from (7, 7) pixels on; sample a square well inside it.
preview_colours() {
    local x y
    read -r x y _ < <(xwininfo -id "$preview" | sed -n 's/.*Absolute upper-left [XY]: *//p' | tr '\n' ' ')
    import -silent -window root -crop "400x300+$((x + 20))+$((y + 40))" +repage png:- 2>/dev/null |
        convert png:- -format %k info: 2>/dev/null
}
preview_rendered() { [ "$(preview_colours)" -gt 8 ] 2>/dev/null; }
if command -v import >/dev/null && command -v convert >/dev/null; then
    if xs_poll 30 preview_rendered; then
        echo "preview rendered: $(preview_colours) colours in its view"
    else
        fail "the preview stays blank ($(preview_colours) colours in its view)"
    fi
else
    echo "note: imagemagick not installed, the preview's rendering is not checked"
fi

# --- Typed text converts on F5.
xs_activate "$main" || abort "the main window does not take the focus"
xdotool mousemove --window "$main" 250 250 click 1
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "Laba diena, Riiga! Kjeepis"
# Typing alone converts nothing.
doc_has "Ievadi (raksti" || fail "typing changed the document before F5"
xdotool key --clearmodifiers F5
xs_poll 10 body_is "Laba diena, R&#299;ga! &#310;&#275;pis" ||
    fail "after F5 the document's body is \"$(body)\""

# --- F6: the next timer tick converts, without F5 (ticks come every 10 s).
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "Saule spiid shodien"
body_is "Laba diena, R&#299;ga! &#310;&#275;pis" || fail "typing converted without a command"
xdotool key --clearmodifiers F6
t0=$SECONDS
if xs_poll 15 body_is "Saule sp&#299;d &#353;odien"; then
    echo "F6: converted by the timer after $((SECONDS - t0)) s"
else
    fail "15 s after F6 the document's body is \"$(body)\""
fi

# --- Ctrl+Q ends the program and leaves the shutdown document.
xs_activate "$main" || abort "the main window does not take the focus"
xdotool key --clearmodifiers ctrl+q
xs_poll 15 xs_gone "$XS_ZV_PID" || abort "the program still runs 15 s after Ctrl+Q"
wait "$XS_ZV_PID"
status=$?
XS_ZV_PID=
[ $status = 0 ] || fail "the program ended with status $status"
[ "$(wc -l <"$doc")" = 3 ] || fail "the shutdown document has $(wc -l <"$doc") lines, not 3"
sed -n 1p "$doc" | grep -qF "charset=Windows-1252" || fail "the shutdown header names no Windows-1252"
body_is "" || fail "the shutdown document's body is \"$(body)\", not empty"
[ "$(sed -n 3p "$doc")" = $'</font></BODY></HTML>\r' ] || fail "the shutdown footer is wrong"

echo "took $((SECONDS - started)) s"
if [ $failures -gt 0 ]; then
    echo "--- $doc:"
    cat "$doc"
    echo "--- program output:"
    tail -n 30 "$XS_DIR/zv.log"
    exit 1
fi
echo "PASS"
