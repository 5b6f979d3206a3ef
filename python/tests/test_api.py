"""regionkit's NumPy functions: against independent NumPy statements of their
meaning, against their MATLAB forms bit for bit, and their refusals, help and
deprecated names."""
import doctest
import inspect
import os
import warnings

import numpy as np
import pytest
from hypothesis import given, settings, strategies as st
from hypothesis.extra import numpy as hnp

import regionkit
from regionkit import _api, _errors, _selftest, folders, matlab

pytestmark = pytest.mark.filterwarnings("error")

# Deterministic: the same examples on every run, nothing stored between runs.
settings.register_profile("regionkit", derandomize=True, database=None, max_examples=60, deadline=None)
settings.load_profile("regionkit")


def small_ints(shape, low=-8, high=8):
    return hnp.arrays(np.int64, shape, elements=st.integers(low, high))


# Independent statements. Values are multiples of 1/8 or small integers, so
# every sum is exact and any order of summation gives the same bits.
@given(st.data(), st.integers(0, 6), st.integers(0, 6), st.integers(0, 5), st.integers(0, 2),
       st.sampled_from(["l2", "hik"]))
def test_pairwise_distances_are_the_rescaled_distance_table(data, m, r, n, extra, metric):
    a = data.draw(small_ints((m, n), 0, 8)) / 8
    b = data.draw(small_ints((r, n + extra), 0, 8)) / 8
    pairs = a[:, None, :] - b[None, :, :n]
    if metric == "l2":
        d = np.sqrt((pairs * pairs).sum(axis=2))
    else:
        d = 1 - np.minimum(a[:, None, :], b[None, :, :n]).sum(axis=2)
    lo, hi = min([1.0] + list(d.ravel())), max([0.0] + list(d.ravel()))
    with np.errstate(invalid="ignore", divide="ignore"):
        expected = (d - lo) / (hi - lo)
    np.testing.assert_array_equal(regionkit.pairwise_distances(a, b, metric=metric), expected)


@given(st.data(), st.integers(1, 9), st.integers(1, 9), st.integers(0, 4), st.integers(0, 4))
def test_correlate_valid_is_correlate2d(data, rows, cols, k_rows, k_cols):
    signal = pytest.importorskip("scipy.signal")
    image = data.draw(small_ints((rows, cols)))
    kernel = data.draw(small_ints((k_rows, k_cols)))
    got = regionkit.correlate_valid(image, kernel)
    assert got.shape == (max(rows - k_rows + 1, 0), max(cols - k_cols + 1, 0))
    if got.size and kernel.size:
        np.testing.assert_array_equal(got, signal.correlate2d(image, kernel, mode="valid"))


@given(st.data(), st.integers(1, 40), st.integers(1, 3), st.integers(1, 6), st.integers(0, 5))
def test_word_histograms_are_add_at(data, n, k, n_words, n_regions):
    words = data.draw(small_ints((n,), 0, n_words - 1))
    regions = data.draw(small_ints((n, k), 0, n_regions))
    counts = np.zeros((n_words, n_regions + 1), np.int64)
    np.add.at(counts, (np.repeat(words, k), regions.ravel()), 1)
    got, totals = regionkit.word_histograms(words, regions, n_words, n_regions)
    assert got.dtype == totals.dtype == np.int64
    np.testing.assert_array_equal(got, counts[:, 1:])
    np.testing.assert_array_equal(totals, counts[:, 1:].sum(axis=1))


def iou(a, b):
    """Intersection over union of integer boxes x, y, w, h, in single precision step by step."""
    f = np.float32
    if a[3] <= 0 or a[2] <= 0 or a[1] >= b[1] + b[3] or a[0] >= b[0] + b[2]:
        return f(0)
    ih = max(min(a[1] + a[3], b[1] + b[3]) - max(a[1], b[1]), 0)
    iw = max(min(a[0] + a[2], b[0] + b[2]) - max(a[0], b[0]), 0)
    inter = f(iw) * f(ih)
    return inter / ((f(a[2]) * f(a[3]) + f(b[2]) * f(b[3])) - inter)


