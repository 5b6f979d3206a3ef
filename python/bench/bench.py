"""regionkit beside what a Python user would otherwise call, in one run.

    python3 python/bench/bench.py [--plot build/bench/python-bench.png] [--quick]

Every peer runs on the same data, single-threaded, timed in turns with
regionkit in the same run (median of repeated calls); the ratio is the peer's time over regionkit's.
Peers that are not installed (torchvision, OpenCV) are left out. The last
rows time the binding itself: a call on 1x1 arguments.

A second table times both Python APIs on the same data, side by side: the
MATLAB forms (regionkit.matlab) and the package's functions, each given its
natural input (an N x 5 Fortran-ordered matrix for rectCull, boxes and scores
as NumPy makes them for nms; the same int64 words, from 1 or from 0).
A third times grouped NMS: one call with groups, a Python loop of one call
per group, and torchvision's batched_nms where it is installed.
"""
import argparse
import os
import statistics
import sys
import time

import numpy as np

import regionkit
from regionkit import matlab

os.environ.setdefault("OMP_NUM_THREADS", "1")


def optional(name):
    try:
        return __import__(name)
    except ImportError:
        return None


torch, cv2 = optional("torch"), optional("cv2")
torchvision = optional("torchvision") if torch else None
if torch:
    torch.set_num_threads(1)
    import torchvision.ops  # noqa: F401
if cv2:
    cv2.setNumThreads(1)


def timed_together(calls, least=0.5, repeats=7):
    """Median seconds per call of each function, timed in turns (one call of each per
    round), so that a load that comes and goes weighs on all of them alike."""
    for f in calls:
        f()
    times = [[] for _ in calls]
    spent = 0.0
    while len(times[0]) < repeats or (spent < least and len(times[0]) < 2000):
        for f, t in zip(calls, times):
            started = time.perf_counter()
            f()
            t.append(time.perf_counter() - started)
            spent += t[-1]
    return [statistics.median(t) for t in times]


def clustered_boxes(count, clusters, rng):
    """Boxes x, y, w, h, score around `clusters` centres (as the Octave benchmark makes them)."""
    centres = np.hstack([2000 * rng.random((clusters, 2)), 40 + 80 * rng.random((clusters, 2))])
    c = centres[np.arange(count) % clusters]
    return np.hstack([np.round(c + 20 * rng.random((count, 4)) - 10), rng.random((count, 1))])


