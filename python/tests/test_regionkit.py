"""regionkit.matlab through Python: golden bits, layouts, result shapes, threads, manuals."""
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