def effective(box, threshold):
    return np.float32(float(np.float32(threshold)) + 0.1) if box[2] * box[3] <= 4096 else np.float32(threshold)


box_sets = st.integers(0, 30).flatmap(lambda n: st.tuples(
    small_ints((n, 2), 0, 40), small_ints((n, 2), 1, 30), small_ints((n,), 0, 4), small_ints((n,), 0, 2)))


@given(box_sets, st.sampled_from([0.1, 0.3, 0.5, 0.7, 0.95]))
def test_nms_keeps_a_greedy_cover(box_set, threshold):
    corners, sizes, scores, groups = box_set
    boxes = np.hstack([corners, sizes])
    for g in (None, groups):
        keep = regionkit.nms(boxes, scores / 4, threshold, groups=g)
        assert keep.dtype == np.int64 and keep.ndim == 1 and len(set(keep)) == len(keep)
        same = (lambda i, j: True) if g is None else (lambda i, j: g[i] == g[j])
        # Best first, equal scores in input order.
        assert sorted(keep, key=lambda i: (-scores[i], i)) == list(keep)
        # No kept box reaches the threshold of a kept box of its group before it...
        for at, j in enumerate(keep):
            for i in keep[:at]:
                assert not (same(i, j) and iou(boxes[i], boxes[j]) >= effective(boxes[i], threshold))
        # ...and every dropped box reaches that of one kept before it.
        for j in sorted(set(range(len(boxes))) - set(keep)):
            better = [i for i in keep if (-scores[i], i) < (-scores[j], j) and same(i, j)]
            assert any(iou(boxes[i], boxes[j]) >= effective(boxes[i], threshold) for i in better), j


@given(box_sets, st.sampled_from([-0.1, 0.3, 0.5, 0.99]))
def test_grouped_nms_keeps_what_separate_calls_keep(box_set, threshold):
    corners, sizes, scores, groups = box_set
    boxes = np.hstack([corners, sizes])
    keep = regionkit.nms(boxes, scores, threshold, groups=groups)
    for g in np.unique(groups):
        rows = np.flatnonzero(groups == g)
        alone = rows[regionkit.nms(boxes[rows], scores[rows], threshold)]
        np.testing.assert_array_equal(keep[groups[keep] == g], alone)


def test_nms_groups_are_compared_exactly_and_rows_of_twins_told_apart():
    twins = np.array([[0, 0, 100, 100]] * 3)
    scores = np.array([1.0, 2.0, 2.0])
    np.testing.assert_array_equal(regionkit.nms(twins, scores, 0.5), [1])
    # Groups that float64 would round together stay apart.
    wide = np.array([2 ** 62, 2 ** 62 + 1, 2 ** 62], np.int64)
    np.testing.assert_array_equal(regionkit.nms(twins, scores, 0.5, groups=wide), [1, 2])
    np.testing.assert_array_equal(regionkit.nms(np.zeros((0, 4)), [], 0.5, groups=[]), np.zeros(0, np.int64))


# Every function against its MATLAB form through the documented mapping:
# the same bits, a view where the shape allows it.
def test_each_function_gives_its_matlab_forms_bits():
    rng = np.random.default_rng(5)
    boxes = np.hstack([rng.integers(0, 60, (80, 2)), rng.integers(1, 30, (80, 2))]).astype(float)
    scores, groups = rng.random(80), rng.integers(0, 3, 80)
    kept, rows = matlab.rectCull(np.hstack([boxes, scores[:, None]]), 0.4, nargout=2)
    keep = regionkit.nms(boxes, scores, 0.4)
    np.testing.assert_array_equal(keep, rows.ravel() - 1)
    np.testing.assert_array_equal(boxes[keep], kept)
    _, rows = matlab.rectCull(np.hstack([boxes, scores[:, None]]), 0.4, groups, nargout=2)
    np.testing.assert_array_equal(regionkit.nms(boxes, scores, 0.4, groups=groups), rows.ravel() - 1)

    a, b = rng.random((7, 5)), rng.random((4, 6))
    for metric, code in (("l2", 2), ("hik", 1)):
        d = regionkit.pairwise_distances(a, b, metric)
        assert not _selftest.difference([d.reshape(1, -1)], [matlab.pairMetric(a, b, code)])
        assert d.base is not None
    image, kernel = rng.random((9, 7)), rng.random((3, 2))
    sums = regionkit.correlate_valid(image, kernel)
    assert sums.shape == (7, 6) and sums.base is not None
    assert not _selftest.difference([sums.reshape(-1, 1, order="F")], [matlab.slideCorr(image, kernel)])
    regions = boxes[:20] + [3, 3, -6, -6]
    inside = regionkit.coverage(boxes, regions)
    np.testing.assert_array_equal(inside, matlab.coverTest(regions, boxes) == 1)
    refit = regionkit.refit_boxes(boxes, regions, inside, (50, 70))
    assert not _selftest.difference([refit], [matlab.rectRefit(boxes, regions, inside, 50, 70)])
    words, labels = rng.integers(0, 5, (6, 8)), rng.integers(0, 4, (6, 8, 2))
    counts, totals = regionkit.word_histograms(words, labels, 5, 3)
    old_counts, old_totals = matlab.regionTally(words.ravel() + 1, labels.reshape(48, 2), 5, 3)
    np.testing.assert_array_equal(counts, old_counts)
    np.testing.assert_array_equal(totals, old_totals.ravel())


