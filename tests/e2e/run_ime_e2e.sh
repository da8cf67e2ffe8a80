#!/usr/bin/env bash
# The input method for real: run_ime_e2e.sh COMPONENT_DIR QT_FIELD ZV_CONVERT DICTIONARY
#
# On a private D-Bus session and a private X server (Xvfb with openbox), ibus-daemon runs the
# engine of the build tree's component (COMPONENT_DIR), with ime_panel.py standing in for the
# desktop's panel and the small test dictionary (DICTIONARY, without extension) for the
# suggestions. A Qt text field (QT_FIELD, QT_IM_MODULE=ibus) and a GTK one (ime_field_gtk.py,
# GTK_IM_MODULE=ibus) are typed into with xdotool, each row of ROWS below in turn, and what the
# field holds is compared with zv-convert --text of the same characters (or with the text a
# row names). Every wait polls a real condition (the field's text, the preedit, the panel's
# list) with a deadline. Exits 77 (skipped) when ibus-daemon, dbus-run-session, Xvfb, xdotool
# or openbox is not installed.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=x_session.sh
. "$here/x_session.sh"

if [ -z "${ZV_IME_E2E_SESSION:-}" ]; then
    missing=$(xs_missing_tools ibus-daemon ibus dbus-run-session Xvfb xdotool openbox)
    if [ -n "$missing" ]; then
        echo "skipped, not installed:$missing"
        exit 77
    fi
    ZV_IME_E2E_SESSION=1 exec dbus-run-session -- "$0" "$@"
fi

component_dir=$(realpath "$1")
qt_field=$(realpath "$2")
zv_convert=$(realpath "$3")
dictionary=$4
python=/usr/bin/python3
"$python" -c 'import gi; gi.require_version("Gtk", "3.0"); gi.require_version("IBus", "1.0")' \
    2>/dev/null || { echo "FAIL: python3-gi with GTK 3 and IBus (gir1.2-gtk-3.0, gir1.2-ibus-1.0) missing"; exit 1; }

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
daemon_pid=
work=
field_pids=()
cleanup() {
    local pid
    for pid in "${field_pids[@]}"; do kill "$pid" 2>/dev/null; done
    if [ -n "$daemon_pid" ]; then
        # The daemon's engine and panel by their ids, then the daemon.
        for pid in $(pgrep -P "$daemon_pid") $(cat "$work/panel/pid" 2>/dev/null); do
            kill "$pid" 2>/dev/null
        done
        kill "$daemon_pid" 2>/dev/null
        wait "$daemon_pid" 2>/dev/null
    fi
    xs_cleanup
}
trap cleanup EXIT
trap 'exit 1' INT TERM

xs_start_display || { echo "FAIL: no X server"; exit 1; }
xs_start_wm || { echo "FAIL: no window manager"; exit 1; }
work=$XS_DIR
mkdir -p "$work/home" "$work/run" "$work/panel" "$work/components"
chmod 700 "$work/run"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache
export XDG_RUNTIME_DIR=$work/run NO_AT_BRIDGE=1
# The keyboard engines of ibus itself, to switch to and back.
[ -e /usr/share/ibus/component/simple.xml ] && cp /usr/share/ibus/component/simple.xml "$work/components/"

ZV_DICTIONARY=$dictionary IBUS_COMPONENT_PATH="$component_dir:$work/components" \
    ibus-daemon --replace --cache=refresh --config=disable \
    --panel="$python $here/ime_panel.py $work/panel" >"$work/ibus.log" 2>&1 &
daemon_pid=$!
engine_listed() { ibus list-engine 2>/dev/null | grep -q '^  zv - Latviešu (ZV konvencijas)$'; }
xs_poll_quiet 30 engine_listed || { echo "FAIL: ibus-daemon does not list the engine zv"; cat "$work/ibus.log"; exit 1; }
# The daemon takes the engine once it has read the component (and its panel has started).
engine_is() { [ "$(ibus engine 2>/dev/null)" = "$1" ]; }
engine_set() {
    ibus engine zv >/dev/null 2>&1
    engine_is zv
}
xs_poll_quiet 30 engine_set || { echo "FAIL: ibus engine zv: $(ibus engine zv 2>&1)"; exit 1; }

