"""regionkit's functions in NumPy's terms: snake_case names, keyword
arguments, results in the shapes and dtypes NumPy code expects.

Every function calls the same compiled entry as its MATLAB namesake in
`regionkit.matlab` (nms calls that entry's kernel, and gets the kept rows
from it) and returns the result as a view, a reshape or an exact conversion
(float64 counts to int64, 0/1 flags to bool): the bits are the MATLAB
function's, and no arithmetic is done in Python.
"""
import operator
from typing import Any, Optional, Sequence, Tuple

import numpy as np
import numpy.typing as npt

from . import _regionkit
from ._errors import RegionkitError, refusal

__all__ = ["nms", "pairwise_distances", "refit_boxes", "correlate_valid", "coverage", "word_histograms"]

_REAL_KINDS = "biuf"
_METRIC_CODES = {"hik": 1.0, "l2": 2.0}


def _refuse(function: str, reason: str, argument: str, message: str) -> RegionkitError:
    """A refusal of this API's own: identifier "<function>:<reason>", about `argument`."""
    return refusal("%s:%s" % (function, reason), reason, "%s: %s" % (function, message), argument)


def _described(a: npt.NDArray[Any]) -> str:
    return "an array of shape %s and dtype %s" % (a.shape, a.dtype)


def _real(function: str, name: str, value: Any) -> npt.NDArray[Any]:
    """`value` as a NumPy array of real numbers (bool, integers, floats), not copied when it is one."""
    if type(value) is np.ndarray:
        a = value
    else:
        try:
            a = np.asarray(value)
        except (TypeError, ValueError) as error:
            raise _refuse(function, "notAnArray", name, "%s must be an array of real numbers, "
                          "but numpy.asarray refused it: %s" % (name, error)) from None
    if a.dtype.kind not in _REAL_KINDS:
        raise _refuse(function, "notReal", name, "%s must hold real numbers (bool, integer or float), "
                      "but %s came" % (name, _described(a)))
    return a


def _boxes(function: str, name: str, value: Any) -> npt.NDArray[Any]:
    a = _real(function, name, value)
    if a.ndim != 2 or a.shape[1] != 4:
        raise _refuse(function, "badShape", name, "%s must be an (N, 4) array of boxes x, y, w, h, "
                      "but %s came" % (name, _described(a)))
    return a


def _vector(function: str, name: str, value: Any, length: int, what: str) -> npt.NDArray[Any]:
    a = _real(function, name, value)
    if a.shape != (length,):
        raise _refuse(function, "badShape", name, "%s must be a 1-d array of %d %s, one per box, "
                      "but %s came" % (name, length, what, _described(a)))
    return a


def _matrix(function: str, name: str, value: Any) -> npt.NDArray[Any]:
    a = _real(function, name, value)
    if a.ndim != 2:
        raise _refuse(function, "badShape", name, "%s must be a 2-d array, but %s came"
                      % (name, _described(a)))
    return a


def _number(function: str, name: str, value: Any) -> float:
    if type(value) is float or type(value) is int:
        return float(value)
    a = _real(function, name, value)
    if a.ndim != 0:
        raise _refuse(function, "badShape", name, "%s must be a single number, but %s came"
                      % (name, _described(a)))
    return float(a)


def _count(function: str, name: str, value: Any) -> int:
    try:
        count = operator.index(value)
    except TypeError:
        raise _refuse(function, "notACount", name, "%s must be an integer, but %r came"
                      % (name, value)) from None
    if count < 0:
        raise _refuse(function, "badCount", name, "%s must be 0 or more, but %d came" % (name, count))
    return count


def _retold(function: str, error: RegionkitError, argument: str, message: str) -> RegionkitError:
    """The entry's refusal `error`, its fields kept, told in this API's terms: about
    `argument`, saying `message` (empty: the entry's own message)."""
    return refusal(error.identifier, error.reason, "%s: %s" % (function, message or error.args[0]), argument,
                   error.position, error.element, error.value)


