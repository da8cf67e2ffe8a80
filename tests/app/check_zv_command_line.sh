#!/bin/sh
# zv on the command line, where Qt has no window system to start on (no DISPLAY, no
# WAYLAND_DISPLAY, no QT_QPA_PLATFORM): --help and --version answer and exit 0; a plain start
# says in one line what to set and exits 1. None of them may get as far as Qt, which would
# abort (status 134).
#   check_zv_command_line.sh ZV VERSION
set -u
zv=$1 version=$2
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# run EXPECTED_STATUS [VARIABLE=VALUE...] -- [ARGUMENT...]: runs zv without a display but for the
# variables given, output to $out and $err.
run() {
    expected=$1 settings=
    shift
    while [ "$1" != -- ]; do
        settings="$settings $1"
        shift
    done
    shift
    # shellcheck disable=SC2086  # the settings are words of their own
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $settings "$zv" "$@" >"$out" 2>"$err"
    status=$?
    [ "$status" = "$expected" ] || fail "zv $*: status $status, not $expected; said: $(cat "$err")"
}

run 0 -- --version
[ "$(cat "$out")" = "zv $version" ] || fail "zv --version printed \"$(cat "$out")\""
[ -s "$err" ] && fail "zv --version wrote to standard error: $(cat "$err")"

for option in --help -h; do
    run 0 -- "$option"
    head -n1 "$out" | grep -q '^Usage: zv ' || fail "zv $option printed no usage: $(head -n1 "$out")"
    grep -q -- '--version' "$out" || fail "zv $option does not list --version"
    [ -s "$err" ] && fail "zv $option wrote to standard error: $(cat "$err")"
done

run 1 --
[ -s "$out" ] && fail "zv without a display wrote to standard output: $(cat "$out")"
[ "$(wc -l <"$err")" = 1 ] || fail "zv without a display said $(wc -l <"$err") lines: $(cat "$err")"
grep -q 'DISPLAY' "$err" || fail "zv without a display does not name DISPLAY: $(cat "$err")"

# A display that is set but empty is no display either.
run 1 DISPLAY= WAYLAND_DISPLAY= --

[ $failures = 0 ] && echo PASS
exit $((failures > 0))