def cases(quick):
    rng = np.random.default_rng(1)
    scale = 4 if quick else 1

    boxes = np.asfortranarray(clustered_boxes(10000 // scale, 200, rng))
    yield ("rectCull", "%d boxes in 200 clusters, threshold 0.5" % len(boxes), lambda: matlab.rectCull(boxes, 0.5))
    if torchvision:
        xyxy = torch.from_numpy(np.hstack([boxes[:, :2], boxes[:, :2] + boxes[:, 2:4]])).float()
        scores = torch.from_numpy(boxes[:, 4]).float()
        yield None, "torchvision.ops.nms", lambda: torchvision.ops.nms(xyxy, scores, 0.5)
    if cv2:
        listed, listedScores = boxes[:, :4].astype(int).tolist(), boxes[:, 4].tolist()
        yield None, "cv2.dnn.NMSBoxes", lambda: cv2.dnn.NMSBoxes(listed, listedScores, 0.0, 0.5)

    # A detector's call: at most 100 boxes, scores of at least 0.3. Peers: the
    # same floor as a mask, then torchvision's nms and a slice; OpenCV's
    # NMSBoxes with the same score_threshold and top_k.
    box_list, score_list = boxes[:, :4], boxes[:, 4].copy()
    yield ("nms, cap and floor", "%d boxes in 200 clusters, max_kept 100, score_floor 0.3, threshold 0.5"
           % len(boxes), lambda: regionkit.nms(box_list, score_list, 0.5, max_kept=100, score_floor=0.3))
    if torchvision:
        above = scores >= 0.3
        yield None, "torchvision.ops.nms of the boxes >= 0.3, then [:100]", lambda: torchvision.ops.nms(
            xyxy[above], scores[above], 0.5)[:100]
    if cv2:
        yield None, "cv2.dnn.NMSBoxes(score_threshold=0.3, top_k=100)", lambda: cv2.dnn.NMSBoxes(
            listed, listedScores, 0.3, 0.5, top_k=100)
    # Soft suppression, Gaussian decay (sigma 0.5), boxes dropped below 0.3.
    yield ("nms, Gaussian decay", "%d boxes in 200 clusters, sigma 0.5, score_floor 0.3" % len(boxes),
           lambda: regionkit.nms(box_list, score_list, 0.5, decay="gaussian", sigma=0.5, score_floor=0.3))
    if cv2:
        yield None, "cv2.dnn.softNMSBoxes(score_threshold=0.3, sigma=0.5)", lambda: cv2.dnn.softNMSBoxes(
            listed, listedScores, 0.3, 0.5, 0, 0.5)
    # torchvision's own rule, in double precision on both sides.
    corners = np.hstack([boxes[:, :2], boxes[:, :2] + boxes[:, 2:4]])
    yield ("nms, plain rule", "%d boxes in 200 clusters, x1, y1, x2, y2, threshold 0.5" % len(boxes),
           lambda: regionkit.nms(corners, score_list, 0.5, rule="plain", box_format="xyxy"))
    if torchvision:
        corners_t, scores_t = torch.from_numpy(corners), torch.from_numpy(score_list)
        yield None, "torchvision.ops.nms (float64)", lambda: torchvision.ops.nms(corners_t, scores_t, 0.5)

    from scipy.spatial.distance import cdist
    n = 1000 // scale
    A, B = np.asfortranarray(rng.random((n, 128))), np.asfortranarray(rng.random((n, 128)))
    yield ("pairMetric", "%d x %d rows of 128, code 2 (Euclidean)" % (n, n), lambda: matlab.pairMetric(A, B, 2))
    yield None, "scipy cdist", lambda: cdist(A, B)
    if torch:
        At, Bt = torch.from_numpy(np.ascontiguousarray(A)), torch.from_numpy(np.ascontiguousarray(B))
        yield None, "torch.cdist (exact sums)", lambda: torch.cdist(
            At, Bt, compute_mode="donot_use_mm_for_euclid_dist")
        yield None, "torch.cdist (matrix product, inexact)", lambda: torch.cdist(At, Bt)
    yield ("pairMetric", "%d x %d rows of 128, code 1 (intersection)" % (n, n), lambda: matlab.pairMetric(A, B, 1))
    yield None, "numpy minimum + sum, 16 rows at a time", lambda: [
        1 - np.minimum(A[i:i + 16, None, :], B[None, :, :]).sum(axis=2) for i in range(0, n, 16)]

    from scipy import ndimage, signal
    side = 512 // (2 if quick else 1)
    image, kernel = np.asfortranarray(rng.random((side, side))), rng.random((11, 11))
    yield ("slideCorr", "A %dx%d, K 11x11" % (side, side), lambda: matlab.slideCorr(image, kernel))
    yield None, "scipy.signal.correlate2d valid", lambda: signal.correlate2d(image, kernel, "valid")
    yield None, "scipy.ndimage.correlate", lambda: ndimage.correlate(image, kernel)
    if cv2:
        imageC = np.ascontiguousarray(image)
        yield None, "cv2.filter2D (DFT, inexact)", lambda: cv2.filter2D(imageC, -1, kernel)
        image32, kernel32 = imageC.astype(np.float32), kernel.astype(np.float32)
        yield None, "cv2.matchTemplate TM_CCORR (single precision)", lambda: cv2.matchTemplate(
            image32, kernel32, cv2.TM_CCORR)

    rows, W, R = 480 // scale, 1000, 200
    words = np.asfortranarray(rng.integers(1, W + 1, (rows, 640)).astype(float))
    regions = np.asfortranarray(rng.integers(0, R + 1, (rows * 640, 4)).astype(float))
    yield ("regionTally", "%dx640 words, 4 memberships each, W 1000, R 200" % rows,
           lambda: matlab.regionTally(words, regions, W, R))
    def keys():
        # The (word, region) pair of every membership as one integer, from the same float arrays.
        located = np.repeat(words.reshape(-1, 1, order="F"), 4, axis=1).astype(np.int64)
        return (located * (R + 1) + regions.astype(np.int64)).ravel()

    def bincount():
        return np.bincount(keys(), minlength=(W + 1) * (R + 1)).reshape(W + 1, R + 1)[1:, 1:]

    def add_at():
        counts = np.zeros((W + 1) * (R + 1))
        np.add.at(counts, keys(), 1)
        return counts.reshape(W + 1, R + 1)[1:, 1:]

    yield None, "numpy bincount", bincount
    yield None, "numpy add.at", add_at

    one = np.ones((1, 1), order="F")
    yield ("binding", "1x1 call: slideCorr(one, one)", lambda: matlab.slideCorr(one, one))
    yield None, "the same from Python floats", lambda: matlab.slideCorr(1.0, 1.0)
    yield None, "numpy.add(one, one), for scale", lambda: np.add(one, one)


def api_cases(quick):
    """(function, data, MATLAB-form call, new call) on the same data."""
    rng = np.random.default_rng(2)
    scale = 4 if quick else 1
    three = np.array([[0, 0, 10, 10, 0.5], [1, 1, 10, 10, 0.9], [100, 100, 5, 5, 0.2]])
    three_f, three_boxes, three_scores = np.asfortranarray(three), three[:, :4].copy(), three[:, 4].copy()
    yield ("rectCull / nms", "3 boxes", lambda: matlab.rectCull(three_f, 0.3),
           lambda: regionkit.nms(three_boxes, three_scores, 0.3))
    five = clustered_boxes(10000 // scale, 200, rng)
    five_f, boxes, scores = np.asfortranarray(five), five[:, :4].copy(), five[:, 4].copy()
    yield ("rectCull / nms", "%d boxes in 200 clusters" % len(five), lambda: matlab.rectCull(five_f, 0.5),
           lambda: regionkit.nms(boxes, scores, 0.5))
    n = 1000 // scale
    A, B = np.asfortranarray(rng.random((n, 128))), np.asfortranarray(rng.random((n, 128)))
    yield ("pairMetric / pairwise_distances", "%d x %d rows of 128, l2" % (n, n),
           lambda: matlab.pairMetric(A, B, 2), lambda: regionkit.pairwise_distances(A, B))
    side = 512 // (2 if quick else 1)
    image, kernel = np.asfortranarray(rng.random((side, side))), rng.random((11, 11))
    yield ("slideCorr / correlate_valid", "A %dx%d, K 11x11" % (side, side),
           lambda: matlab.slideCorr(image, kernel), lambda: regionkit.correlate_valid(image, kernel))
    regions = np.asfortranarray(clustered_boxes(2000, 50, rng)[:, :4])
    candidates = np.asfortranarray(clustered_boxes(200, 50, rng)[:, :4])
    yield ("coverTest / coverage", "200 boxes, 2000 region boxes",
           lambda: matlab.coverTest(regions, candidates), lambda: regionkit.coverage(candidates, regions))
    inside = regionkit.coverage(candidates, regions)
    yield ("rectRefit / refit_boxes", "200 boxes, 2000 region boxes",
           lambda: matlab.rectRefit(candidates, regions, inside, 2000, 2000),
           lambda: regionkit.refit_boxes(candidates, regions, inside, (2000, 2000)))
    rows, W, R = 480 // scale, 1000, 200
    words = rng.integers(0, W, (rows, 640))
    words_1 = words + 1  # the same int64 labels, counted from 1 as MATLAB counts
    labels = np.asfortranarray(rng.integers(0, R + 1, (rows * 640, 4)).astype(float))
    yield ("regionTally / word_histograms", "%dx640 words, 4 memberships each, W 1000, R 200" % rows,
           lambda: matlab.regionTally(words_1, labels, W, R), lambda: regionkit.word_histograms(
               words, labels, W, R))
    one = np.ones((1, 1), order="F")
    yield ("slideCorr / correlate_valid", "1x1", lambda: matlab.slideCorr(one, one),
           lambda: regionkit.correlate_valid(one, one))


def grouped_cases(quick):
    rng = np.random.default_rng(3)
    count, groups_count = 10000 // (4 if quick else 1), 80
    five = clustered_boxes(count, 200, rng)
    boxes, scores = five[:, :4].copy(), five[:, 4].copy()
    groups = rng.integers(0, groups_count, count)

    def loop():
        kept = []
        for g in range(groups_count):
            rows = np.flatnonzero(groups == g)
            kept.append(rows[regionkit.nms(boxes[rows], scores[rows], 0.5)])
        return np.concatenate(kept)

    label = "%d boxes in 200 clusters, %d groups, threshold 0.5" % (count, groups_count)
    yield label, "regionkit.nms(..., groups=groups)", lambda: regionkit.nms(boxes, scores, 0.5, groups=groups)
    yield label, "a Python loop of regionkit.nms, one call per group", loop
    if torchvision:
        xyxy = torch.from_numpy(np.hstack([boxes[:, :2], boxes[:, :2] + boxes[:, 2:4]])).float()
        scores_t, groups_t = torch.from_numpy(scores).float(), torch.from_numpy(groups)
        yield label, "torchvision.ops.batched_nms", lambda: torchvision.ops.batched_nms(xyxy, scores_t, groups_t, 0.5)


def timed_in_both_orders(calls):
    """timed_together, run once in each order: the call timed first in a
    round can gain or lose from what the one before it left behind."""
    forward = timed_together(calls)
    backward = timed_together(calls[::-1])[::-1]
    return [(a + b) / 2 for a, b in zip(forward, backward)]


def print_apis(quick):
    print("\n| function | data | regionkit.matlab | regionkit | difference |\n|---|---|---|---|---|")
    for name, label, old, new in api_cases(quick):
        old_time, new_time = timed_in_both_orders([old, new])
        print("| %s | %s | %s | %s | %+.2f µs (%.2f×) |" % (
            name, label, shown(old_time), shown(new_time), (new_time - old_time) * 1e6, new_time / old_time))
    cases = list(grouped_cases(quick))
    times = timed_in_both_orders([call for _, _, call in cases])
    print("\n| grouped NMS: %s | time | ratio to the grouped call |\n|---|---|---|" % cases[0][0])
    for (_, how, _), took in zip(cases, times):
        print("| %s | %s | %.1f× |" % (how, shown(took), took / times[0]))
    if not torchvision:
        print("| torchvision.ops.batched_nms | not installed | |")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--plot", help="write a bar chart of the ratios to this PNG file")
    parser.add_argument("--quick", action="store_true", help="smaller data, for a fast look")
    parser.add_argument("--apis", action="store_true", help="only the tables of the two APIs and of grouped NMS")
    options = parser.parse_args()

    print("regionkit %s, Python %s, NumPy %s; torchvision %s, OpenCV %s" % (
        regionkit.__version__, sys.version.split()[0], np.__version__,
        torchvision.__version__ if torchvision else "absent", cv2.__version__ if cv2 else "absent"))
    if options.apis:
        print_apis(options.quick)
        return
    print("| function | data | peer | peer time | regionkit | ratio |\n|---|---|---|---|---|---|")
    groups = []
    for name, label, call in cases(options.quick):
        if name is not None:
            groups.append((name, label, [call], []))
        else:
            groups[-1][2].append(call)
            groups[-1][3].append(label)
    ratios = []
    for name, label, calls, peers in groups:
        seconds = timed_together(calls)
        print("| `%s` | %s | | | %s | |" % (name, label, shown(seconds[0])))
        for peer, took in zip(peers, seconds[1:]):
            ratios.append(("%s: %s" % (name, peer), took / seconds[0]))
            print("| | | %s | %s | %s | %.1f× |" % (peer, shown(took), shown(seconds[0]), took / seconds[0]))
    print_apis(options.quick)
    if options.plot:
        plot(ratios, options.plot)


def shown(seconds):
    return "%.2f µs" % (seconds * 1e6) if seconds < 1e-3 else "%.2f ms" % (seconds * 1e3)


def plot(ratios, path):
    import matplotlib
    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
    ratios = [r for r in ratios if not r[0].startswith("binding")]
    figure, axes = plt.subplots(figsize=(9, 0.45 * len(ratios) + 1.2))
    labels, values = zip(*ratios)
    axes.barh(range(len(values)), values, color=["#3a7" if v >= 1 else "#c55" for v in values])
    axes.set_yticks(range(len(values)), labels, fontsize=8)
    axes.invert_yaxis()
    axes.set_xscale("log")
    axes.axvline(1, color="k", linewidth=0.8)
    for i, v in enumerate(values):
        axes.text(v, i, " %.1f×" % v, va="center", fontsize=8)
    axes.set_xlabel("peer time / regionkit time (one thread, same data, same run)")
    axes.set_title("regionkit from Python beside the usual Python choices")
    figure.tight_layout()
    figure.savefig(path, dpi=110)
    print("plot written to %s" % path)


if __name__ == "__main__":
    main()