BOXES = [[0, 0, 10, 10], [5, 5, 10, 10]]


def test_nms_options_give_their_matlab_forms_bits():
    # Each keyword against its name-value pair, alone and together, with
    # groups; x1, y1, x2, y2 boxes against the same boxes as x, y, w, h.
    rng = np.random.default_rng(8)
    boxes = np.hstack([rng.integers(0, 60, (90, 2)), rng.integers(1, 30, (90, 2))]) + rng.random((90, 4)).round(2)
    scores, groups = rng.integers(0, 8, 90) / 8, rng.integers(0, 3, 90)
    scores[::17] = np.nan
    corners = np.hstack([boxes[:, :2], boxes[:, :2] + boxes[:, 2:]])
    table = np.hstack([boxes, scores[:, None]])
    for options in ({"max_kept": 0}, {"max_kept": 5}, {"score_floor": 0.5}, {"overlap": "min"},
                    {"decay": "linear", "max_kept": 7}, {"decay": "gaussian", "sigma": 0.2, "score_floor": 0.1},
                    {"rule": "plain"}, {"rule": "plain", "decay": "gaussian", "overlap": "min"}):
        words = {"max_kept": "MaxKept", "score_floor": "ScoreFloor", "overlap": "RatioType", "decay": "Decay",
                 "sigma": "Sigma", "rule": "Rule"}
        pairs = [v for k, value in options.items()
                 for v in (words[k], {"union": "Union", "min": "Min"}.get(value, value))]
        for g in (None, groups):
            got = regionkit.nms(boxes, scores, 0.4, groups=g, **options)
            keep, kept_scores = got if "decay" in options else (got, None)
            args = (table, 0.4) + (() if g is None else (g,)) + tuple(pairs)
            kept, rows, matlab_scores = matlab.rectCull(*args, nargout=3)
            np.testing.assert_array_equal(keep, rows.ravel() - 1, str(options))
            if kept_scores is not None:
                assert not _selftest.difference([kept_scores.reshape(-1, 1)], [matlab_scores]), options
            if options.get("rule") == "plain":
                other = regionkit.nms(corners, scores, 0.4, groups=g, box_format="xyxy", **options)
                np.testing.assert_array_equal(other[0] if kept_scores is not None else other, keep)
    whole = np.floor(boxes)
    np.testing.assert_array_equal(
        regionkit.nms(np.hstack([whole[:, :2], whole[:, :2] + whole[:, 2:]]), scores, 0.4, box_format="xyxy"),
        regionkit.nms(whole, scores, 0.4))


