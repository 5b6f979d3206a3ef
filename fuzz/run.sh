#!/bin/sh
# The reliability campaign in one command, for CI and for longer runs by hand:
#   1. builds the fuzz targets (clang, libFuzzer, AddressSanitizer, UBSan) and
#      checks that the harness stops on planted faults;
#   2. fuzzes each plug-in for a fixed time, starting from the committed corpus;
#   3. runs every corpus input, and every reproducer of a past fault (repro/),
#      again with each of its allocations failing in turn;
#   4. with --mex, runs the bad calls of fuzz/octave/badCalls.txt in GNU Octave.
#
#   fuzz/run.sh [--build DIR] [--seconds N] [--mex DIR] [--keep DIR]
#
#   --build    build folder for the fuzz targets (default /tmp/build-fuzz)
#   --seconds  fuzzing time per target (default 30; 0 skips fuzzing)
#   --mex      folder of the built .mex files, for the Octave bad calls
#   --keep     folder that receives new corpus inputs and crash reproducers
#              (default: a temporary folder, removed unless something failed)
#
# Exit status 0 when nothing failed. New inputs are never written into the
# committed corpus; merge them by hand (libFuzzer -merge=1) when they are worth it.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=/tmp/build-fuzz
seconds=30
mex=
keep=
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --mex) mex=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
compiler=${CXX_FUZZ:-clang++-14}

cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER="$compiler" -DCMAKE_BUILD_TYPE= >/dev/null || exit 1
cmake --build "$build" -j1 || exit 1

work=${keep:-$(mktemp -d /tmp/regionkit-fuzz.XXXXXX)}
mkdir -p "$work"
failed=0
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

echo "== harness self-check"
"$here/selftest/check.sh" "$build" || failed=1

for target in "$build"/fuzz_*; do
    [ -x "$target" ] || continue
    plugin=${target##*/fuzz_}
    corpus=$here/corpus/$plugin
    fresh=$work/$plugin
    mkdir -p "$fresh" "$corpus"
    if [ "$seconds" -gt 0 ]; then
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
    fi
    echo "== $plugin: every allocation failing in turn, over the corpus"
    if ! REGIONKIT_FUZZ_EVERY_FAILURE=1 "$target" -runs=0 -artifact_prefix="$work/$plugin-" \
            "$corpus" "$fresh" >"$work/$plugin-injection.log" 2>&1; then
        failed=1
        echo "== $plugin: FAULT under allocation failure (log in $work)"
        grep -E '^== fuzz|SUMMARY|runtime error|ERROR' "$work/$plugin-injection.log" | head -n 10
    fi
    # Inputs that once found a fault in this plug-in stay here as regression tests.
    for input in "$here"/repro/"$plugin"-*; do
        [ -f "$input" ] || continue
        if ! REGIONKIT_FUZZ_EVERY_FAILURE=1 "$target" -rss_limit_mb=2048 "$input" >"$work/repro.log" 2>&1; then
            failed=1
            echo "== $plugin: FAULT on reproducer ${input##*/}"
            grep -E '^== fuzz|SUMMARY|runtime error|ERROR' "$work/repro.log" | head -n 5
        fi
    done
done

if [ -n "$mex" ]; then
    echo "== GNU Octave: bad calls, one process each"
    "$here/octave/badCalls.sh" "$mex" || failed=1
fi

if [ $failed -eq 0 ] && [ -z "$keep" ]; then rm -rf "$work"; fi
[ $failed -eq 0 ] && echo "== fuzz: all clean" || echo "== fuzz: FAULTS FOUND"
exit $failed