def _shown(value: float) -> str:
    """A value as the compiled functions' messages show it: NaN and Inf by name, else 15 digits."""
    if value != value:
        return "NaN"
    if value in (float("inf"), float("-inf")):
        return "Inf" if value > 0 else "-Inf"
    return "%.15g" % value


_NMS_WORDS = {"overlap": ("union", "min"), "decay": ("none", "linear", "gaussian"),
              "rule": ("pipeline", "plain"), "box_format": ("xywh", "xyxy")}


def _word(name: str, value: Any) -> str:
    words = _NMS_WORDS[name]
    if not isinstance(value, str) or value not in words:
        raise _refuse("nms", "badOptionValue", name, "%s must be %s, but %r came"
                      % (name, " or ".join(repr(w) for w in words), value))
    return value


def nms(boxes: npt.ArrayLike, scores: npt.ArrayLike, iou_threshold: float, *,
        groups: Optional[npt.ArrayLike] = None, max_kept: Optional[int] = None,
        score_floor: Optional[float] = None, overlap: str = "union", decay: str = "none",
        sigma: float = 0.5, rule: str = "pipeline",
        box_format: str = "xywh") -> Any:
    """Greedy non-maximum suppression: the indices of the boxes kept, best first.

    The best-scoring box is kept, every other box whose intersection over
    union with it reaches `iou_threshold` is dropped, and this repeats with
    the best of the rest. With `groups`, boxes of different groups never
    drop one another: each group keeps exactly what a call on that group's
    boxes alone keeps, in one call. The keyword options cap the kept boxes,
    set a score floor, measure overlap over the smaller box, lower scores
    instead of dropping boxes (soft suppression), and take torchvision's
    rule in place of the pipeline's.

    Parameters
    ----------
    boxes : array_like, shape (N, 4)
        One box per row, ``x, y, w, h``: left, top, width, height (or
        ``x1, y1, x2, y2`` with ``box_format="xyxy"``). Under the pipeline
        rule coordinates are truncated to integers, and a box covers the
        half-open ranges ``x <= u < x + w``, ``y <= v < y + h``.
    scores : array_like, shape (N,)
        The score of each box, the larger the better; ranked in single
        precision (double under the plain rule).
    iou_threshold : float
        A box is dropped when its intersection over union with a kept box
        reaches this value. Kept boxes of area ``w * h`` at most 4096 use
        ``iou_threshold + 0.1``. Overlaps are single precision, and a
        threshold above 0.99 keeps nothing. Not NaN.
    groups : array_like, shape (N,), optional
        A group per box, such as its class: integers, or any real numbers
        but NaN, compared for equality (-0 equals 0). Boxes suppress only
        boxes of their own group.
    max_kept : int, optional
        Keep at most this many boxes (with `groups`: of all groups
        together); the walk stops as soon as it has them, which is much
        quicker than slicing ``keep[:max_kept]`` afterwards.
    score_floor : float, optional
        Boxes scoring below it take no part: a box takes part only when
        ``score >= score_floor`` (a NaN score never does). Under decay, a
        box whose lowered score falls below it is dropped.
    overlap : {"union", "min"}, optional
        Intersection over union (the default), or over the smaller of the
        two areas, so that a small box inside a large one overlaps it fully.
    decay : {"none", "linear", "gaussian"}, optional
        Soft suppression. ``"linear"``: a box whose overlap with the kept
        box passes the threshold has its score multiplied by
        ``1 - overlap`` instead of being dropped. ``"gaussian"``: every
        remaining box has its score multiplied by
        ``exp(-overlap**2 / sigma)``; the threshold takes no part. Each
        round keeps the best remaining box. The exponential is regionkit's
        own, so the scores have the same bits on every platform (within 1
        ulp of the C library's ``exp``).
    sigma : float, optional
        Of the Gaussian decay, > 0; 0.5 by default.
    rule : {"pipeline", "plain"}, optional
        ``"pipeline"`` (the default): the rule above. ``"plain"``: the rule
        of ``torchvision.ops.nms``: coordinates as given (finite), scores
        and overlaps in double precision, a box dropped when its overlap is
        strictly greater than `iou_threshold`, no small-box rule and no
        upper limit. On boxes without tied scores it keeps exactly what
        ``torchvision.ops.nms`` keeps, in the same order.
    box_format : {"xywh", "xyxy"}, optional
        How `boxes` are written: ``x, y, w, h`` (the default) or the
        corners ``x1, y1, x2, y2``, as torchvision writes them.

    Returns
    -------
    keep : ndarray of int64, shape (K,)
        The rows of the kept boxes, counted from 0, in the order they were
        kept: descending score, equal scores in input order, NaN scores
        last. ``boxes[keep]`` are the kept boxes.
    kept_scores : ndarray of float64, shape (K,)
        Only with `decay` ``"linear"`` or ``"gaussian"``, as the second of
        a tuple: the scores of the kept boxes when they were kept.

    Raises
    ------
    RegionkitTypeError
        An argument holds something other than real numbers, or `max_kept`
        is not an integer.
    RegionkitValueError
        An argument of the wrong shape, a NaN threshold or group, a
        coordinate that is NaN or outside the 32-bit integer range (under
        the plain rule: not finite), a negative `max_kept`, a NaN
        `score_floor`, `sigma` not above 0, or an option word not listed.
    RegionkitMemoryError
        The working lists could not be made.

    See Also
    --------
    regionkit.matlab.rectCull : the MATLAB form, boxes and scores in one
        N x 5 matrix, returning the kept boxes.

    Notes
    -----
    The indices come from the suppression itself, which knows the row of
    every box it keeps, so equal rows are told apart. The kernel is
    rectCull's: the same boxes, scores, threshold and options keep the same
    boxes in the same order. Soft suppression and the plain rule measure
    every remaining box against each kept box. The interpreter lock is
    released while boxes are culled.

    Examples
    --------
    >>> import numpy as np, regionkit
    >>> boxes = np.array([[0, 0, 10, 10], [1, 1, 10, 10], [100, 100, 5, 5]])
    >>> scores = np.array([0.5, 0.9, 0.2])
    >>> keep = regionkit.nms(boxes, scores, 0.3)
    >>> keep
    array([1, 2])
    >>> boxes[keep]
    array([[  1,   1,  10,  10],
           [100, 100,   5,   5]])

    The first two boxes overlap, but in different groups both stay:

    >>> regionkit.nms(boxes, scores, 0.3, groups=[0, 1, 0])
    array([1, 0, 2])

    At most one box, and only boxes scoring 0.3 or more:

    >>> regionkit.nms(boxes, scores, 0.3, groups=[0, 1, 0], max_kept=1)
    array([1])
    >>> regionkit.nms(boxes, scores, 0.3, groups=[0, 1, 0], score_floor=0.3)
    array([1, 0])

    A small box inside a large one overlaps it fully over the smaller area:

    >>> regionkit.nms([[0, 0, 100, 100], [10, 10, 20, 20]], [0.9, 0.8], 0.5, overlap="min")
    array([0])

    Soft suppression lowers the overlapping box instead of dropping it:

    >>> keep, kept_scores = regionkit.nms(boxes, scores, 0.3, decay="linear")
    >>> keep
    array([1, 2, 0])
    >>> kept_scores.round(4)
    array([0.9   , 0.2   , 0.1597])
    >>> keep, kept_scores = regionkit.nms(boxes, scores, 0.3, decay="gaussian", sigma=0.5)
    >>> kept_scores.round(4)
    array([0.9   , 0.2   , 0.1979])

    torchvision's rule, on corners ``x1, y1, x2, y2``:

    >>> corners = np.array([[0.5, 0.5, 10.5, 10.5], [1.5, 1.5, 11.5, 11.5], [20, 0, 30, 10]])
    >>> regionkit.nms(corners, scores, 0.5, rule="plain", box_format="xyxy")
    array([1, 2])
    """
    # The checks of _boxes and _vector, written out for arrays: this call is
    # often made on a few boxes, where every step shows.
    b = boxes if type(boxes) is np.ndarray and boxes.ndim == 2 and boxes.shape[1] == 4 and \
        boxes.dtype.kind in _REAL_KINDS else _boxes("nms", "boxes", boxes)
    n = b.shape[0]
    s = scores if type(scores) is np.ndarray and scores.shape == (n,) and scores.dtype.kind in _REAL_KINDS \
        else _vector("nms", "scores", scores, n, "scores")
    threshold = _number("nms", "iou_threshold", iou_threshold)
    if threshold != threshold:
        raise _refuse("nms", "badThreshold", "iou_threshold", "iou_threshold is NaN; it must be a number")
    g = None if groups is None else _vector("nms", "groups", groups, n, "groups")
    if max_kept is None and score_floor is None and overlap == "union" and decay == "none" and \
            rule == "pipeline" and box_format == "xywh":
        return _regionkit._cull_indices(b, s, threshold, g)
    cap = None if max_kept is None else _count("nms", "max_kept", max_kept)
    floor = None if score_floor is None else _number("nms", "score_floor", score_floor)
    if floor is not None and floor != floor:
        raise _refuse("nms", "badScoreFloor", "score_floor", "score_floor is NaN; it must be a number")
    spread = _number("nms", "sigma", sigma)
    if not spread > 0:
        raise _refuse("nms", "badSigma", "sigma", "sigma must be greater than 0, but %r came" % sigma)
    return _regionkit._cull_indices(b, s, threshold, g, cap, floor, _word("overlap", overlap), _word("decay", decay),
                                    spread, _word("rule", rule), _word("box_format", box_format))