def test_plain_rule_keeps_what_torchvision_keeps():
    torch = pytest.importorskip("torch")
    ops = pytest.importorskip("torchvision.ops")
    rng = np.random.default_rng(3)
    for n, threshold in ((10, 0.5), (300, 0.3), (2000, 0.7), (2000, 0.0)):
        xy = rng.random((n, 2)) * 200
        corners = np.hstack([xy, xy + 1 + rng.random((n, 2)) * 40])
        scores = rng.permutation(n) / n + rng.random(n) * 1e-3  # no ties
        expected = ops.nms(torch.from_numpy(corners), torch.from_numpy(scores), threshold).numpy()
        keep = regionkit.nms(corners, scores, threshold, rule="plain", box_format="xyxy")
        np.testing.assert_array_equal(keep, expected)
        np.testing.assert_array_equal(regionkit.nms(corners, scores, threshold, rule="plain", box_format="xyxy",
                                                    max_kept=20), expected[:20])


BOXES5 = np.array([[0, 0, 10, 10, 0.5], [1, 1, 10, 10, 0.9]])
TOO_BIG = np.empty((3_000_000_000, 0))  # no elements, so no memory
V, T, M = regionkit.RegionkitValueError, regionkit.RegionkitTypeError, regionkit.RegionkitMemoryError
# Every kind of refusal, of both forms of each function: the class it raises
# and its identifier ("" where MATLAB has none) and reason. Their messages
# are the C++ suites' to check.
REFUSALS = [
    (lambda: regionkit.nms(np.zeros((2, 5)), [1, 2], 0.5), V, "nms:badShape", "badShape"),
    (lambda: regionkit.nms(BOXES, [1], 0.5), V, "nms:badShape", "badShape"),
    (lambda: regionkit.nms(BOXES, [1, 2], [0.5, 0.6]), V, "nms:badShape", "badShape"),
    (lambda: regionkit.nms(BOXES, [1, 2j], 0.5), T, "nms:notReal", "notReal"),
    (lambda: regionkit.nms(BOXES, ["a", "b"], 0.5), T, "nms:notReal", "notReal"),
    (lambda: regionkit.nms(BOXES, [1, 2], None), T, "nms:notReal", "notReal"),
    (lambda: regionkit.nms([[0, 0, 1], [1, 2]], [1, 2], 0.5), V, "nms:notAnArray", "notAnArray"),
    (lambda: regionkit.nms(BOXES, [1, 2], 0.5, groups=[1]), V, "nms:badShape", "badShape"),
    (lambda: regionkit.nms(BOXES, [1, 2], 0.5, groups=[1, np.nan]), V, "nms:badGroup", "badGroup"),
    (lambda: regionkit.nms([[0, 0, 1, 1], [0, 3e9, 1, 1]], [1, 2], 0.5), V, "nms:badCoordinate", "badCoordinate"),
    (lambda: regionkit.pairwise_distances([[1, 2]], [[1]]), V, "pairwise_distances:tooFewColumns", "tooFewColumns"),
    (lambda: regionkit.pairwise_distances([1, 2], [[1, 2]]), V, "pairwise_distances:badShape", "badShape"),
    (lambda: regionkit.pairwise_distances([[1]], [[1]], metric="cosine"), V, "pairwise_distances:badMetric",
     "badMetric"),
    (lambda: regionkit.correlate_valid(np.ones((2, 2, 2)), [[1]]), V, "correlate_valid:badShape", "badShape"),
    (lambda: regionkit.coverage(BOXES, np.ones((3, 4), object)), T, "coverage:notReal", "notReal"),
    (lambda: regionkit.refit_boxes(BOXES, BOXES, np.ones((2, 3)), (9, 9)), V, "refit_boxes:badShape", "badShape"),
    (lambda: regionkit.refit_boxes(BOXES, BOXES, np.ones((2, 2)), 9), V, "refit_boxes:badShape", "badShape"),
    (lambda: regionkit.refit_boxes(BOXES, BOXES, np.ones((2, 2)), (np.nan, 9)), V, "rectRefit:badImageSize",
     "badImageSize"),
    (lambda: regionkit.word_histograms([], [], 1, 1), V, "word_histograms:emptyArgument", "emptyArgument"),
    (lambda: regionkit.word_histograms([0, 1], [1, 1, 1], 2, 1), V, "word_histograms:badShape", "badShape"),
    (lambda: regionkit.word_histograms([0, 1], [1, 1], 2.5, 1), T, "word_histograms:notACount", "notACount"),
    (lambda: regionkit.word_histograms([0, 1], [1, 1], 2, -1), V, "word_histograms:badCount", "badCount"),
    (lambda: regionkit.word_histograms([0, 1], [1, 1], 2 ** 31, 1), V, "", "badCount"),
    (lambda: regionkit.word_histograms([[0, 2]], [[0, 1]], 2, 1), V, "", "badWord"),
    (lambda: regionkit.word_histograms([0, 1], [[0, 1], [3, 0]], 2, 2), V, "", "badRegion"),
    (lambda: regionkit.word_histograms([0], [1], 10 ** 9, 10 ** 9), M, "", "outOfMemory"),
    (lambda: matlab.rectCull(BOXES5[:, :4], 0.3), V, "rectCull:tooFewColumns", "tooFewColumns"),
    (lambda: matlab.rectCull(np.zeros((2, 5, 3)), 0.3), T, "rectCull:notRealDoubleMatrix", "notRealDoubleMatrix"),
    (lambda: matlab.rectCull(BOXES5, None), T, "rectCull:notRealDoubleMatrix", "notRealDoubleMatrix"),
    (lambda: matlab.rectCull(BOXES5, 0.3j), T, "rectCull:notRealDoubleMatrix", "notRealDoubleMatrix"),
    (lambda: matlab.coverTest(["ab", "cd"], BOXES5), T, "coverTest:notRealDoubleMatrix", "notRealDoubleMatrix"),
    (lambda: matlab.rectCull(BOXES5), T, "rectCull:tooFewInputs", "tooFewInputs"),
    (lambda: matlab.rectCull(BOXES5, 0.3, nargout=4), V, "rectCull:tooManyOutputs", "tooManyOutputs"),
    (lambda: matlab.rectCull(BOXES5, np.nan), V, "rectCull:badThreshold", "badThreshold"),
    (lambda: matlab.rectCull(BOXES5, 0.3, "MaxKept", -1), V, "rectCull:badMaxKept", "badMaxKept"),
    (lambda: matlab.rectCull(BOXES5, 0.3, "Decay", "soft"), V, "rectCull:badOptionValue", "badOptionValue"),
    (lambda: matlab.rectCull(BOXES5, 0.3, "Bogus", 1), V, "rectCull:unknownOption", "unknownOption"),
    (lambda: matlab.rectCull(BOXES5, 0.3, [1, 2], 1), T, "rectCull:tooManyInputs", "tooManyInputs"),
    (lambda: regionkit.nms(BOXES, [1, 2], np.nan), V, "nms:badThreshold", "badThreshold"),
    (lambda: regionkit.nms(BOXES, [1, 2], 0.5, max_kept=-1), V, "nms:badCount", "badCount"),
    (lambda: regionkit.nms(BOXES, [1, 2], 0.5, max_kept=2.5), T, "nms:notACount", "notACount"),
    (lambda: regionkit.nms(BOXES, [1, 2], 0.5, score_floor=np.nan), V, "nms:badScoreFloor", "badScoreFloor"),
    (lambda: regionkit.nms(BOXES, [1, 2], 0.5, decay="gaussian", sigma=0), V, "nms:badSigma", "badSigma"),
    (lambda: regionkit.nms(BOXES, [1, 2], 0.5, decay="soft"), V, "nms:badOptionValue", "badOptionValue"),
    (lambda: regionkit.nms([[0, 0, 1, np.inf], [0, 0, 1, 1]], [1, 2], 0.5, rule="plain"), V, "nms:badCoordinate",
     "badCoordinate"),
    (lambda: regionkit.nms([[0, 0, 1, 1], [-2e9, 0, 2e9, 1]], [1, 2], 0.5, box_format="xyxy"), V,
     "nms:badCoordinate", "badCoordinate"),
    (lambda: matlab.rectCull([[np.nan, 0, 1, 1, 1]], 0.3), V, "rectCull:badCoordinate", "badCoordinate"),
    (lambda: matlab.rectCull(BOXES5, 0.3, [1, np.nan]), V, "rectCull:badGroup", "badGroup"),
    (lambda: matlab.rectCull(BOXES5, []), V, "rectCull:emptyArgument", "emptyArgument"),
    (lambda: matlab.pairMetric(TOO_BIG, np.empty((1, 0)), 2), V, "pairMetric:tooLarge", "tooLarge"),
    (lambda: matlab.rectRefit(BOXES5, BOXES5, np.ones((2, 1)), 9, 9), V, "rectRefit:membershipTooSmall",
     "membershipTooSmall"),
    (lambda: matlab.rectRefit(BOXES5, BOXES5, np.ones((2, 2)), np.inf, 9), V, "rectRefit:badImageSize",
     "badImageSize"),
    (lambda: matlab.regionTally([1], [1], -1, 1, nargout=2), V, "", "badCount"),
    (lambda: matlab.regionTally([1, 2], [1, 3], 2, 2, nargout=2), V, "", "badRegion"),
    (lambda: matlab.regionTally([1], [1], 1e9, 1e9, nargout=2), M, "", "outOfMemory"),
    (lambda: matlab.regionTally([1], [1], 1, nargout=2), T, "", "wrongInputCount"),
    (lambda: matlab.regionTally([1], np.ones((1, 1), complex), 1, 1), T, "", "notRealDouble"),
    (lambda: matlab.regionTally([1], [1], 1, 1, nargout=3), V, "", "tooManyOutputs"),
    (lambda: matlab.slideCorr([[1, 2], [3]], [[1]]), V, "", "notAnArray"),
    (lambda: matlab.slideCorr([[1]], [[1]], nargout=-1), V, "", "badNargout"),
]


