"""regionkit.selfTest: the golden calls, through this build, bit for bit."""
import os
import time
from typing import Any, List, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

from . import _regionkit

MAGIC = 1919249256.0
FORMAT_VERSION = 3.0
Matrix = npt.NDArray[np.float64]
# One golden call: the function's name, its arguments (matrices, and str for
# char arguments), its expected results.
Call = Tuple[str, List[Any], List[Matrix]]


def golden_file() -> str:
    """The golden calls file: the package's data, or in the source tree beside it."""
    here = os.path.dirname(os.path.abspath(__file__))
    for path in (os.path.join(here, "_golden", "regionkitGolden.bin"),
                 os.path.join(here, "..", "..", "selftest", "regionkitGolden.bin")):
        if os.path.exists(path):
            return os.path.normpath(path)
    raise FileNotFoundError("regionkit: the golden calls file regionkitGolden.bin is missing")


def read_golden(path: Optional[str] = None) -> Tuple[List[str], List[Call]]:
    """The functions named in the golden calls file, and every call in it as
    (function name, arguments, expected results), arrays in Fortran order.

    The file is a sequence of little-endian doubles: magic number, format
    version 3, the functions' names (their number, then each as its length
    and character codes), the number of calls, then per call the function's
    number, the number of arguments and of results, and each matrix as rows,
    columns and its column-major elements, each argument's matrix preceded by
    its class (0 double, 1 char: its elements the character codes, which
    becomes a str), and nothing after the last call: the checks of the C++
    and Octave readers.
    """
    path = path or golden_file()
    data = np.fromfile(path, dtype="<f8")
    if data.size < 4 or data[0] != MAGIC or data[1] != FORMAT_VERSION:
        raise ValueError("regionkit: %s is not a golden calls file" % path)
    at = 3

    def take(count: int) -> Matrix:
        nonlocal at
        if count < 0 or at + count > data.size:
            raise ValueError("regionkit: %s is damaged" % path)
        values = data[at:at + count]
        at += count
        return values

    def number() -> int:
        return int(take(1)[0])

    def matrix() -> Matrix:
        rows, cols = number(), number()
        values = take(rows * cols)
        return np.asfortranarray(values.astype(np.float64).reshape((rows, cols), order="F"))

    def argument() -> Any:
        kind = number()
        if kind not in (0, 1):
            raise ValueError("regionkit: %s is damaged" % path)
        m = matrix()
        return "".join(chr(int(c)) for c in m.ravel(order="F")) if kind == 1 else m

    names = []
    for _ in range(int(data[2])):
        names.append("".join(chr(int(c)) for c in take(number())))
    calls = []
    for _ in range(number()):
        function, nin, nout = number(), number(), number()
        if not 1 <= function <= len(names):
            raise ValueError("regionkit: %s is damaged" % path)
        arguments = [argument() for _ in range(nin)]
        results = [matrix() for _ in range(nout)]
        calls.append((names[function - 1], arguments, results))
    if at != data.size:
        raise ValueError("regionkit: %s is damaged" % path)
    return names, calls


def golden_calls(path: Optional[str] = None) -> List[Call]:
    """Every golden call as (function name, arguments, expected results)."""
    return read_golden(path)[1]


def _describe(value: float) -> str:
    return "%.17g (bits %016X)" % (value, int(np.float64(value).view(np.uint64)))


