#!/usr/bin/env bash
# Drives the desktop program on a private X server as a user would: run_e2e.sh PATH_TO_ZV
#
# Startup (four windows tiling the screen, the converted help text in unitext.html), typing (a
# line break with Shift+Enter among it) and F5, automatic conversion after F6, pasted HTML that
# tries to launch things, and Ctrl+Q with the shutdown document. Exits 77 (skipped)
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
missing=$(xs_missing_tools xdpyinfo xprop xwininfo xclip)
[ -z "$missing" ] || { echo "FAIL: not installed:$missing (x11-utils, xclip)"; exit 1; }

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
# What is on the screen, in the document and in the program's output, to find a failure's cause.
report() {
    echo "--- visible windows:"
    xdotool search --onlyvisible --name . 2>/dev/null | while read -r id; do
        echo "$id \"$(xdotool getwindowname "$id")\" at $(xs_outer "$id")"
    done
    echo "--- $doc:"
    cat "$doc" 2>/dev/null || echo "(missing)"
    echo "--- message boxes met:"
    cat "$XS_DIR/boxes" 2>/dev/null
    echo "--- program output (last lines):"
    tail -n 30 "$XS_DIR/zv.log" 2>/dev/null
}
abort() {
    echo "FAIL: $*"
    report
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
: >"$XS_DIR/boxes"
xs_start_wm || abort "no window manager"
echo "X server $DISPLAY with openbox"
# The desktop's openers record what they are asked to open, one line each, and open nothing.
mkdir -p "$XS_DIR/bin"
: >"$XS_DIR/launches"
for opener in xdg-open xdg-email; do
    printf '#!/bin/sh\necho "$*" >>"%s/launches"\n' "$XS_DIR" >"$XS_DIR/bin/$opener"
    chmod +x "$XS_DIR/bin/$opener"
done
export PATH="$XS_DIR/bin:$PATH"
started=$SECONDS
xs_start_program "$zv"

# --- Startup: four windows with their captions, tiling the screen. On a machine busy with other
# work the web views take long to start: each window may take until one deadline, a limit for a
# program that hangs rather than a measure of its speed.
startup_deadline=$((SECONDS + 90))
startup_window() { xs_wait_window "$1" $((startup_deadline > SECONDS ? startup_deadline - SECONDS : 0)); }
main=$(startup_window "$XS_CAPTION_MAIN") || abort "the main window did not appear"
preview=$(startup_window "$XS_CAPTION_PREVIEW") || abort "no preview window"
unicode=$(startup_window "$XS_CAPTION_UNICODE") || abort "no Unicode text window"
help=$(startup_window "$XS_CAPTION_HELP") || abort "no help window"
echo "four windows up after $((SECONDS - started)) s"

# Expected outer places on 1024 x 768 at 15 twips a pixel: the main window 105 twips from the
# left edge, half the screen less 150 twips wide, two thirds of it high; the preview 20 twips to
# its right; the Unicode text window 120 twips below it, 80 twips past the screen's bottom edge;
# the help window in the remaining corner. Frames are counted; a few pixels of rounding allowed.
near() { [ $(($1 - $2)) -le 4 ] && [ $(($2 - $1)) -le 4 ]; }
at_place() {
    local got
    read -r -a got <<<"$(xs_outer "$1")"
    near "${got[0]}" "$2" && near "${got[1]}" "$3" && near "${got[2]}" "$4" && near "${got[3]}" "$5"
}
# The window manager frames a window shortly after it is mapped, and the program then places it
# again by its outer size: wait for that before judging.
check_place() {
    local name=$1 id=$2
    shift 2
    if xs_poll 10 at_place "$id" "$@"; then
        echo "$name at $(xs_outer "$id")"
    else
        fail "$name at $(xs_outer "$id") (left top width height), expected about $*"
    fi
}
check_place "main window" "$main" 7 0 502 512
check_place "preview" "$preview" 510 0 502 512
check_place "Unicode text window" "$unicode" 7 520 502 253
check_place "help window" "$help" 510 520 502 253

# --- The startup conversion wrote the converted help text.
xs_poll 10 doc_has "Ievadi (raksti vai iel&#299;m&#275;)" ||
    fail "unitext.html does not hold the converted help text"

# The preview renders the document: a rectangle well inside its view (which starts 7 pixels
# below and right of the menu bar) is no longer one colour of a blank page.
have_imagemagick=$(command -v import >/dev/null && command -v convert >/dev/null && echo 1)
preview_sample() {
    local x y
    read -r x y < <(xwininfo -id "$preview" | sed -n 's/.*Absolute upper-left [XY]: *//p' | xargs)
    import -silent -window root -crop "400x300+$((x + 20))+$((y + 40))" +repage png:- 2>/dev/null |
        convert png:- -format "$1" info: 2>/dev/null
}
preview_colours() { preview_sample %k; }
preview_rendered() { [ "$(preview_colours)" -gt 8 ] 2>/dev/null; }
preview_changed() { [ "$(preview_sample %#)" != "$startup_preview" ]; }
if [ -n "$have_imagemagick" ]; then
    if xs_poll 30 preview_rendered; then
        echo "preview rendered: $(preview_colours) colours in its view"
    else
        fail "the preview stays blank ($(preview_colours) colours in its view)"
    fi
    startup_preview=$(preview_sample %#)
else
    echo "note: imagemagick not installed, the preview's rendering is not checked"
fi

# The help window's top left corner, under its menu bar, holds the offline picture.
help_shows_picture() {
    local x y
    [ -e "$XS_DIR/offline.png" ] ||
        convert "$here/../../resources/offline.gif[0]" -crop 150x150+0+0 +repage \
            "$XS_DIR/offline.png" || return 1
    read -r x y < <(xwininfo -id "$help" | sed -n 's/.*Absolute upper-left [XY]: *//p' | xargs)
    import -silent -window root -crop "150x190+$x+$y" +repage "$XS_DIR/help.png" 2>/dev/null &&
        compare -metric AE -fuzz 10% -subimage-search "$XS_DIR/help.png" "$XS_DIR/offline.png" \
            null: >/dev/null 2>&1
}
help_has_text() { [ -n "$(xs_copy_text "$help" | tr -d '[:space:]')" ]; }
# The help window shows the help page (or the browser's notice that it cannot be reached), with
# text a user can copy, unless the offline picture covers it.
check_help_window() {
    [ "$offline" = 1 ] && return 0
    xs_poll 20 help_has_text || fail "the help window shows no page"
}

# --- The Unicode text window holds the converted help text, as a user copies it.
unicode_text() { xs_copy_text "$unicode"; }
unicode_has() { unicode_text | grep -qF -- "$1"; }
xs_poll 10 unicode_has "Ievadi (raksti vai iel&#299;m&#275;)" ||
    fail "the Unicode text window does not hold the converted help text"

# --- The only message box startup may show is the offline notice, and with it the help window
# shows the offline picture; without it, the help page.
startup_boxes=$(wc -l <"$XS_DIR/boxes")
offline=0
[ -n "$have_imagemagick" ] && help_shows_picture && offline=1
if [ -n "$have_imagemagick" ] && [ "$startup_boxes" != "$offline" ]; then
    fail "startup showed $startup_boxes message boxes, with the offline picture $offline"
elif [ "$startup_boxes" -gt 1 ]; then
    fail "startup showed $startup_boxes message boxes"
fi
check_help_window
# The boxes met after startup: none is expected.
after_startup_boxes() { tail -n "+$((startup_boxes + 1))" "$XS_DIR/boxes"; }

# --- Typed text converts on F5; a line break typed with Shift+Enter is a line break.
xs_activate "$main" || abort "the main window does not take the focus"
xdotool mousemove --window "$main" 250 250 click 1
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "Laba diena, Riiga!"
xdotool key --clearmodifiers shift+Return
xdotool type --delay 20 "Kjeepis"
# Typing alone converts nothing.
doc_has "Ievadi (raksti" || fail "typing changed the document before F5"
xdotool key --clearmodifiers F5
xs_poll 10 body_is "Laba diena, R&#299;ga!<Br>&#310;&#275;pis" ||
    fail "after F5 the document's body is \"$(body)\""
# The preview follows: it no longer shows the help text.
if [ -n "$have_imagemagick" ]; then
    xs_poll 10 preview_changed || fail "the preview still shows the startup document after F5"
fi
xs_poll 10 unicode_has "Laba diena, R&#299;ga!<Br>&#310;&#275;pis" ||
    fail "after F5 the Unicode text window holds \"$(unicode_text)\""
xs_activate "$main" || abort "the main window does not take the focus"
xdotool mousemove --window "$main" 250 250 click 1

# --- F6: the next timer tick converts, without F5 (ticks come every 10 s).
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 20 "Saule spiid shodien"
body_is "Laba diena, R&#299;ga!<Br>&#310;&#275;pis" || fail "typing converted without a command"
xdotool key --clearmodifiers F6
t0=$SECONDS
if xs_poll 15 body_is "Saule sp&#299;d &#353;odien"; then
    echo "F6: converted by the timer after $((SECONDS - t0)) s"
else
    fail "15 s after F6 the document's body is \"$(body)\""
fi

# --- Pasted HTML that tries to load or launch things (frames, an object, an embed, a meta
# refresh) launches nothing and leaves the preview showing the document; the link at its start,
# clicked in the preview, goes to the desktop's opener once. Once that click's address is
# recorded, whatever the page did before it has been decided.
xs_activate "$main" || abort "the main window does not take the focus"
xdotool mousemove --window "$main" 250 250 click 1
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 5 '<a href=http://example.org/ok style=display:block;padding:90px>LINK</a> <iframe src=http://127.0.0.1:8765/f></iframe><object data=http://127.0.0.1:8765/o></object><embed src=http://127.0.0.1:8765/e><iframe src=file:///etc/x.desktop></iframe><iframe src=data:text/html,x></iframe><meta http-equiv=refres&#104; content="0;url=http://127.0.0.1:8765/m"> END'
xdotool key --clearmodifiers F5
xs_poll 10 doc_has "END" || fail "after F5 the document's body is \"$(body)\""
if [ -n "$have_imagemagick" ]; then
    xs_poll 10 preview_changed || fail "the preview does not show the pasted HTML"
fi
clicked() { grep -qF "http://example.org/ok" "$XS_DIR/launches"; }
# The link is a tall block at the start of the body, below the credit line.
xs_activate "$preview" || fail "the preview does not take the focus"
xdotool mousemove --window "$preview" 40 130 click 1
xs_poll 10 clicked || fail "the clicked link was not handed to the desktop's opener"
if [ "$(cat "$XS_DIR/launches")" = "http://example.org/ok" ]; then
    echo "pasted HTML: one launch, for the clicked link"
else
    fail "the desktop's opener was asked for: $(tr '\n' ' ' <"$XS_DIR/launches")"
fi
if [ -n "$have_imagemagick" ]; then
    preview_rendered || fail "the preview went blank ($(preview_colours) colours in its view)"
fi

# --- Ctrl+Q ends the program and leaves the shutdown document, with the last run's body.
xs_activate "$main" || abort "the main window does not take the focus"
last_body="$(body)"
xdotool key --clearmodifiers ctrl+q
xs_poll 15 xs_gone "$XS_ZV_PID" || abort "the program still runs 15 s after Ctrl+Q"
wait "$XS_ZV_PID"
status=$?
XS_ZV_PID=
[ $status = 0 ] || fail "the program ended with status $status"
[ "$(wc -l <"$doc")" = 3 ] || fail "the shutdown document has $(wc -l <"$doc") lines, not 3"
sed -n 1p "$doc" | grep -qF "Text Zilvardizer&#8482;" || fail "no shutdown header: $(sed -n 1p "$doc")"
sed -n 1p "$doc" | grep -qF "charset=utf-8" || fail "the shutdown header names no UTF-8"
case "$last_body" in *END*) ;; *) fail "the last run's body before Ctrl+Q was \"$last_body\"" ;; esac
body_is "$last_body" || fail "the shutdown document's body is \"$(body)\", not the last run's"
[ "$(sed -n 3p "$doc")" = $'</font></BODY></HTML>\r' ] || fail "the shutdown footer is wrong"

# The web view's start-up messages (settings, Chromium's errors, internal pages' console) stay
# off the terminal, and quitting says nothing (Qt warns of a URL handler destroyed while still
# registered).
chatter=$(grep -E 'qt\.webenginecontext|Init Parameters|:ERROR:|^js: |unsetUrlHandler' \
    "$XS_DIR/zv.log" | head -3)
[ -z "$chatter" ] || fail "the web view's messages reached the terminal: $chatter"
if [ -n "$(after_startup_boxes)" ]; then
    fail "message boxes after startup: $(after_startup_boxes | paste -sd '|')"
fi

echo "took $((SECONDS - started)) s"
if [ $failures -gt 0 ]; then
    report
    exit 1
fi
echo "PASS"