def raised_by(call):
    with pytest.raises(regionkit.RegionkitError) as raised:
        call()
    return raised.value


@pytest.mark.parametrize("call, exception, identifier, reason", REFUSALS)
def test_each_refusal_raises_its_class_and_identifier(call, exception, identifier, reason):
    error = raised_by(call)
    assert type(error) is exception
    assert (error.identifier, error.reason) == (identifier, reason)


def test_class_and_identifier_do_not_depend_on_the_wording(monkeypatch):
    # Every refusal, compiled or not, is made by _errors.refusal from its
    # fields; reworded there, each keeps its class, identifier and fields.
    made = _errors.refusal
    before = [raised_by(call) for call, *_ in REFUSALS]
    monkeypatch.setattr(_errors, "refusal", lambda i, r, m, *rest: made(i, r, "reworded", *rest))
    for (call, *_), was in zip(REFUSALS, before):
        error = raised_by(call)
        assert type(error) is type(was)
        fields = ("identifier", "reason", "argument", "position", "element")
        assert [getattr(error, f) for f in fields] == [getattr(was, f) for f in fields]


def test_matlab_messages_are_the_entries_own():
    # The text the entry raised, whole: the MATLAB message, in Python too.
    assert str(raised_by(lambda: matlab.regionTally([1], [1], 1, nargout=2))) == \
        "Error: Needs exactly two four input parameters"
    assert str(raised_by(lambda: matlab.rectCull(BOXES5, 0.3, nargout=4))) == \
        "rectCull returns 3 results, but 4 were asked for."


