"""regionkit through Python: golden bits, independent definitions, refusals, layouts, threads."""
import threading
import time
from concurrent.futures import ThreadPoolExecutor

import numpy as np
import pytest

from regionkit import _selftest, matlab

# A deprecated name used by mistake here fails the test.
pytestmark = pytest.mark.filterwarnings("error")

rng = np.random.default_rng(7)


def test_self_test_passes_and_would_see_a_one_bit_change(capsys):
    assert matlab.selfTest(), capsys.readouterr().out
    expected = next(e for _, _, e in _selftest.golden_calls() if e[0].size)
    nudged = expected[0].copy(order="F")
    flat = nudged.reshape(-1, order="F")
    flat.view(np.uint64)[0] ^= np.uint64(1)
    assert _selftest.difference([nudged], expected)
    assert _selftest.difference([np.full((1, 1), -0.0)], [np.zeros((1, 1))])
    assert not _selftest.difference([np.full((1, 1), np.nan)], [np.full((1, 1), -np.nan)])


# Independent definitions: integer-valued data keeps every sum exact, so any
# order of summation gives the same bits.
def test_slideCorr_is_scipy_valid_correlation():
    signal = pytest.importorskip("scipy.signal")
    A = rng.integers(-9, 10, (37, 41)).astype(float)
    K = rng.integers(-9, 10, (5, 3)).astype(float)
    sums = matlab.slideCorr(A, K)
    assert sums.shape == (33 * 39, 1)
    np.testing.assert_array_equal(sums.reshape(33, 39, order="F"), signal.correlate2d(A, K, "valid"))


def test_pairMetric_is_rescaled_cdist():
    distance = pytest.importorskip("scipy.spatial.distance")
    A, B = rng.integers(0, 8, (6, 4)) / 8, rng.integers(0, 8, (5, 7)) / 8
    for code, d in ((2, distance.cdist(A, B[:, :4])),
                    (1, 1 - np.minimum(A[:, None, :], B[None, :, :4]).sum(axis=2))):
        lo, hi = min(1.0, d.min()), max(0.0, d.max())
        np.testing.assert_array_equal(matlab.pairMetric(A, B, code), ((d - lo) / (hi - lo)).reshape(1, -1))


def test_regionTally_is_add_at():
    W, R, n = 7, 5, 300
    words = rng.integers(1, W + 1, n).astype(float)
    regions = rng.integers(0, R + 1, (n, 3)).astype(float)
    expected = np.zeros((W + 1, R + 1))
    np.add.at(expected, (np.repeat(words.astype(int), 3), regions.astype(int).ravel()), 1)
    counts, totals = matlab.regionTally(words, regions, W, R)
    np.testing.assert_array_equal(counts, expected[1:, 1:])
    np.testing.assert_array_equal(totals, expected[1:, 1:].sum(axis=1, keepdims=True))
    np.testing.assert_array_equal(matlab.regionTally(words, regions, W, R, nargout=1), counts)


