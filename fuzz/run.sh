#!/usr/bin/env bash
# Builds the fuzz target with clang and runs it: fuzz/run.sh [SECONDS, default 60]
# The corpus it grows is kept in fuzz/corpus (small, committed); crashes go to fuzz-out/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
seconds=${1:-60}
build=${FUZZ_BUILD:-$here/../build-fuzz}
CXX=clang++ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
cmake --build "$build"
mkdir -p "$here/corpus" "$here/../fuzz-out"
python3 "$here/make_seeds.py" "$build/seeds" >/dev/null
cd "$here/../fuzz-out"
exec "$build/fuzz_transliterate" -max_total_time="$seconds" -max_len=512 -timeout=10 \
    -dict="$build/rules.dict" -print_final_stats=1 "$here/corpus" "$build/seeds"