def pairwise_distances(a: npt.ArrayLike, b: npt.ArrayLike, metric: str = "l2") -> npt.NDArray[np.float64]:
    """Distances between every row of `a` and every row of `b`, all rescaled together.

    Parameters
    ----------
    a : array_like, shape (M, N)
        M vectors of N values.
    b : array_like, shape (R, S)
        R vectors; S must be at least N, and only the first N columns are
        read.
    metric : {"l2", "hik"}, optional
        ``"l2"`` (the default): the Euclidean distance. ``"hik"``: the
        histogram-intersection distance ``1 - sum(min(a_i, b_j))``.

    Returns
    -------
    d : ndarray of float64, shape (M, R)
        ``d[i, j]`` is the distance between ``a[i]`` and ``b[j]``,
        rescaled as ``(d - lo) / (hi - lo)`` with ``lo = min(1, smallest)``
        and ``hi = max(0, largest)`` over all pairs. When every distance
        has one value from 0 to 1, every entry is NaN (0 / 0).

    Raises
    ------
    RegionkitTypeError
        `a` or `b` holds something other than real numbers.
    RegionkitValueError
        `a` or `b` is not 2-d, `b` has fewer columns than `a`, or `metric`
        is not one of the names above.

    See Also
    --------
    regionkit.matlab.pairMetric : the MATLAB form, a 1 x (M*R) row.
    scipy.spatial.distance.cdist : the distances without the rescaling.

    Notes
    -----
    Sums run over the columns in order, one running value per pair, so the
    bits are the same on every platform.

    Examples
    --------
    >>> import regionkit
    >>> regionkit.pairwise_distances([[0, 0], [3, 4]], [[0, 0], [6, 8]])
    array([[0. , 1. ],
           [0.5, 0.5]])
    >>> regionkit.pairwise_distances([[0.5, 0.5]], [[0.5, 0.5], [0, 0]], metric="hik")
    array([[0., 1.]])
    """
    left = _matrix("pairwise_distances", "a", a)
    right = _matrix("pairwise_distances", "b", b)
    code = _METRIC_CODES.get(metric) if isinstance(metric, str) else None
    if code is None:
        raise _refuse("pairwise_distances", "badMetric", "metric",
                      "metric must be \"l2\" or \"hik\", but %r came" % (metric,))
    if right.shape[1] < left.shape[1]:
        raise _refuse("pairwise_distances", "tooFewColumns", "b",
                      "b needs at least as many columns as a (%d), but %s came"
                      % (left.shape[1], _described(right)))
    row = _regionkit.pairMetric(left, right, code)
    # Pair (i, j) sits at i * R + j of the row: its C-order reshape is a view.
    return row.reshape(left.shape[0], right.shape[0])  # type: ignore[no-any-return]


