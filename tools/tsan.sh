#!/usr/bin/env bash
# Builds the engine's tests, zv-convert and the input method's core tests with ThreadSanitizer, in
# a build directory of their own, and runs them: tools/tsan.sh [BUILD_DIR, default build-tsan]
# Threads share the engine's move tables, read without a lock, zv-convert converts on two
# threads, and the input method asks its dictionary on a thread of its own; any data race ends
# the run with ThreadSanitizer's report and a failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-tsan}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread \
    -DZV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target test_engine test_zv_convert test_convert_stream zv-convert \
    zv-make-corpus test_ime_core

export TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== the engine's tests (threads converting at once among them)"
"$build/tests/engine/test_engine" --gtest_brief=1
echo "== zv-convert on 10 MB, on two threads, plain and with --unicode"
"$build/bench/zv-make-corpus" "$work/corpus.txt" 10
"$build/app/zv-convert" "$work/corpus.txt" >"$work/out.txt"
"$build/app/zv-convert" --unicode "$work/corpus.txt" >"$work/out.txt"
echo "== zv-convert from a pipe, as it comes"
cat "$work/corpus.txt" | "$build/app/zv-convert" --unicode >"$work/out.txt"
echo "== zv-convert's tests"
# FiftyMegabytes and PipeInputIsConvertedAsItComes are left out, for a reason that is not a
# race: they bound the memory used, which ThreadSanitizer's shadow memory multiplies.
"$build/tests/app/test_zv_convert" --gtest_brief=1 \
    --gtest_filter=-Convert.FiftyMegabytes:Convert.PipeInputIsConvertedAsItComes
ZV_DICTIONARY="$root/tests/data/dictionary/lv_test" "$build/tests/app/test_convert_stream" \
    --gtest_brief=1
echo "== the input method's suggestions' thread"
"$build/tests/ime/test_ime_core" --gtest_brief=1 --gtest_filter='Suggester.*'
echo "ThreadSanitizer: no data race found"