BOXES = np.array([[0, 0, 10, 10, 0.5], [1, 1, 10, 10, 0.9]])
TOO_BIG = np.empty((3_000_000_000, 0))  # no elements, so no memory
REFUSALS = [  # function, arguments, nargout, exception, identifier, message
    ("rectCull", (BOXES[:, :4], 0.3), 1, ValueError, "rectCull:tooFewColumns",
     "Argument 1 (boxes) needs at least 5 columns (x, y, w, h, score), but a 2x4 double matrix came."),
    ("rectCull", (np.zeros((2, 5, 3)), 0.3), 1, TypeError, "rectCull:notRealDoubleMatrix",
     "Argument 1 (boxes) must be a real, full double matrix, but a 2x5x3 double array came."),
    ("rectCull", (BOXES, None), 1, TypeError, "rectCull:notRealDoubleMatrix",
     "Argument 2 (threshold) must be a real, full double matrix, but a 1x1 object matrix came."),
    ("rectCull", (BOXES, 0.3j), 1, TypeError, "rectCull:notRealDoubleMatrix",
     "Argument 2 (threshold) must be a real, full double matrix, but a 1x1 complex double matrix came."),
    ("coverTest", (["ab", "cd"], BOXES), 1, TypeError, "coverTest:notRealDoubleMatrix",
     "Argument 1 (regionBoxes) must be a real, full double matrix, but a 1x2 char matrix came."),
    ("rectCull", (BOXES,), 1, TypeError, "rectCull:tooFewInputs",
     "Not enough arguments: the call is [kept, keptRows, keptScores] = rectCull(boxes, threshold[, groups][, name, "
     "value, ...]), with 2 arguments, but 1 came."),
    ("rectCull", (BOXES, 0.3), 4, ValueError, "rectCull:tooManyOutputs",
     "rectCull returns 3 results, but 4 were asked for."),
    ("rectCull", (BOXES, 0.3, "Decay", "soft"), 1, ValueError, "rectCull:badOptionValue",
     "Option Decay (argument 4) must be 'none', 'linear' or 'gaussian', but 'soft' came."),
    ("rectCull", ([[np.nan, 0, 1, 1, 1]], 0.3), 1, ValueError, "rectCull:badCoordinate",
     "Box 1 has x = NaN; box coordinates must be numbers."),
    ("rectCull", (BOXES, []), 1, ValueError, "rectCull:emptyArgument",
     "Argument 2 (threshold) must hold at least one element, but a 1x0 double matrix came."),
    ("pairMetric", (TOO_BIG, np.empty((1, 0)), 2), 1, ValueError, "pairMetric:tooLarge",
     "The row count of argument 1 (A) is 3000000000, more than the largest count handled, 2147483647."),
    ("rectRefit", (BOXES, BOXES, np.ones((2, 1)), 9, 9), 1, ValueError, "rectRefit:membershipTooSmall",
     "Argument 3 (membership) needs one row per box and one column per region box, at least 2x2, "
     "but a 2x1 matrix came."),
    ("rectRefit", (BOXES, BOXES, np.ones((2, 2)), np.inf, 9), 1, ValueError, "rectRefit:badImageSize",
     "Argument 4 (height) is inf; the image height must lie between -2147483648 and 2147483647."),
    ("regionTally", ([1], [1], -1, 1), 2, ValueError, "",
     "Error: the number of words W is -1; it must be a count from 0 to 2147483647"),
    ("regionTally", ([1, 2], [1, 3], 2, 2), 2, ValueError, "",
     "Error: element 2 of the region index (location 2, membership 1) is 3; a membership must be 0 or a "
     "region number from 1 to R, and R is 2"),
    ("regionTally", ([1], [1], 1e9, 1e9), 2, MemoryError, "",
     "Error: out of memory: the 1000000000 x 1000000000 result could not be created"),
    ("regionTally", ([1], [1], 1), 2, TypeError, "", "Error: Needs exactly two four input parameters"),
    ("regionTally", ([1], np.ones((1, 1), complex), 1, 1), 2, TypeError, "",
     "Error: argument 2 (the region index) must be a real, full double array, but it is a complex double array"),
    ("slideCorr", ([[1, 2], [3]], [[1]]), 1, ValueError, None, None),  # ragged: NumPy refuses it
    ("slideCorr", ([[1]], [[1]]), -1, ValueError, None, "nargout must lie from 0 to 16"),
]


@pytest.mark.parametrize("name, arguments, nargout, exception, identifier, message", REFUSALS)
def test_refusals_raise_and_change_nothing(name, arguments, nargout, exception, identifier, message):
    before = [np.array(a, copy=True) if isinstance(a, np.ndarray) else a for a in arguments]
    with pytest.raises(exception) as raised:
        getattr(matlab, name)(*arguments, nargout=nargout)
    if message is not None:
        assert str(raised.value) == message
    if identifier is not None:
        assert raised.value.identifier == identifier
        assert raised.value.reason == identifier.rpartition(":")[2]
    for a, b in zip(arguments, before):
        if isinstance(a, np.ndarray):
            np.testing.assert_array_equal(a, b)


def strided(a):
    """A view of a inside a larger array, every second row and third column."""
    big = np.full((2 * a.shape[0], 3 * a.shape[-1]), np.nan)
    big[::2, ::3] = a
    return big[::2, ::3] if a.ndim == 2 else big[0, ::3]


# Every layout of an argument gives the bits of its Fortran-ordered float64 copy.
# The values are multiples of 1/8 below 64, exact in every dtype tried.
LAYOUTS = {
    "C order": np.ascontiguousarray,
    "strided view": lambda a: strided(a),
    "read-only": lambda a: np.lib.stride_tricks.as_strided(a, writeable=False),
    "owns no data": lambda a: np.frombuffer(a.tobytes(order="F"), a.dtype).reshape(a.shape, order="F"),
    "big-endian": lambda a: a.astype(">f8"),
    "float32": lambda a: a.astype(np.float32),
    "list": lambda a: a.tolist(),
}


