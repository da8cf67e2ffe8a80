#!/usr/bin/env bash
# zv-convert's memory on input through a pipe, which it converts and checks as it comes:
# bench/stream_memory.sh [BUILD_DIR] [MEGABYTES] [CHECK_MEGABYTES] [RESTORE_MEGABYTES]
# Converts MEGABYTES (default 2048) of typed Latvian text read from a pipe, checks
# CHECK_MEGABYTES (default 1024) of it with --check, and restores RESTORE_MEGABYTES (default 256)
# of it with every mark taken off (--restore --text), and prints the peak resident memory of each
# (/usr/bin/time: nothing is mapped from a pipe, so that is the anonymous memory, the program's
# own code and the pages of the dictionary or the lexicon it reads) and of --check and --restore
# on an empty input, the dictionary's and the lexicon's share. Fails when the conversion takes
# more than 64 MB, or the check or the restoring more than 200 MB beyond their empty input.
set -euo pipefail
build=${1:-build}
megabytes=${2:-2048}
check_megabytes=${3:-1024}
restore_megabytes=${4:-256}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8

"$build/bench/zv-make-corpus" "$work/typed.txt" 100 >/dev/null
"$build/app/zv-convert" --text "$work/typed.txt" |
    sed 'y/āčēģīķļņŗšūžĀČĒĢĪĶĻŅŖŠŪŽ/acegiklnrsuzACEGIKLNRSUZ/' >"$work/plain.txt"
# The text again and again, cut at the size asked for.
text() { while cat "$work/${2:-typed}.txt"; do :; done | head -c "$(($1 << 20))"; }

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
lexicon_kb=$(peak "$build/app/zv-convert" --restore --text </dev/null)
restore_kb=$(text "$restore_megabytes" plain | peak "$build/app/zv-convert" --restore --text)
echo "conversion of $megabytes MB from a pipe: $((convert_kb / 1024)) MB (at most 64)"
echo "--check of nothing (the dictionary):     $((dictionary_kb / 1024)) MB"
echo "--check of $check_megabytes MB from a pipe:       $((check_kb / 1024)) MB" \
    "(at most 200 beyond the dictionary)"
echo "--restore of nothing (the lexicon):      $((lexicon_kb / 1024)) MB"
echo "--restore of $restore_megabytes MB without marks:   $((restore_kb / 1024)) MB" \
    "(at most 200 beyond the lexicon)"
[ "$convert_kb" -le $((64 << 10)) ] && [ $((check_kb - dictionary_kb)) -le $((200 << 10)) ] &&
    [ $((restore_kb - lexicon_kb)) -le $((200 << 10)) ]
