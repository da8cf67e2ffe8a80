#!/usr/bin/env bash
# zv-convert's memory on input through a pipe, which it converts and checks as it comes:
# bench/stream_memory.sh [BUILD_DIR] [MEGABYTES] [CHECK_MEGABYTES]
# Converts MEGABYTES (default 2048) of typed Latvian text read from a pipe, and checks
# CHECK_MEGABYTES (default 1024) of it with --check, and prints the peak resident memory of each
# (/usr/bin/time: nothing is mapped from a pipe, so that is the anonymous memory and the
# program's own code) and of --check on an empty input, which is the dictionary's share. Fails
# when the conversion takes more than 64 MB, or the check more than 200 MB beyond the dictionary.
set -euo pipefail
build=${1:-build}
megabytes=${2:-2048}
check_megabytes=${3:-1024}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8

"$build/bench/zv-make-corpus" "$work/typed.txt" 100 >/dev/null
# The text again and again, cut at the size asked for.
text() { while cat "$work/typed.txt"; do :; done | head -c "$(($1 << 20))"; }

peak() {  # COMMAND...: the peak resident memory in KB of COMMAND reading standard input
    local status=0
    /usr/bin/time -f %M -o "$work/time" "$@" >/dev/null || status=$?
    if [ "$status" -gt 1 ]; then
        echo "$* failed with exit status $status" >&2
        exit 1
    fi
    tail -n 1 "$work/time"
}

convert_kb=$(text "$megabytes" | peak "$build/app/zv-convert")
dictionary_kb=$(peak "$build/app/zv-convert" --check </dev/null)
check_kb=$(text "$check_megabytes" | peak "$build/app/zv-convert" --check)
echo "conversion of $megabytes MB from a pipe: $((convert_kb / 1024)) MB (at most 64)"
echo "--check of nothing (the dictionary):     $((dictionary_kb / 1024)) MB"
echo "--check of $check_megabytes MB from a pipe:       $((check_kb / 1024)) MB" \
    "(at most 200 beyond the dictionary)"
[ "$convert_kb" -le $((64 << 10)) ] && [ $((check_kb - dictionary_kb)) -le $((200 << 10)) ]
