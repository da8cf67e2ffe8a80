#!/usr/bin/env bash
# zv-convert --check on real text against made-up words full of pairs, side by side in one run:
# bench/compare_pathological.sh [BUILD_DIR] [MEGABYTES] [RUNS]
# Three texts of the same size: typed Latvian (zv-make-corpus), made-up words full of pairs
# (each unknown to the dictionary, each with many readings) and the same kind of words each
# after the beginning of a real word (so that the dictionary's word starts cannot rule their
# readings out). Prints the best processor time (user + system, which a busy machine disturbs
# less than the wall time) of each over RUNS runs, and how many times real text each made-up
# text costs; fails when either costs more than 10 times.
set -euo pipefail
build=${1:-build}
megabytes=${2:-1}
runs=${3:-3}
dictionary=${ZV_DICTIONARY:-/usr/share/hunspell/lv_LV}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8 ZV_DICTIONARY="$dictionary"

"$build/bench/zv-make-corpus" --lf "$work/real.txt" "$megabytes"
"$build/bench/zv-make-corpus" --lf --made-up "$work/made-up.txt" "$megabytes"
"$build/bench/zv-make-corpus" --lf --made-up-on-starts "$work/on-starts.txt" "$megabytes"
echo "texts: $megabytes MB each; dictionary $dictionary"

# The best processor time of RUNS runs of zv-convert --check on one text, in seconds.
best() {
    local text=$1 best="" status
    for _ in $(seq "$runs"); do
        status=0
        /usr/bin/time -f '%U %S' -o "$work/time" "$build/app/zv-convert" --check "$text" \
            >"$work/out" || status=$?
        # zv-convert --check exits 1 when it flags a word; anything else is a failure.
        if [ "$status" -gt 1 ]; then
            echo "zv-convert --check $text failed with exit status $status" >&2
            exit 1
        fi
        local s
        s=$(tail -n 1 "$work/time" | awk '{ print $1 + $2 }')
        if [ -z "$best" ] || awk -v a="$s" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$s
        fi
    done
    echo "$best $(wc -l <"$work/out")"
}

read -r real real_flagged < <(best "$work/real.txt")
read -r made made_flagged < <(best "$work/made-up.txt")
read -r starts starts_flagged < <(best "$work/on-starts.txt")

awk -v r="$real" -v m="$made" -v s="$starts" -v rf="$real_flagged" -v mf="$made_flagged" \
    -v sf="$starts_flagged" 'BEGIN {
    printf "real text:               %6.2f s  %6d words flagged\n", r, rf
    printf "made-up words:           %6.2f s  %6d words flagged  %5.1f x real text\n", m, mf, m / r
    printf "made-up on word starts:  %6.2f s  %6d words flagged  %5.1f x real text\n", s, sf, s / r
    exit !(m / r <= 10 && s / r <= 10) }'
