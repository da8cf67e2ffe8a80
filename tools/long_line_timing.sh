#!/usr/bin/env bash
# The main window with a large paste, timed on the real program on a private X server (Xvfb with
# openbox), driven with xdotool as a user would drive it:
#   tools/long_line_timing.sh [PATH_TO_ZV [MB]]     (defaults: build/app/zv, 2)
# The same HTML text (typed Latvian, each line a paragraph) once in ordinary lines and once as
# one long line: paste it into the main window and convert (Ctrl+V, F5), then type ten keys and
# press F5; each time is taken until unitext.html holds the result. Needs Xvfb, openbox,
# xdotool, x11-utils, xclip and python3; the text comes from build/bench/zv-make-corpus.
set -uo pipefail  # no -e: the session helpers test commands that may fail
root=$(cd "$(dirname "$0")/.." && pwd)
zv=$(realpath "${1:-$root/build/app/zv}")
mb=${2:-2}
corpus_tool=$root/build/bench/zv-make-corpus
# shellcheck source=../tests/e2e/x_session.sh
. "$root/tests/e2e/x_session.sh"

missing=$(xs_missing_tools Xvfb openbox xdotool xdpyinfo xclip python3)
[ -z "$missing" ] || { echo "not installed:$missing" >&2; exit 1; }
if [ ! -x "$zv" ] || [ ! -x "$corpus_tool" ]; then
    echo "build zv and zv-make-corpus first" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'xs_cleanup; rm -rf "$work"' EXIT

"$corpus_tool" --lf "$work/typed.txt" "$mb" >/dev/null
python3 - "$work" "$mb" <<'PY'
import sys
work, mb = sys.argv[1], float(sys.argv[2])
lines, size = [], 0
for line in open(f"{work}/typed.txt", encoding="utf-8").read().split("\n"):
    if not line:
        continue
    lines.append(f'<p class="t">{line}</p>')
    size += len(lines[-1]) + 1
    if size >= mb * 1024 * 1024:
        break
open(f"{work}/lines.html", "w", encoding="utf-8").write("\n".join(lines) + "\nENDPASTE1")
open(f"{work}/one-line.html", "w", encoding="utf-8").write("".join(lines) + "ENDPASTE2")
PY

doc="$(dirname "$zv")/unitext.html"
rm -f "$doc"
xs_start_display
xs_start_wm
xs_start_program "$zv"
main=$(xs_wait_window "$XS_CAPTION_MAIN" 40) || { cat "$XS_DIR/zv.log" >&2; exit 1; }
xs_poll 30 test -s "$doc" || { echo "no startup document" >&2; exit 1; }

now() { date +%s.%N; }
# Waits (polling every 10 ms) until the document holds $1; prints the seconds since $2.
until_doc_has() {
    while ! grep -qF -- "$1" "$doc" 2>/dev/null; do sleep 0.01; done
    awk -v a="$(now)" -v b="$2" 'BEGIN { printf "%.3f", a - b }'
}

printf '%-10s %16s %16s\n' text "paste + F5 s" "ten keys + F5 s"
for kind in lines one-line; do
    end=$([ "$kind" = lines ] && echo ENDPASTE1 || echo ENDPASTE2)
    xclip -selection clipboard -i "$work/$kind.html"
    xs_poll 10 xs_clipboard_filled
    xs_activate "$main" || { echo "the main window takes no focus" >&2; exit 1; }
    xdotool mousemove --window "$main" 250 250 click 1
    xdotool key --clearmodifiers ctrl+a Delete
    t0=$(now)
    xdotool key --clearmodifiers ctrl+v F5
    paste_s=$(until_doc_has "$end" "$t0")
    t0=$(now)
    xdotool type --delay 0 "xZxZxZxZxZ"
    xdotool key --clearmodifiers F5
    keys_s=$(until_doc_has "${end}xZxZxZxZxZ" "$t0")
    printf '%-10s %16.3f %16.3f\n' "$kind" "$paste_s" "$keys_s"
done
