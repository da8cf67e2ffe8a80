#!/usr/bin/env bash
# zv-convert against GNU sed running the same substitutions, on the same 10 MB of typed
# Latvian text, in one run: bench/compare_sed.sh [BUILD_DIR] [MEGABYTES] [RUNS]
# The text has LF line ends (sed reads lines; the CR LF rule is the one sed cannot apply), and
# zv-convert runs with --exact (its LF stays LF, as in sed), so both must give identical output. Prints the best wall time of each over RUNS runs, taken
# with bash's own clock (no process is started to read it), the two taking turns.
set -euo pipefail
build=${1:-build}
megabytes=${2:-10}
runs=${3:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bench/zv-make-corpus" --lf "$work/corpus.txt" "$megabytes"
"$build/bench/zv-sed-rules" >"$work/rules.sed"
echo "text: $(stat -c %s "$work/corpus.txt") bytes; sed script: $(wc -l <"$work/rules.sed") substitutions"

# One run of a command, output to $work/NAME.out; prints its wall time in microseconds.
timed() {
    local name=$1
    shift
    # The previous run's output is removed first: freeing it is no part of the run.
    rm -f "$work/$name.out"
    local start=$EPOCHREALTIME
    "$@" >"$work/$name.out"
    local end=$EPOCHREALTIME
    echo $((${end/./} - ${start/./}))
}

# The two programs take turns, so that both meet the same moments of a machine whose speed
# varies: run back to back, the short program's runs would all fall into one such moment.
export LC_ALL=C.UTF-8
sed_us="" zv_us=""
for _ in $(seq "$runs"); do
    us=$(timed sed sed -f "$work/rules.sed" "$work/corpus.txt")
    if [ -z "$sed_us" ] || [ "$us" -lt "$sed_us" ]; then sed_us=$us; fi
    us=$(timed zv "$build/app/zv-convert" --exact "$work/corpus.txt")
    if [ -z "$zv_us" ] || [ "$us" -lt "$zv_us" ]; then zv_us=$us; fi
done
if cmp -s "$work/sed.out" "$work/zv.out"; then same=identical; else same=DIFFERENT; fi
awk -v s="$sed_us" -v z="$zv_us" -v same="$same" 'BEGIN {
    printf "sed -f:     %8.1f ms\nzv-convert: %8.1f ms\nratio:      %8.1f x\noutput:     %s\n",
           s / 1e3, z / 1e3, s / z, same }'
[ "$same" = identical ]