# --- Rows: steps separated by " | " (a blank beside it is typed); a row that begins with
# "[gtk] " runs in the GTK field only.
#   type:TEXT      xdotool types TEXT
#   key:KEYS       xdotool presses KEYS (BackSpace, Return, ctrl+Home ...)
#   preedit:TEXT   the word being typed shows TEXT
#   field:TEXT     the field holds TEXT (\n and \t as escapes)
#   convert:TEXT   the field holds what zv-convert --text gives for TEXT
#   list:WORDS     the candidate window lists WORDS (comma-separated)
#   click          a click into the field
#   pick           a click on the candidate window's first word
#   other          the focus goes to another window and comes back
#   engine:NAME    ibus engine NAME
#   off, on        the property menu's "Konvencijas ieslēgtas"
#   secret, plain  the field becomes a password field (the toggle greyed out), and a plain one
#                  again (GTK)
ROWS=$(cat <<'EOF'
type:Riig | preedit:Rīg | key:BackSpace | preedit:Rī | key:Escape | field:Rii
type:Riiga sheema, Kjeepis | key:Return | convert:Riiga sheema, Kjeepis\n
type:'s-h pa-art aa-a 'Aa: ieeja, miljons, karjers. | convert:'s-h pa-art aa-a 'Aa: ieeja, miljons, karjers.
type:SH Sh sH &#257; R&#299;ga &#x101;! | convert:SH Sh sH &#257; R&#299;ga &#x101;!
type:2024. gadaa (21 diena) - labi? "jaa" | key:Tab | convert:2024. gadaa (21 diena) - labi? "jaa"\t
type:Riiga  | key:BackSpace BackSpace | type:u  | field:Rīgu 
type:Riiga | preedit:Rīga | key:ctrl+Home | type:X  | field:X Rīga
type:Kjeepis | preedit:Ķēpis | click | field:Ķēpis
type:Kjeepis | preedit:Ķēpis | other | key:space | field:Ķēpis 
[gtk] type:Kjeepis | preedit:Ķēpis | engine:xkb:us::eng | field:Ķēpis | type: aa | field:Ķēpis aa | engine:zv | type: aa  | field:Ķēpis aa ā 
type:Kjeepis | key:ctrl | field:Ķēpis | engine:xkb:us::eng | type: aa | field:Ķēpis aa | engine:zv | type: aa  | field:Ķēpis aa ā 
type:Kjeepis | preedit:Ķēpis | off | field:Ķēpis | type: aa | field:Ķēpis aa | on | type: aa  | field:Ķēpis aa ā 
type:sheema | list:shēma | key:Down Return | field:shēma | type: sheema  | field:shēma šēma 
type:Riga | list:Rīga,Rīgā | pick | field:Rīga | type: Riga. | field:Rīga Riga.
[gtk] secret | type:sheema | field:sheema | type: aa  | field:sheema aa  | plain | type:aa  | field:sheema aa ā 
EOF
)

file_is() { [ -e "$1" ] && cmp -s "$1" "$2"; }
# toggle_is STATE SENSITIVE: the property menu's "Konvencijas ieslēgtas" as the panel has it.
toggle_is() { grep -q "^conventions $1 $2 Konvencijas ieslēgtas\$" "$work/panel/properties" 2>/dev/null; }
text_file() { printf '%b' "$1" >"$2"; }