def refit_boxes(boxes: npt.ArrayLike, region_boxes: npt.ArrayLike, membership: npt.ArrayLike,
                image_shape: Sequence[float]) -> npt.NDArray[np.float64]:
    """Each box refit to the bounding box of its member regions, grown by a pixel and clipped to the image.

    Parameters
    ----------
    boxes : array_like, shape (N, 4)
        ``x, y, w, h`` per box, with inclusive 1-based pixel edges: columns
        ``x`` to ``x + w - 1``, rows ``y`` to ``y + h - 1``. Not rounded.
    region_boxes : array_like, shape (T, 4)
        The bounding boxes of the regions, in the same convention.
    membership : array_like, shape (N, T)
        ``membership[i, t]`` true (or exactly 1) when region t is a member
        of box i; the result of :func:`coverage` fits as it is.
    image_shape : tuple of int
        ``(height, width)`` of the image: boxes are clipped to columns 1 to
        width and rows 1 to height.

    Returns
    -------
    refit : ndarray of float64, shape (N, 4)
        The refit boxes ``x, y, w, h``; a box without members keeps its own.

    Raises
    ------
    RegionkitTypeError
        An argument holds something other than real numbers.
    RegionkitValueError
        An argument of the wrong shape, or an image size that is NaN or
        outside the 32-bit integer range.

    See Also
    --------
    regionkit.matlab.rectRefit : the MATLAB form.
    coverage : which regions lie inside which boxes.

    Examples
    --------
    >>> import numpy as np, regionkit
    >>> regions = np.array([[2, 3, 4, 4], [10, 1, 2, 2]])
    >>> boxes = np.array([[1, 1, 12, 7], [3, 4, 5, 6]])
    >>> regionkit.refit_boxes(boxes, regions, regionkit.coverage(boxes, regions), (100, 100))
    array([[ 1.,  1., 12.,  7.],
           [ 3.,  4.,  5.,  6.]])
    """
    b = _boxes("refit_boxes", "boxes", boxes)
    r = _boxes("refit_boxes", "region_boxes", region_boxes)
    m = _matrix("refit_boxes", "membership", membership)
    if m.shape != (b.shape[0], r.shape[0]):
        raise _refuse("refit_boxes", "badShape", "membership", "membership must have one row per box and "
                      "one column per region box, shape (%d, %d), but %s came"
                      % (b.shape[0], r.shape[0], _described(m)))
    try:
        height, width = image_shape
    except (TypeError, ValueError):
        raise _refuse("refit_boxes", "badShape", "image_shape", "image_shape must be (height, width), "
                      "but %r came" % (image_shape,)) from None
    h = _number("refit_boxes", "image_shape[0]", height)
    w = _number("refit_boxes", "image_shape[1]", width)
    try:
        return _regionkit.rectRefit(b, r, m, h, w)  # type: ignore[no-any-return]
    except RegionkitError as error:
        if error.reason != "badImageSize":
            raise _retold("refit_boxes", error, error.argument, "") from None
        # Arguments 4 and 5 of the entry are the height and width.
        where = "image_shape[%d] (%s)" % (error.position - 4, error.argument)
        rule = ("must be a number" if error.value != error.value
                else "must lie between -2147483648 and 2147483647")
        raise _retold("refit_boxes", error, "image_shape", "%s is %s; the image %s %s."
                      % (where, "%g" % error.value if error.value == error.value else "NaN", error.argument,
                         rule)) from None


