#!/usr/bin/env bash
# The input method engine's memory: tools/ime_memory.sh [BUILD]
#
# On a private D-Bus session and X server, ibus-daemon runs the build's engine (BUILD, default
# build); a line of typed Latvian goes into a Qt text field through it, and the engine
# process's resident memory (VmRSS, and of it the anonymous part, RssAnon, from
# /proc/PID/status) is printed: once with no dictionary (ZV_DICTIONARY naming none), once with
# the installed one (hunspell-lv).
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-$here/../build}")
if [ -z "${ZV_IME_MEMORY_SESSION:-}" ]; then
    ZV_IME_MEMORY_SESSION=1 exec dbus-run-session -- "$0" "$build"
fi
# shellcheck source=../tests/e2e/x_session.sh
. "$here/../tests/e2e/x_session.sh"
daemon_pid=
field_pid=
cleanup() {
    [ -n "$field_pid" ] && kill "$field_pid" 2>/dev/null
    if [ -n "$daemon_pid" ]; then
        for pid in $(pgrep -P "$daemon_pid"); do kill "$pid" 2>/dev/null; done
        kill "$daemon_pid" 2>/dev/null
        wait "$daemon_pid" 2>/dev/null
    fi
    daemon_pid= field_pid=
}
trap 'cleanup; xs_cleanup' EXIT
xs_start_display || exit 1
xs_start_wm || exit 1
mkdir -p "$XS_DIR/home" "$XS_DIR/run"
chmod 700 "$XS_DIR/run"
export HOME=$XS_DIR/home XDG_CONFIG_HOME=$XS_DIR/home/.config XDG_RUNTIME_DIR=$XS_DIR/run

engine_is_zv() { ibus engine zv >/dev/null 2>&1; [ "$(ibus engine 2>/dev/null)" = zv ]; }
typed_line() { [ "$(cat "$XS_DIR/field.txt" 2>/dev/null)" = "Laba diena, Rīga! Kā klājas šodien? " ]; }

measure() {
    if [ -n "$1" ]; then export ZV_DICTIONARY=$1; else unset ZV_DICTIONARY; fi
    IBUS_COMPONENT_PATH=$build/ime/ibus/component \
        ibus-daemon --replace --cache=refresh --config=disable --panel=disable \
        >"$XS_DIR/ibus.log" 2>&1 &
    daemon_pid=$!
    xs_poll_quiet 30 engine_is_zv || { echo "ibus-daemon does not take the engine zv"; return 1; }
    QT_IM_MODULE=ibus QT_QPA_PLATFORM=xcb "$build/tests/e2e/zv-ime-field" "$XS_DIR/field.txt" \
        "ZV memory field" >/dev/null 2>&1 &
    field_pid=$!
    local window
    window=$(xs_wait_window '^ZV memory field$' 30) && xs_activate "$window" || return 1
    ibus engine zv
    xdotool type --delay 30 "Laba diena, Riiga! Kaa klaajas shodien? "
    xs_poll_quiet 30 typed_line || { echo "the line did not arrive: [$(cat "$XS_DIR/field.txt")]"; return 1; }
    local engine
    engine=$(pgrep -P "$daemon_pid" -x ibus-engine-zv)
    echo "$2: $(grep -E '^(VmRSS|RssAnon)' "/proc/$engine/status" | tr -s ' \t\n' ' ')"
    cleanup
}

measure "$XS_DIR/no-dictionary" "no dictionary"
measure "" "installed dictionary"
