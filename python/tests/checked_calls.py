"""Every function of the checked module (built with AddressSanitizer and
UndefinedBehaviorSanitizer, its allocations counted), through the Python path
users take: each golden call bit for bit, then again with each of its
requests (allocations and results) failing in turn, and refused calls of
every kind the module maps. Nothing may be left behind by any call.

Run by ctest (python_checked), with the checked package first on PYTHONPATH.
"""
import gc
import sys

import numpy as np

import regionkit
from regionkit import _regionkit as module
from regionkit._selftest import read_golden

failures = []
counts = {"failing": 0}


def check(condition, what):
    if not condition:
        failures.append(what)


def same_bits(got, want):
    got = got if isinstance(got, tuple) else (got,)
    return len(got) == len(want) and all(
        g.shape == w.shape and np.array_equal(g.view(np.uint64), np.asfortranarray(w).view(np.uint64))
        for g, w in zip(got, want))


def call(name, arguments, nargout):
    """The call's results or exception, and what it left behind."""
    try:
        outcome = getattr(module, name)(*arguments, nargout=nargout)
    except (TypeError, ValueError, MemoryError) as error:
        outcome = error
    check(module._last_call()[1] == 0, "%s left arrays or allocations behind" % name)
    return outcome


def refused(name, outcome, what):
    check(isinstance(outcome, Exception), "%s: %s was not refused" % (name, what))
    if isinstance(outcome, Exception) and hasattr(outcome, "identifier"):
        check(outcome.identifier in ("", "regionkit:outOfMemory") or outcome.identifier.startswith(name + ":"),
              "%s: %s raised identifier %r" % (name, what, outcome.identifier))


def golden_call(name, arguments, expected):
    nargout = len(expected)
    check(same_bits(call(name, arguments, nargout), expected), "%s: golden results differ" % name)
    requests = module._last_call()[0]
    counts["failing"] += requests
    for k in range(1, requests + 1):
        module._fail_request(k)
        try:
            outcome = call(name, arguments, nargout)
        finally:
            module._fail_request(0)
        # A call may do without scratch memory it was refused; then its results stand.
        if not isinstance(outcome, Exception):
            check(same_bits(outcome, expected), "%s: request %d failing changed the results" % (name, k))
        else:
            check(isinstance(outcome, MemoryError), "%s: request %d failing raised %r" % (name, k, outcome))


def bad_calls(name, arguments, nargout):
    """Refusals of every kind: argument count, result count, and each argument
    complex or text; and each argument of three dimensions or empty, which
    some functions take."""
    refused(name, call(name, (), nargout), "no arguments")
    refused(name, call(name, tuple(arguments) + (arguments[0],) * (8 - len(arguments)), nargout),
            "more arguments than any function takes")
    refused(name, call(name, arguments, 16), "more results than any function gives")
    for i in range(len(arguments)):
        for bad in (arguments[i] * 1j, np.array(["a", "b"]), np.zeros((1, 1, 2)), np.zeros((0, 0))):
            changed = list(arguments)
            changed[i] = bad
            outcome = call(name, changed, nargout)
            if bad.dtype.kind in "cU":
                refused(name, outcome, "argument %d of kind %s" % (i + 1, bad.dtype))


names, calls = read_golden()
seen = set()
for name, arguments, expected in calls:
    golden_call(name, arguments, expected)
    if name not in seen:
        seen.add(name)
        bad_calls(name, arguments, len(expected))
check(seen == set(module.functions), "the golden calls miss %s" % sorted(set(module.functions) - seen))
gc.collect()
check(module._live_results() == 0, "%d results still held" % module._live_results())

for failure in failures[:50]:
    print(failure)
print("checked module %s: %d golden calls of %d functions, %d calls with a request failing, %d problems"
      % (regionkit.__version__, len(calls), len(seen), counts["failing"], len(failures)))
sys.exit(1 if failures else 0)
