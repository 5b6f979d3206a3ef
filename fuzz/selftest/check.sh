#!/bin/sh
# Shows that the harness stops on each kind of fault: runs the planted-fault
# plug-in once per mode and expects a stop for every mode but 0.
#   fuzz/selftest/check.sh <selftest_faulty program>
set -u
target=$1
work=$(mktemp -d /tmp/regionkit-selftest.XXXXXX)
failed=0
# Input bytes: nlhs 1, one argument, injection selector, then a 1x1 double
# whose one value byte is mode + 8 (small whole numbers start at byte 8).
for case in "0 0" "0 1" "1 0" "2 0" "3 0" "4 1" "5 0" "6 0" "7 0"; do
    set -- $case
    mode=$1 inject=$2
    printf "\\001\\001\\$(printf %03o "$inject")\\000\\001\\000\\000\\$(printf %03o $((mode + 8)))" >"$work/in$mode"
    "$target" "$work/in$mode" >"$work/out$mode" 2>&1
    status=$?
    if [ "$mode" -eq 0 ]; then expected=0; else expected=1; fi
    if { [ $expected -eq 0 ] && [ $status -ne 0 ]; } || { [ $expected -eq 1 ] && [ $status -eq 0 ]; }; then
        echo "selftest: mode $mode (injection $inject) gave status $status"
        tail -n 5 "$work/out$mode"
        failed=1
    fi
done
rm -rf "$work"
[ $failed -eq 0 ] && echo "selftest: the harness stops on every planted fault"
exit $failed
