#!/usr/bin/env bash
# zv-convert --check against hunspell -l, on the same 10 MB of typed Latvian text, in one run:
# bench/compare_hunspell.sh [BUILD_DIR] [MEGABYTES] [RUNS]
# zv-convert --check reads the typed text; hunspell -l reads its conversion in plain letters,
# a line for each line (zv-convert --text), the text a plain spelling check would be given.
# Prints the best wall time of each over RUNS runs (hunspell, much the slower, once), the
# check's speed in MB/s of typed text and the peak memory of both, from /usr/bin/time -v.
set -euo pipefail
build=${1:-build}
megabytes=${2:-10}
runs=${3:-3}
dictionary=${ZV_DICTIONARY:-/usr/share/hunspell/lv_LV}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 ZV_DICTIONARY="$dictionary"

"$build/bench/zv-make-corpus" --lf "$work/typed.txt" "$megabytes"
"$build/app/zv-convert" --text "$work/typed.txt" >"$work/letters.txt"
bytes=$(stat -c %s "$work/typed.txt")
echo "text: $bytes bytes typed, $(stat -c %s "$work/letters.txt") bytes converted; dictionary $dictionary"

# One run under /usr/bin/time -v: prints "WALL_SECONDS PEAK_KB".
measure() {
    local name=$1
    shift
    local status=0
    /usr/bin/time -v -o "$work/$name.time" "$@" >"$work/$name.out" || status=$?
    # zv-convert --check exits 1 when it flags a word; anything else is a failure.
    if [ "$status" -gt 1 ]; then
        echo "$* failed with exit status $status" >&2
        exit 1
    fi
    awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0;
                                           for (i = 1; i <= n; i++) s = s * 60 + t[i] }
                /Maximum resident set size/ { kb = $2 }
                END { print s, kb }' "$work/$name.time"
}

best_check="" check_kb=0
for _ in $(seq "$runs"); do
    read -r s kb < <(measure check "$build/app/zv-convert" --check "$work/typed.txt")
    if [ -z "$best_check" ] || awk -v a="$s" -v b="$best_check" 'BEGIN { exit !(a < b) }'; then
        best_check=$s
    fi
    check_kb=$kb
done
read -r hunspell_s hunspell_kb < <(measure hunspell hunspell -i utf-8 -d "$dictionary" -l "$work/letters.txt")

awk -v c="$best_check" -v h="$hunspell_s" -v ckb="$check_kb" -v hkb="$hunspell_kb" \
    -v bytes="$bytes" -v flagged="$(wc -l <"$work/check.out")" \
    -v rejected="$(wc -l <"$work/hunspell.out")" 'BEGIN {
    printf "zv-convert --check: %7.2f s  %7.1f MB/s  peak %6.1f MB  %d words flagged\n",
           c, bytes / 1e6 / c, ckb / 1024, flagged
    printf "hunspell -l:        %7.2f s  %7.1f MB/s  peak %6.1f MB  %d words rejected\n",
           h, bytes / 1e6 / h, hkb / 1024, rejected
    printf "ratio:              %7.1f x\n", h / c
    exit !(h / c >= 10) }'