def sample_calls():
    boxes = np.hstack([rng.integers(0, 40, (30, 2)), rng.integers(1, 20, (30, 2)), rng.integers(0, 8, (30, 1)) / 8])
    return [
        ("rectCull", (boxes, 0.5)),
        ("pairMetric", (rng.integers(0, 8, (7, 3)) / 8, rng.integers(0, 8, (4, 5)) / 8, 2)),
        ("slideCorr", (rng.integers(0, 64, (12, 9)) / 8, rng.integers(0, 8, (3, 4)) / 8)),
        ("coverTest", (boxes[:9, :4], boxes)),
        ("rectRefit", (boxes, boxes[:9], matlab.coverTest(boxes[:9], boxes), 30, 40)),
        ("regionTally", (rng.integers(1, 5, 40).astype(float), rng.integers(0, 4, (40, 2)).astype(float), 4, 3)),
    ]


@pytest.mark.parametrize("layout", LAYOUTS)
def test_layouts_give_the_same_bits(layout):
    for name, arguments in sample_calls():
        fortran = [np.asfortranarray(a, dtype=float) if isinstance(a, np.ndarray) else a for a in arguments]
        expected = getattr(matlab, name)(*fortran)
        got = getattr(matlab, name)(*(LAYOUTS[layout](a) if isinstance(a, np.ndarray) else a for a in arguments))
        expected, got = (expected, got) if isinstance(got, tuple) else ((expected,), (got,))
        assert not _selftest.difference(list(got), list(expected)), (layout, name)


@pytest.mark.parametrize("call, shape", [
    (lambda: matlab.rectCull(np.zeros((0, 5)), 0.5), (0, 4)),
    (lambda: matlab.rectCull(np.array([0, 0, 10, 10, 0.5]), 0.5), (1, 4)),  # a 1-d array is a row
    (lambda: matlab.rectCull(np.ones((2, 5, 1)), 0.5), (1, 4)),            # trailing 1 dropped
    (lambda: matlab.pairMetric(np.zeros((0, 2)), np.zeros((3, 2)), 1), (1, 0)),
    (lambda: matlab.slideCorr(np.zeros((2, 3)), np.zeros((3, 3))), (0, 1)),
    (lambda: matlab.slideCorr(np.zeros((2, 3)), np.zeros((0, 0))), (12, 1)),
    (lambda: matlab.coverTest(np.zeros((0, 4)), np.zeros((2, 4))), (2, 0)),
    (lambda: matlab.regionTally(np.array([True, True]), np.array([0, 0], np.int32), 1, 0)[0], (1, 0)),
])
def test_result_shapes_are_the_matlab_shapes(call, shape):
    result = call()
    assert result.dtype == np.float64 and result.shape == shape and result.flags.f_contiguous


def test_calls_from_four_threads_equal_the_golden_results():
    calls = _selftest.golden_calls()

    def run_all(_):
        return [p for _ in range(3) for name, a, e in calls if (p := _selftest.run_call(name, a, e))]
    with ThreadPoolExecutor(4) as pool:
        assert sum(pool.map(run_all, range(8)), []) == []


def test_a_running_call_lets_other_threads_run():
    A, K = np.ones((2000, 2000), order="F"), np.ones((41, 41))
    took, finished = [], threading.Event()

    def worker():
        started = time.perf_counter()
        matlab.slideCorr(A, K)
        took.append(time.perf_counter() - started)
        finished.set()
    thread = threading.Thread(target=worker)
    last, longest = time.perf_counter(), 0.0
    thread.start()
    while not finished.is_set():
        now = time.perf_counter()
        longest, last = max(longest, now - last), now
    thread.join()
    # Holding the lock, the call would stop this loop for all of its length.
    assert longest < took[0] / 2


@pytest.mark.parametrize("name", matlab.__all__[:-1])
def test_each_function_carries_its_manual(name):
    doc = getattr(matlab, name).__doc__
    assert doc.startswith(name + "(") and "Example" in doc and "nargout" in doc
    assert not any(line.startswith("%") for line in doc.splitlines())