def test_refusal_fields_name_the_element():
    error = raised_by(lambda: regionkit.word_histograms([[0, 2]], [[0, 1]], 2, 1))
    assert (error.argument, error.element, error.value) == ("words", 2, 3.0)
    error = raised_by(lambda: regionkit.nms([[0, 0, 1, 1], [0, 3e9, 1, 1]], [1, 2], 0.5))
    assert (error.argument, error.element, error.value) == ("boxes", 4, 3e9)
    error = raised_by(lambda: matlab.rectCull([[0, 0, 1, 1, 1], [0, np.inf, 1, 1, 1]], 0.3))
    assert (error.argument, error.position, error.element, error.value) == ("boxes", 1, 4, np.inf)


@pytest.mark.parametrize("value", [np.nan, np.inf, -np.inf, 2.0 ** 31, -3e9])
@pytest.mark.parametrize("column, name", enumerate("xywh"))
def test_nms_refuses_a_coordinate_no_32_bit_integer_holds_in_each_column(column, name, value):
    boxes = np.array(BOXES, float)
    boxes[1, column] = value
    with pytest.raises(regionkit.RegionkitValueError) as raised:
        regionkit.nms(boxes, [1, 2], 0.5)
    assert raised.value.identifier == "nms:badCoordinate"
    assert "boxes[1, %d] (%s)" % (column, name) in str(raised.value)