def correlate_valid(image: npt.ArrayLike, kernel: npt.ArrayLike) -> npt.NDArray[np.float64]:
    """Valid-mode sliding-window correlation: the kernel, not flipped, at every place it fits whole.

    Parameters
    ----------
    image : array_like, shape (M, N)
        The array the kernel slides over.
    kernel : array_like, shape (m, n)
        The window of weights, used as it is (not flipped, unlike a
        convolution).

    Returns
    -------
    sums : ndarray of float64, shape (M - m + 1, N - n + 1)
        ``sums[p, q] = (image[p:p + m, q:q + n] * kernel).sum()``, each sum
        formed in one fixed order. Empty when the kernel is taller or wider
        than the image.

    Raises
    ------
    RegionkitTypeError
        An argument holds something other than real numbers.
    RegionkitValueError
        An argument that is not 2-d.

    See Also
    --------
    regionkit.matlab.slideCorr : the MATLAB form, one column of sums.
    scipy.signal.correlate2d : with ``mode="valid"``, the same sums.

    Examples
    --------
    >>> import numpy as np, regionkit
    >>> regionkit.correlate_valid(np.arange(1, 10).reshape(3, 3), [[1, 0], [0, 1]])
    array([[ 6.,  8.],
           [12., 14.]])
    """
    a = _matrix("correlate_valid", "image", image)
    k = _matrix("correlate_valid", "kernel", kernel)
    column = _regionkit.slideCorr(a, k)
    rows, cols = max(a.shape[0] - k.shape[0] + 1, 0), max(a.shape[1] - k.shape[1] + 1, 0)
    # The sums run down each column of positions: a Fortran-order reshape is a view.
    return column.reshape((rows, cols), order="F")  # type: ignore[no-any-return]


