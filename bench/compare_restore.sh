#!/usr/bin/env bash
# zv-convert --restore against hunspell -l, on the same 10 MB of Latvian typed without marks,
# in one run: bench/compare_restore.sh [BUILD_DIR] [MEGABYTES] [RUNS]
# The text: the benchmarks' typed Latvian (zv-make-corpus), converted to letters and every mark
# taken off. zv-convert --restore --text restores and converts it; hunspell -l lists its unknown
# words. Prints the best wall and processor time of each over RUNS runs (hunspell, much the
# slower, once), the peak memory of both (from /usr/bin/time -v), and zv-bench-restore's
# times: the lexicon mapped and checked, and 100 KB restored by a new Restorer, as the window
# does. Fails when restoring is not 5 times as fast as hunspell -l (in processor time, which
# other work on the machine changes less), takes more than 400 MB, maps the lexicon in more
# than 100 ms or restores 100 KB in more than 0.3 s.
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
sed 'y/āčēģīķļņŗšūžĀČĒĢĪĶĻŅŖŠŪŽ/acegiklnrsuzACEGIKLNRSUZ/' "$work/letters.txt" >"$work/plain.txt"
bytes=$(stat -c %s "$work/plain.txt")
echo "text: $bytes bytes without marks; dictionary $dictionary; load $(cut -d' ' -f1-3 /proc/loadavg)"

# One run under /usr/bin/time -v: prints "WALL_SECONDS CPU_SECONDS PEAK_KB".
measure() {
    local name=$1
    shift
    /usr/bin/time -v -o "$work/$name.time" "$@" >"$work/$name.out"
    awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, t, ":"); s = 0;
                                           for (i = 1; i <= n; i++) s = s * 60 + t[i] }
                /User time/ { u = $2 } /System time/ { y = $2 }
                /Maximum resident set size/ { kb = $2 }
                END { print s, u + y, kb }' "$work/$name.time"
}

best_wall="" best_cpu="" restore_kb=0
for _ in $(seq "$runs"); do
    read -r s c kb < <(measure restore "$build/app/zv-convert" --restore --text "$work/plain.txt")
    if [ -z "$best_cpu" ] || awk -v a="$c" -v b="$best_cpu" 'BEGIN { exit !(a < b) }'; then
        best_cpu=$c best_wall=$s
    fi
    restore_kb=$kb
done
read -r hunspell_s hunspell_c hunspell_kb < <(measure hunspell hunspell -i utf-8 -d "$dictionary" -l "$work/plain.txt")
"$build/bench/zv-bench-restore" "$work/plain.txt" 100 | tee "$work/waits.txt"

awk -v s="$best_wall" -v c="$best_cpu" -v hs="$hunspell_s" -v hc="$hunspell_c" \
    -v kb="$restore_kb" -v hkb="$hunspell_kb" -v bytes="$bytes" \
    -v load="$(sed -n 's/.*checked.*: \([0-9.]*\) ms (.*/\1/p' "$work/waits.txt")" \
    -v hundred="$(sed -n 's/.*Restorer.* (\([0-9.]*\) ms processor.*/\1/p' "$work/waits.txt")" 'BEGIN {
    printf "zv-convert --restore --text: %7.2f s wall %7.2f s processor  %6.1f MB/s  peak %6.1f MB\n",
           s, c, bytes / 1e6 / c, kb / 1024
    printf "hunspell -l:                 %7.2f s wall %7.2f s processor  %6.1f MB/s  peak %6.1f MB\n",
           hs, hc, bytes / 1e6 / hc, hkb / 1024
    printf "ratio (processor time):      %7.1f x\n", hc / c
    exit !(hc / c >= 5 && kb <= 400 * 1024 && load <= 100 && hundred <= 300) }'