# run_row TOOLKIT WINDOW OTHER_WINDOW FIELD_FILE PANEL_PID FIELD_PID ROW
run_row() {
    local window=$2 other=$3 out=$4 panel=$5 field=$6 row=$7 rest=$7 step arg expected=$work/expected
    while [ -n "$rest" ]; do
        step=${rest%% | *}
        if [ "$step" = "$rest" ]; then rest=; else rest=${rest#* | }; fi
        arg=${step#*:}
        case $step in
            type:*) xdotool type --delay 40 -- "$arg" ;;
            key:*) read -r -a keys <<<"$arg"; xdotool key --delay 40 "${keys[@]}" ;;
            preedit:*)
                text_file "$arg" "$expected"
                xs_poll_quiet 10 file_is "$out.preedit" "$expected" ||
                    { fail "$1: [$row] at $step: preedit [$(cat "$out.preedit")]"; return; } ;;
            field:*)
                text_file "$arg" "$expected"
                xs_poll_quiet 10 file_is "$out" "$expected" ||
                    { fail "$1: [$row] at $step: field [$(cat "$out")]"; return; } ;;
            convert:*)
                printf '%b' "$arg" | "$zv_convert" --text >"$expected"
                xs_poll_quiet 10 file_is "$out" "$expected" ||
                    { fail "$1: [$row] at $step: field [$(cat "$out")], zv-convert --text [$(cat "$expected")]"; return; } ;;
            list:*)
                text_file "${arg//,/\\n}\n" "$expected"
                xs_poll_quiet 10 file_is "$work/panel/candidates" "$expected" ||
                    { fail "$1: [$row] at $step: candidates [$(cat "$work/panel/candidates" 2>/dev/null)]"; return; } ;;
            click) xdotool mousemove --window "$window" 400 150 click 1 ;;
            pick) kill -HUP "$panel" ;;
            other)
                xs_activate "$other" || { fail "$1: [$row]: the other window takes no focus"; return; }
                xs_activate "$window" || { fail "$1: [$row]: the field takes no focus again"; return; } ;;
            engine:*)
                ibus engine "$arg" >/dev/null 2>&1
                xs_poll_quiet 10 engine_is "$arg" || { fail "$1: [$row]: ibus engine $arg"; return; } ;;
            off | on)
                if [ "$step" = off ]; then kill -USR1 "$panel"; else kill -USR2 "$panel"; fi
                xs_poll_quiet 10 toggle_is "$([ "$step" = off ] && echo 0 || echo 1)" 1 ||
                    { fail "$1: [$row] at $step: the toggle [$(grep conventions "$work/panel/properties")]"; return; } ;;
            secret | plain)
                if [ "$step" = secret ]; then kill -USR1 "$field"; else kill -USR2 "$field"; fi
                # The toggle greyed out in a password field, and back.
                xs_poll_quiet 10 toggle_is 1 "$([ "$step" = secret ] && echo 0 || echo 1)" ||
                    { fail "$1: [$row] at $step: the toggle [$(grep conventions "$work/panel/properties")]"; return; } ;;
            *) fail "unknown step $step"; return ;;
        esac
    done
}

# run_toolkit NAME COMMAND...: the rows in a field of that toolkit, beside another window.
run_toolkit() {
    local name=$1 out=$work/$1.txt window other panel field row passed=0 before=$failures
    shift
    "$@" "$out" "ZV field $name" >"$work/$name.log" 2>&1 &
    field=$!
    field_pids+=($!)
    "$@" "$work/$name-other.txt" "ZV other $name" >"$work/$name-other.log" 2>&1 &
    field_pids+=($!)
    window=$(xs_wait_window "^ZV field $name\$" 30) || { fail "$name: no field window"; return; }
    other=$(xs_wait_window "^ZV other $name\$" 30) || { fail "$name: no second window"; return; }
    rm -f "$work/panel/properties"
    xs_activate "$window" || { fail "$name: the field takes no focus"; return; }
    ibus engine zv
    props_ready() { toggle_is 1 1; }
    xs_poll_quiet 10 props_ready || { fail "$name: no property menu with \"Konvencijas ieslēgtas\""; return; }
    panel=$(cat "$work/panel/pid")
    local rows=0
    while IFS= read -r row; do
        case $row in
            "[$name] "*) row=${row#"[$name] "} ;;
            "["*) continue ;;
        esac
        rows=$((rows + 1))
        # A fresh field for each row, the engine on (with nothing pending, the keys pass
        # through).
        engine_is zv || engine_set
        xdotool key ctrl+a BackSpace
        : >"$work/empty"
        if ! xs_poll_quiet 10 file_is "$out" "$work/empty"; then
            fail "$name: the field does not empty: [$(cat "$out")]"
            continue
        fi
        local row_failures=$failures
        run_row "$name" "$window" "$other" "$out" "$panel" "$field" "$row"
        [ $failures = "$row_failures" ] && passed=$((passed + 1))
    done <<<"$ROWS"
    echo "$name: $passed of $rows rows as expected"
    if [ $failures != "$before" ]; then
        echo "--- $name field's output:"
        tail -n 5 "$work/$name.log"
    fi
}

started=$SECONDS
QT_IM_MODULE=ibus QT_QPA_PLATFORM=xcb run_toolkit qt "$qt_field"
GTK_IM_MODULE=ibus run_toolkit gtk "$python" "$here/ime_field_gtk.py"

engine_pid=$(pgrep -P "$daemon_pid" -x ibus-engine-zv)
if [ -n "$engine_pid" ]; then
    echo "engine memory (small test dictionary):" \
        "$(grep -E '^(VmRSS|RssAnon)' "/proc/$engine_pid/status" | tr -s ' \t\n' ' ')"
fi
echo "end-to-end rows took $((SECONDS - started)) s"
if [ $failures -gt 0 ]; then
    echo "--- ibus-daemon output:"
    tail -n 20 "$work/ibus.log"
    exit 1
fi
echo "all rows as expected on Qt and GTK"