def test_nms_reads_boxes_of_any_layout_where_they_lie():
    rng = np.random.default_rng(3)
    boxes = np.hstack([rng.integers(0, 40, (30, 2)), rng.integers(1, 20, (30, 2))]).astype(float)
    scores, groups = rng.random(30), rng.random(60)[::2]
    expected = regionkit.nms(boxes, scores, 0.3, groups=groups)
    wide = np.zeros((30, 9))
    wide[:, 1:9:2] = boxes
    for layout in (np.asfortranarray(boxes), wide[:, 1:9:2], np.ascontiguousarray(boxes[::-1])[::-1]):
        np.testing.assert_array_equal(regionkit.nms(layout, scores, 0.3, groups=groups), expected)
    wide[7, 5] = np.nan  # row 7, column w
    error = raised_by(lambda: regionkit.nms(wide[:, 1:9:2], scores, 0.3))
    assert (error.reason, error.element) == ("badCoordinate", 7 + 2 * 30 + 1)


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


@pytest.mark.skipif(not os.path.exists("/proc/self/statm"), reason="reads the resident size from /proc")
def test_results_go_back_to_the_allocator_when_the_arrays_go():
    # Each result is about 2.8 MB; kept, 200 of them would add over 500 MB.
    image, kernel = np.ones((600, 600)), np.ones((3, 3))
    for _ in range(5):
        regionkit.correlate_valid(image, kernel)
    before = resident_bytes()
    for _ in range(200):
        regionkit.correlate_valid(image, kernel)
    assert resident_bytes() - before < 100 * 2 ** 20


def test_arguments_are_never_changed():
    boxes = np.array(BOXES, float)
    scores, words = np.array([0.5, 0.7]), np.array([0, 1])
    before = [boxes.copy(), scores.copy(), words.copy()]
    regionkit.nms(boxes, scores, 0.1, groups=words)
    regionkit.word_histograms(words, words + 1, 2, 2)
    for a, b in zip((boxes, scores, words), before):
        np.testing.assert_array_equal(a, b)


def test_the_matlab_names_are_deprecated_at_the_top_level_only():
    for old, new in matlab.SUCCESSORS.items():
        with pytest.warns(DeprecationWarning, match=r"regionkit\.%s is deprecated: use regionkit\.%s" % (old, new)):
            assert getattr(regionkit, old) is getattr(matlab, old)
        assert callable(getattr(regionkit, new))
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        from regionkit.matlab import rectCull  # noqa: F401
    with pytest.raises(AttributeError):
        regionkit.notAFunction


@pytest.mark.parametrize("name", sorted(set(regionkit.__all__ + matlab.__all__) - {"matlab", "__version__"}))
def test_every_public_function_has_a_signature(name):
    function = getattr(regionkit, name) if name in regionkit.__all__ else getattr(matlab, name)
    if isinstance(function, type):
        return
    parameters = inspect.signature(function).parameters
    assert parameters


def test_docstring_examples_run():
    for module in (_api, _selftest, folders, regionkit):
        failed, attempted = doctest.testmod(module, optionflags=doctest.NORMALIZE_WHITESPACE)
        assert failed == 0 and (attempted or module is regionkit), module.__name__


# What numpydoc's checks must not find: undocumented, unknown or
# undescribed parameters, no Returns, no summary, no Examples.
NUMPYDOC_CHECKS = {"GL08", "PR01", "PR02", "PR07", "RT01", "SS01", "SS03", "EX01"}


@pytest.mark.parametrize("name", sorted(set(regionkit.__all__) - {"matlab", "__version__"}))
def test_docstrings_have_the_numpydoc_sections(name):
    validate = pytest.importorskip("numpydoc.validate")
    if isinstance(getattr(regionkit, name), type):
        return
    found = [e for e in validate.validate("regionkit." + name)["errors"] if e[0] in NUMPYDOC_CHECKS]
    assert not found