def coverage(boxes: npt.ArrayLike, region_boxes: npt.ArrayLike) -> npt.NDArray[np.bool_]:
    """Which region boxes lie, by more than 90% of their own area, inside which boxes.

    Parameters
    ----------
    boxes : array_like, shape (N, 4)
        ``x, y, w, h`` per box, with inclusive 1-based pixel edges: columns
        ``x`` to ``x + w - 1``, rows ``y`` to ``y + h - 1``. Not rounded.
    region_boxes : array_like, shape (T, 4)
        The region boxes, in the same convention.

    Returns
    -------
    inside : ndarray of bool, shape (N, T)
        ``inside[i, t]`` is True when more than 0.9 of region box t's area
        lies inside box i. It is the `membership` argument of
        :func:`refit_boxes`.

    Raises
    ------
    RegionkitTypeError
        An argument holds something other than real numbers.
    RegionkitValueError
        An argument of the wrong shape.

    See Also
    --------
    regionkit.matlab.coverTest : the MATLAB form (region boxes first, 0/1 doubles).

    Examples
    --------
    >>> import regionkit
    >>> regionkit.coverage([[0, 0, 100, 100], [1, 1, 10, 9], [1, 1, 5, 5]], [[1, 1, 10, 10], [1, 1, 5, 5]])
    array([[ True,  True],
           [False,  True],
           [False,  True]])
    """
    b = _boxes("coverage", "boxes", boxes)
    r = _boxes("coverage", "region_boxes", region_boxes)
    return _regionkit.coverTest(r, b).astype(bool)  # type: ignore[no-any-return]


