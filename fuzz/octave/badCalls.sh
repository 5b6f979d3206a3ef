#!/bin/sh
# Runs each call of a list in its own octave-cli process against the built
# plug-ins, and reports for each: a clean error, a result, or a crash (any exit
# that is not the script's own, e.g. a signal).
#
#   fuzz/octave/badCalls.sh <mex folder> [call list ...]
#
# The lists default to every plug-in's own, <plugin>/fuzz/badCalls.txt. Each
# line of a list is one Octave statement; blank lines and lines starting with
# '#' are skipped. Every process runs with its address space capped at
# 6 GB, so a call that asks for an impossible result meets a host that is out
# of memory instead of exhausting the machine. Only crashes and a count are
# printed; BADCALLS_VERBOSE=1 prints every call's outcome too. Exit status: 0
# when no call crashed or hung, 1 otherwise.
set -u
if [ $# -lt 1 ] || [ ! -d "$1" ]; then
    echo "usage: $0 <mex folder> [call list ...]" >&2
    exit 2
fi
mexdir=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
shift
[ $# -gt 0 ] || set -- "$root"/*/fuzz/badCalls.txt
seconds=${BADCALL_TIMEOUT:-60}

verbose=${BADCALLS_VERBOSE:-0}
crashes=0
errors=0
total=0
[ "$verbose" = 1 ] && printf '%-7s %-12s %s\n' outcome plugin "identifier / message (call)"
while IFS= read -r call || [ -n "$call" ]; do
    case "$call" in '' | '#'*) continue ;; esac
    total=$((total + 1))
    plugin=$(printf '%s' "$call" | sed 's/(.*//; s/.*=//; s/ //g')
    # The statement runs inside try/catch, so the script itself always ends with
    # status 0 after printing its outcome line; anything else is a crash.
    out=$( (ulimit -v 6000000
            timeout "$seconds" octave-cli --norc -q --no-history --eval "
addpath('$mexdir');
try
  $call
  printf('OUTCOME result\n');
catch err
  printf('OUTCOME error %s | %s\n', err.identifier, strrep(err.message, sprintf('\n'), ' '));
end") 2>&1)
    status=$?
    outcome=$(printf '%s\n' "$out" | sed -n 's/^OUTCOME //p' | tail -n 1)
    short=$(printf '%s' "$call" | cut -c1-100)
    if [ $status -ne 0 ] || [ -z "$outcome" ]; then
        crashes=$((crashes + 1))
        if [ $status -eq 124 ]; then what="hang (over ${seconds}s)"; else what="exit status $status"; fi
        printf '%-7s %-12s %s (%s)\n' CRASH "$plugin" "$what" "$short"
        printf '%s\n' "$out" | tail -n 5 | sed 's/^/        | /'
    else
        case "$outcome" in result) ;; *) errors=$((errors + 1)) ;; esac
        [ "$verbose" = 1 ] || continue
        case "$outcome" in
        result) printf '%-7s %-12s (%s)\n' result "$plugin" "$short" ;;
        *) printf '%-7s %-12s %s\n' error "$plugin" "$(printf '%s' "${outcome#error }" | cut -c1-150)" ;;
        esac
    fi
done <<EOF
$(cat "$@")
EOF
echo "$total calls: $errors refused cleanly, $((total - errors - crashes)) completed, $crashes crashed or hung"
[ $crashes -eq 0 ]