def difference(got: Sequence[Any], expected: Sequence[Matrix]) -> str:
    """Empty when the results match bit for bit (any NaN matching any NaN), else what differs first."""
    for r, (g, e) in enumerate(zip(got, expected), 1):
        if not isinstance(g, np.ndarray) or g.dtype != np.float64:
            return "result %d is not a float64 array" % r
        if g.shape != e.shape:
            return "result %d is %dx%d, expected %dx%d" % ((r,) + g.shape + e.shape)
        gf, ef = g.ravel(order="F"), e.ravel(order="F")
        same = (gf.view(np.uint64) == ef.view(np.uint64)) | (np.isnan(gf) & np.isnan(ef))
        if not same.all():
            k = int(np.flatnonzero(~same)[0])
            return "result %d differs at (%d, %d): %s instead of %s" % (
                r, k % e.shape[0] + 1, k // e.shape[0] + 1, _describe(gf[k]), _describe(ef[k]))
    return ""


def run_call(name: str, arguments: Sequence[Any], expected: Sequence[Matrix]) -> str:
    """Calls one golden call; empty when it gives the expected results, else the problem."""
    try:
        got = getattr(_regionkit, name)(*arguments, nargout=len(expected))
    except (TypeError, ValueError, MemoryError) as error:
        return "refused: %s" % error
    return difference(got if len(expected) > 1 else (got,), expected)


def self_test(functions: Optional[Sequence[str]] = None, verbose: bool = True) -> bool:
    """Check that this build of regionkit gives the reference results, bit for bit.

    Runs every compiled function on the golden calls shipped with the
    package and compares every result bit for bit with the reference
    build's (a NaN matches any NaN; -0 and +0 differ).

    Parameters
    ----------
    functions : sequence of str, optional
        The MATLAB names of the functions to check (``"rectCull"`` and the
        others, as in the golden file); all of them by default.
    verbose : bool, optional
        Print the version and one line per function (the default).

    Returns
    -------
    passed : bool
        True when every function checked gave the reference bits.

    Notes
    -----
    A function that fails was most likely compiled with flags that change
    floating-point arithmetic (fused multiply-adds, fast-math); reinstall
    with pip, whose build sets the flags that keep the arithmetic exact.

    Examples
    --------
    >>> import regionkit
    >>> regionkit.self_test(["slideCorr"], verbose=False)
    True
    """
    names = None if functions is None else ([functions] if isinstance(functions, str) else list(functions))
    return selfTest(names, verbose)


def selfTest(names: Union[None, str, Sequence[str]] = None, verbose: bool = True) -> bool:
    """Check that this build of regionkit gives the reference results.

    selfTest() runs every regionkit function on a fixed set of calls, the
    golden calls in regionkitGolden.bin, and compares every result bit for bit
    with the result of the reference build: a NaN matches any NaN, while -0
    and +0 differ. It prints the version, then one line per function: passed,
    or failed with the first call that differs and where its result differs.
    It returns True when every function passed. selfTest(["rectCull"]) checks
    only the functions named.

    The results of regionkit are fixed to the last bit on every platform. A
    function that fails was most likely compiled with flags that change
    floating-point arithmetic: fused multiply-adds or fast-math. Reinstall it
    with pip, whose build sets the flags that keep the arithmetic exact.
    """
    def say(*text: object) -> None:
        if verbose:
            print(*text)
    started = time.perf_counter()
    known, calls = read_golden()
    names = known if names is None else ([names] if isinstance(names, str) else list(names))
    say("regionkit %s self-test: %d golden calls of %d functions" % (_regionkit.__version__, len(calls), len(names)))
    passed = True
    for name in names:
        if name not in known or name not in _regionkit.functions:
            say("  %-12s FAILED: not a regionkit function" % name)
            passed = False
            continue
        mine = [(n, c) for n, c in enumerate(calls, 1) if c[0] == name]
        problem = ""
        for k, (n, (_, arguments, expected)) in enumerate(mine, 1):
            problem = run_call(name, arguments, expected)
            if problem:
                problem = "call %d of %d (golden call %d): %s" % (k, len(mine), n, problem)
                break
        if problem:
            say("  %-12s FAILED: %s" % (name, problem))
            passed = False
        else:
            say("  %-12s passed (%d calls)" % (name, len(mine)))
    if passed:
        say("regionkit self-test passed in %.2f s" % (time.perf_counter() - started))
    else:
        say("regionkit self-test FAILED: reinstall with pip (no fused multiply-adds, no fast-math)")
    return passed
