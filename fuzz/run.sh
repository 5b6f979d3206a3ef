#!/bin/sh
# The reliability checks in one command:
#   1. builds the fuzz programs (clang, libFuzzer, AddressSanitizer, UBSan) from
#      the plug-in folders;
#   2. with --seconds N > 0, fuzzes each plug-in for N seconds, starting from its
#      committed corpus, and runs every new input again with each of its
#      allocations failing in turn;
#   3. replays every committed input (<plugin>/fuzz/corpus/ and fuzz/repro/),
#      each with each of its allocations failing in turn, and checks that the
#      harness stops on planted faults (ctest in the fuzz build);
#   4. with --mex, runs every plug-in's bad calls (<plugin>/fuzz/badCalls.txt)
#      in GNU Octave.
# Steps 1, 3 and 4 do the same work on every run; only step 2 depends on time.
#
#   fuzz/run.sh [--build DIR] [--seconds N] [--mex DIR] [--keep DIR] [--jobs N]
#
#   --build    build folder for the fuzz programs (default /tmp/build-fuzz)
#   --seconds  fuzzing time per plug-in (default 0: no fuzzing)
#   --mex      folder of the built .mex files, for the Octave bad calls
#   --keep     folder that receives new corpus inputs and crash reproducers
#              (default: a temporary folder, removed unless something failed)
#   --jobs     parallel build and test jobs (default 2)
#
# Exit status 0 when nothing failed. New inputs are never written into the
# committed corpus; merge them by hand (libFuzzer -merge=1) when they are worth it.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=/tmp/build-fuzz
seconds=0
mex=
keep=
jobs=2
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --mex) mex=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
compiler=${CXX_FUZZ:-clang++-14}

cmake -S "$root" -B "$build" -DREGIONKIT_FUZZ=ON -DCMAKE_CXX_COMPILER="$compiler" >/dev/null || exit 1
cmake --build "$build" -j "$jobs" || exit 1

work=${keep:-$(mktemp -d /tmp/regionkit-fuzz.XXXXXX)}
mkdir -p "$work"
failed=0
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

if [ "$seconds" -gt 0 ]; then
    for target in "$build"/fuzz_*; do
        [ -x "$target" ] || continue
        plugin=${target##*/fuzz_}
        corpus=$root/$plugin/fuzz/corpus
        fresh=$work/$plugin
        mkdir -p "$fresh" "$corpus"
        echo "== $plugin: fuzzing for ${seconds}s"
        "$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
            -artifact_prefix="$work/$plugin-" "$fresh" "$corpus" >"$work/$plugin.log" 2>&1
        status=$?
        grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$work/$plugin.log"
        if [ $status -ne 0 ]; then
            failed=1
            echo "== $plugin: FAULT (reproducer and log in $work)"
            grep -E '^== fuzz|SUMMARY|runtime error|ERROR' "$work/$plugin.log" | head -n 10
        fi
        echo "== $plugin: every allocation failing in turn, over the new inputs"
        if ! REGIONKIT_FUZZ_EVERY_FAILURE=1 "$target" -runs=0 -rss_limit_mb=2048 -artifact_prefix="$work/$plugin-" \
                "$fresh" >"$work/$plugin-injection.log" 2>&1; then
            failed=1
            echo "== $plugin: FAULT under allocation failure (log in $work)"
            grep -E '^== fuzz|SUMMARY|runtime error|ERROR' "$work/$plugin-injection.log" | head -n 10
        fi
    done
fi

echo "== committed inputs, each allocation failing in turn; the harness's self-check"
ctest --test-dir "$build" -j "$jobs" --output-on-failure || failed=1

if [ -n "$mex" ]; then
    echo "== GNU Octave: bad calls, one process each"
    "$here/octave/badCalls.sh" "$mex" || failed=1
fi

if [ $failed -eq 0 ] && [ -z "$keep" ]; then rm -rf "$work"; fi
[ $failed -eq 0 ] && echo "== fuzz: all clean" || echo "== fuzz: FAULTS FOUND"
exit $failed
