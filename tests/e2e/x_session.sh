# shellcheck shell=bash disable=SC2034  # the captions are used by the scripts that source this
# Shared by the end-to-end test and tools/screenshots.sh (sourced, not run): a private X server
# (Xvfb, 1024 x 768 x 24) with the openbox window manager, the program started on it the way a
# user's desktop starts it, and helpers to find its windows and read their places.
#
# Every helper polls with a timeout; nothing waits a fixed time for the program.

XS_CAPTION_MAIN='^ZV  --  Teksta Zilvardis'
XS_CAPTION_PREVIEW='^Preview HTML \(Copy & paste to mail\)$'
XS_CAPTION_UNICODE='^Unicode \(Copy & paste to HTML editor\)$'
XS_CAPTION_HELP='^Online paligs \(help\)$'
# Caption of the program's message boxes (the offline notice at startup among them).
XS_CAPTION_BOX='^Zilvardizer_3$'

XS_XVFB_PID=
XS_WM_PID=
XS_ZV_PID=
XS_DIR=
XS_FOUND=  # the window id xs_found_window found

xs_missing_tools() {
    local tool missing=
    for tool in "$@"; do command -v "$tool" >/dev/null 2>&1 || missing+=" $tool"; done
    echo "$missing"
}

# xs_poll TIMEOUT_S COMMAND...: runs COMMAND every 0.2 s until it succeeds; fails after TIMEOUT_S.
# Any message box of the program that turns up meanwhile is closed first.
xs_poll() {
    local deadline=$((SECONDS + $1))
    shift
    while true; do
        [ -n "${DISPLAY:-}" ] && xs_close_boxes
        "$@" && return 0
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.2
    done
}

# Starts Xvfb on the first free display from :90 to :99 and exports DISPLAY.
xs_start_display() {
    XS_DIR=$(mktemp -d /tmp/zv-x-session.XXXXXX)
    local n
    for n in 90 91 92 93 94 95 96 97 98 99; do
        [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] && continue
        # -noreset: without it the server resets whenever its last client leaves (the probe
        # below), and a client that connects during the reset is turned away.
        Xvfb :$n -screen 0 1024x768x24 -nolisten tcp -noreset >"$XS_DIR/xvfb.log" 2>&1 &
        XS_XVFB_PID=$!
        export DISPLAY=:$n
        # Ours once its lock file names it and it answers; one that exits lost the display to
        # another server started at the same moment: next display.
        if xs_poll_quiet 10 xs_display_ours $n; then return 0; fi
        kill "$XS_XVFB_PID" 2>/dev/null
        wait "$XS_XVFB_PID" 2>/dev/null
        XS_XVFB_PID=
        unset DISPLAY
    done
    echo "no free X display in :90 .. :99" >&2
    return 1
}

xs_display_ours() {
    xs_gone "$XS_XVFB_PID" && return 1
    [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X$1-lock")" = "$XS_XVFB_PID" ] && xdpyinfo >/dev/null 2>&1
}

# Starts openbox and waits until it has announced itself on the root window.
xs_start_wm() {
    openbox >"$XS_DIR/openbox.log" 2>&1 &
    XS_WM_PID=$!
    xs_poll_quiet 20 xs_wm_ready && return 0
    echo "openbox did not start on $DISPLAY ($(xs_gone "$XS_WM_PID" && echo exited || echo running)," \
        "Xvfb $(xs_gone "$XS_XVFB_PID" && echo exited || echo running)); its output:" >&2
    cat "$XS_DIR/openbox.log" >&2
    return 1
}

xs_wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# xs_start_program ZV [ARGUMENT...]: starts the program on the X server (web view without GPU and
# sandbox, as root needs); its output goes to $XS_DIR/zv.log, the text it keeps to
# $XS_DIR/state/zv/typed.txt (not the user's own).
xs_start_program() {
    XDG_STATE_HOME="$XS_DIR/state" \
    QT_QPA_PLATFORM=xcb QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu QTWEBENGINE_DISABLE_SANDBOX=1 \
        "$@" >"$XS_DIR/zv.log" 2>&1 &
    XS_ZV_PID=$!
}

# Closes every visible message box of the program with Enter (Escape if Enter leaves it open).
# Startup shows the offline notice there when the machine has no default route. Each box met
# adds a line to $XS_DIR/boxes, for the caller to judge.
xs_close_boxes() {
    local box key
    for key in Return Escape; do
        box=$(xdotool search --onlyvisible --name "$XS_CAPTION_BOX" 2>/dev/null | head -n1)
        [ -z "$box" ] && return 0
        [ "$key" = Return ] && echo "message box (window $box)" >>"$XS_DIR/boxes"
        echo "closing the message box \"Zilvardizer_3\" (window $box) with $key" >&2
        xdotool windowactivate --sync "$box" >/dev/null 2>&1
        xdotool key --clearmodifiers "$key"
        sleep 0.3
    done
}

xs_clipboard_filled() { [ -n "$(xclip -o -selection clipboard 2>/dev/null)" ]; }

# xs_copy_text ID: the text of the focused box of window ID, selected and copied as a user would.
xs_copy_text() {
    printf '' | xclip -selection clipboard >/dev/null 2>&1
    xs_activate "$1" || return 1
    xdotool key --clearmodifiers ctrl+a ctrl+c
    xs_poll_quiet 5 xs_clipboard_filled || return 1
    xclip -o -selection clipboard 2>/dev/null
}

# xs_window REGEX: id of the visible window whose caption matches, empty if none.
xs_window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1; }

# xs_wait_window REGEX TIMEOUT_S: prints the window's id once it is visible: the id the successful
# search found (a second search can come back empty while the program still makes and drops
# windows of its own).
xs_wait_window() {
    xs_poll "$2" xs_found_window "$1" || return 1
    echo "$XS_FOUND"
}
xs_found_window() {
    XS_FOUND=$(xs_window "$1")
    [ -n "$XS_FOUND" ]
}

# xs_outer ID: "left top width height" of the window with its frame, in pixels. xwininfo gives the
# client's absolute place (xdotool getwindowgeometry counts the frame offset twice under a
# reparenting window manager); _NET_FRAME_EXTENTS gives the frame: left, right, top, bottom.
xs_outer() {
    local info x y w h l r t b
    info=$(xwininfo -id "$1") || return 1
    x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    w=$(sed -n 's/^ *Width: *//p' <<<"$info")
    h=$(sed -n 's/^ *Height: *//p' <<<"$info")
    read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ,)
    echo "$((x - ${l:-0})) $((y - ${t:-0})) $((w + ${l:-0} + ${r:-0})) $((h + ${t:-0} + ${b:-0}))"
}

# Gives the window the input focus the way a click on its title would.
xs_activate() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1
    xs_poll 5 xs_is_active "$1"
}
xs_is_active() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }

# Ends whatever is still running: the program, the window manager, the X server.
xs_cleanup() {
    local pid
    for pid in $XS_ZV_PID $XS_WM_PID $XS_XVFB_PID; do
        if kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null
            # QtWebEngine's helper processes end with the program; give it a moment, then force.
            xs_poll_quiet 5 xs_gone "$pid" || kill -9 "$pid" 2>/dev/null
            wait "$pid" 2>/dev/null || true  # its status is that of the kill
        fi
    done
    [ -n "$XS_DIR" ] && rm -rf "$XS_DIR"
    XS_ZV_PID='' XS_WM_PID='' XS_XVFB_PID='' XS_DIR=
}
xs_gone() { ! kill -0 "$1" 2>/dev/null; }

# xs_poll without closing boxes (for use when the X server may already be gone).
xs_poll_quiet() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.2
    done
}