def word_histograms(words: npt.ArrayLike, regions: npt.ArrayLike, n_words: int, n_regions: int) -> Tuple[
        npt.NDArray[np.int64], npt.NDArray[np.int64]]:
    """Visual-word histograms per region, and over all regions.

    Parameters
    ----------
    words : array_like
        The visual word of every location (pixel), from 0 to ``n_words - 1``
        as k-means labels are; any shape, n elements. Floats are truncated.
    regions : array_like, shape ``words.shape``, ``words.shape + (k,)`` or (n, k)
        The regions of every location: up to k labels per location, each
        from 1 to `n_regions`, or 0 for none, as in a label image. Location
        order is that of ``words.ravel()``.
    n_words : int
        The number of words W.
    n_regions : int
        The number of regions R.

    Returns
    -------
    counts : ndarray of int64, shape (W, R)
        ``counts[w, r - 1]``: the memberships in region r of locations whose
        word is w.
    totals : ndarray of int64, shape (W,)
        ``totals[w]``: every membership of the locations whose word is w
        (the row sums of `counts`).

    Raises
    ------
    RegionkitTypeError
        An argument holds something other than real numbers, or a count
        is not an integer.
    RegionkitValueError
        `words` is empty, `regions` does not fit it, a count is negative,
        a region label lies outside 0 to R, or a location with a region has
        a word outside 0 to W - 1.
    RegionkitMemoryError
        The W x R table is too large to create.

    See Also
    --------
    regionkit.matlab.regionTally : the MATLAB form, words counted from 1.

    Examples
    --------
    >>> import regionkit
    >>> counts, totals = regionkit.word_histograms([0, 1, 0], [[1, 2], [0, 2], [2, 0]], 2, 2)
    >>> counts
    array([[1, 2],
           [0, 1]])
    >>> totals
    array([3, 1])
    """
    w = _real("word_histograms", "words", words)
    r = _real("word_histograms", "regions", regions)
    W = _count("word_histograms", "n_words", n_words)
    R = _count("word_histograms", "n_regions", n_regions)
    n = w.size
    if n == 0:
        raise _refuse("word_histograms", "emptyArgument", "words",
                      "words is empty; it needs at least one location")
    if r.shape == w.shape:
        k = 1
    elif r.ndim == w.ndim + 1 and r.shape[:-1] == w.shape:
        k = r.shape[-1]
    elif r.ndim == 2 and r.shape[0] == n:
        k = r.shape[1]
    else:
        raise _refuse("word_histograms", "badShape", "regions",
                      "regions must have the shape of words %s, or that shape or (%d,) followed by the number "
                      "of labels per location, but %s came" % (w.shape, n, _described(r)))
    # The entry counts words from 1 and reads memberships column by column:
    # word w is passed as w + 1 (exact for every word below 2**53), and the
    # labels as an n x k matrix, one column per label.
    one_based = np.add(w.reshape(-1), 1, dtype=np.float64)
    try:
        counts, totals = _regionkit.regionTally(one_based, r.reshape(n, k), W, R)
    except RegionkitError as error:
        raise _told_tally_refusal(error, w.shape, r.shape, n, k, W, R) from None
    return counts.astype(np.int64), totals.reshape(-1).astype(np.int64)


# The entry's arguments under this function's names.
_TALLY_ARGUMENTS = {"words": "words", "regions": "regions", "W": "n_words", "R": "n_regions"}


def _told_tally_refusal(error: RegionkitError, words_shape: Tuple[int, ...], regions_shape: Tuple[int, ...],
                        n: int, k: int, n_words: int, n_regions: int) -> RegionkitError:
    """The entry's refusal, told from its fields with 0-based positions and words."""
    def at(flat: int, shape: Tuple[int, ...]) -> str:
        return ", ".join(str(int(i)) for i in np.unravel_index(flat, shape)) if shape else ""

    argument = _TALLY_ARGUMENTS.get(error.argument, error.argument)
    value = error.value if error.value is not None else float("nan")
    if error.reason == "badWord":
        message = ("words[%s] is %s, but that location has a region; a word must lie from 0 to n_words - 1 = %d"
                   % (at(error.element - 1, words_shape), _shown(value - 1), n_words - 1))
    elif error.reason == "badRegion":
        # Element e of the n x k label matrix, column-major: location e % n, label e // n.
        location, label = (error.element - 1) % n, (error.element - 1) // n
        message = ("regions[%s] is %s; a label must be 0 (none) or a region from 1 to n_regions"
                   % (at(location * k + label, regions_shape), _shown(value)))
    elif error.reason == "badCount":
        message = "%s is %s; it must be a count from 0 to 2147483647" % (argument, _shown(value))
    elif error.reason == "tooLarge" and error.argument:
        message = "%s has more than 2147483647 elements" % argument
    elif error.reason == "tooLarge":
        message = "a table of n_words x n_regions = %d x %d counts is too large" % (n_words, n_regions)
    elif error.reason == "outOfMemory":
        message = "out of memory for the %d x %d table of counts and its working memory" % (n_words, n_regions)
    else:
        message = "the call was refused (%s)" % error.reason
    return _retold("word_histograms", error, argument, message)
