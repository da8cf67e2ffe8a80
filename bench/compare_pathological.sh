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
            >"$work/out" 2>"$work/err" || status=$?
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
    # The words the check's bound on its work left unchecked, as zv-convert reports them.
    local unchecked
    unchecked=$(sed -n 's/.*: \([0-9]*\) words left unchecked.*/\1/p' "$work/err")
    echo "$best $(wc -l <"$work/out") ${unchecked:-0}"
}

read -r real real_flagged real_left < <(best "$work/real.txt")
read -r made made_flagged made_left < <(best "$work/made-up.txt")
read -r starts starts_flagged starts_left < <(best "$work/on-starts.txt")

awk -v r="$real" -v m="$made" -v s="$starts" -v rf="$real_flagged" -v mf="$made_flagged" \
    -v sf="$starts_flagged" -v rl="$real_left" -v ml="$made_left" -v sl="$starts_left" 'BEGIN {
    printf "real text:               %6.2f s  %6d words flagged  %6d left unchecked\n", r, rf, rl
    printf "made-up words:           %6.2f s  %6d words flagged  %6d left unchecked  %5.1f x real text\n", m, mf, ml, m / r
    printf "made-up on word starts:  %6.2f s  %6d words flagged  %6d left unchecked  %5.1f x real text\n", s, sf, sl, s / r
    exit !(m / r <= 10 && s / r <= 10) }'
