"""Box proposals for every image in a folder, with threads or a Dask cluster.

    python3 proposals_for_folder.py FOLDER [--workers 1 2] [--dask [SCHEDULER]]
    python3 proposals_for_folder.py --synthetic 48 --workers 1 2 --dask

The demo's pipeline on each image: colour classes and regions (connected
areas of one class), visual words, candidate boxes, coverTest and rectRefit
to snap them to the regions they cover, rectCull to cull the overlapping
ones, regionTally and pairMetric for the two most alike regions, and
slideCorr for a normalized cross-correlation with a template.

Every regionkit call releases the global interpreter lock, so a thread pool
(concurrent.futures) runs images side by side on one machine. The same
function goes to Dask's distributed scheduler unchanged: --dask starts a
local cluster of the given worker count, --dask tcp://host:8786 uses a
running cluster's scheduler (every worker needs regionkit installed).
Images are .npy arrays (H x W x 3, values 0 to 1) or, with OpenCV or
matplotlib installed, PNG and JPEG files. --synthetic N writes N scenes to
FOLDER (a temporary folder when none is given) and runs on them.
"""
import argparse
import os
import sys
import tempfile
import time
import zlib
from concurrent.futures import ThreadPoolExecutor

import numpy as np
from scipy import ndimage

import regionkit

HUES = np.array([[0.85, 0.15, 0.15], [0.20, 0.70, 0.25], [0.20, 0.30, 0.85], [0.90, 0.85, 0.20],
                 [0.80, 0.20, 0.75]])
WORDS = 8 * 5


def load(path):
    if path.endswith(".npy"):
        return np.load(path)
    try:
        import cv2
        return cv2.imread(path)[:, :, ::-1] / 255.0
    except ImportError:
        from matplotlib.image import imread
        img = imread(path)
        return (img / 255.0 if img.dtype == np.uint8 else img)[:, :, :3]


def colour_classes(img):
    """Eight classes: grey, dark and white for unsaturated pixels, else the nearest of five hues."""
    top, bottom = img.max(axis=2), img.min(axis=2)
    chroma = img / np.maximum(top, 1e-12)[:, :, None]
    hue = HUES / HUES.max(axis=1, keepdims=True)
    best, nearest = np.full(top.shape, np.inf), np.zeros(top.shape, np.int64)
    for k, h in enumerate(hue):
        d = (chroma[:, :, 0] - h[0]) ** 2 + (chroma[:, :, 1] - h[1]) ** 2 + (chroma[:, :, 2] - h[2]) ** 2
        closer = d < best
        best[closer], nearest[closer] = d[closer], k
    classes = nearest + 4
    grey = (top - bottom) < 0.18
    classes[grey] = 1
    classes[grey & (top < 0.3)] = 2
    classes[grey & (bottom > 0.85)] = 3
    return classes


def regions(classes, min_area=40, most=60):
    """Region map (0 or 1..R) and region boxes x, y, w, h (1-based, inclusive), largest first."""
    H, W = classes.shape
    labels, count = np.zeros((H, W), np.int64), 0
    for c in range(1, 9):
        found, n = ndimage.label(classes == c)
        labels[found > 0] = found[found > 0] + count
        count += n
    areas = np.bincount(labels.ravel(), minlength=count + 1)
    slices = ndimage.find_objects(labels)
    found = []
    for k, s in enumerate(slices, 1):
        h, w = s[0].stop - s[0].start, s[1].stop - s[1].start
        if areas[k] >= min_area and h * w < 0.5 * H * W:
            found.append((areas[k], k, [s[1].start + 1, s[0].start + 1, w, h]))
    found = sorted(found, key=lambda f: -f[0])[:most]
    number = np.zeros(count + 1)
    for r, (_, k, _) in enumerate(found, 1):
        number[k] = r
    return number[labels], np.array([f[2] for f in found], float).reshape(-1, 4)


def visual_words(grey, classes):
    """Word = colour class x gradient direction (flat, or one of four directions)."""
    gx, gy = np.zeros_like(grey), np.zeros_like(grey)
    gx[:, 1:-1] = (grey[:, 2:] - grey[:, :-2]) / 2
    gy[1:-1, :] = (grey[2:, :] - grey[:-2, :]) / 2
    direction = 1 + np.mod(np.round(np.arctan2(gy, gx) / (np.pi / 4)), 4)
    direction[np.hypot(gx, gy) < 0.04] = 0
    return (classes - 1) * 5 + direction + 1


def proposals(region_boxes, H, W, rng, per_region=24, anywhere=30):
    """Loose boxes around each region, and boxes anywhere."""
    boxes = []
    for b in region_boxes:
        grow = (rng.random((per_region, 4)) * 0.3 - 0.04) * b[[2, 3, 2, 3]]
        boxes.append(np.round(np.column_stack([b[0] - grow[:, 0], b[1] - grow[:, 1],
                                               b[2] + grow[:, 0] + grow[:, 2], b[3] + grow[:, 1] + grow[:, 3]])))
    sizes = 20 + 60 * rng.random((anywhere, 2))
    at = rng.random((anywhere, 2))
    boxes.append(np.round(np.column_stack([at[:, 0] * (W - sizes[:, 0]), at[:, 1] * (H - sizes[:, 1]), sizes])))
    boxes = np.vstack(boxes)
    boxes[:, :2] = np.maximum(boxes[:, :2], 1)
    return boxes


def objectness(boxes, region_map, rng):
    """The share of a box's pixels that belong to regions, with a little noise."""
    H, W = region_map.shape
    inside = np.zeros((H + 1, W + 1))
    inside[1:, 1:] = np.cumsum(np.cumsum(region_map > 0, axis=0), axis=1)
    x0 = np.clip(boxes[:, 0], 1, W + 1).astype(int) - 1
    y0 = np.clip(boxes[:, 1], 1, H + 1).astype(int) - 1
    x1 = np.clip(boxes[:, 0] + boxes[:, 2], 1, W + 1).astype(int) - 1
    y1 = np.clip(boxes[:, 1] + boxes[:, 3], 1, H + 1).astype(int) - 1
    count = inside[y1, x1] - inside[y0, x1] - inside[y1, x0] + inside[y0, x0]
    return count / np.maximum(boxes[:, 2] * boxes[:, 3], 1) + 0.05 * rng.random(len(boxes))


def process(path):
    """The pipeline on one image; a short summary of what it found."""
    img = load(path)
    H, W = img.shape[:2]
    rng = np.random.default_rng(zlib.crc32(os.path.basename(path).encode()))
    classes = colour_classes(img)
    region_map, region_boxes = regions(classes)
    grey = np.asfortranarray(img.mean(axis=2))
    words = visual_words(grey, classes)
    R = len(region_boxes)

    candidates = proposals(region_boxes, H, W, rng)
    members = regionkit.coverTest(region_boxes, candidates)
    refit = regionkit.rectRefit(candidates, region_boxes, members, H, W)
    score = objectness(refit, region_map, rng)
    kept = regionkit.rectCull(np.column_stack([refit, score]), 0.5)

    similar = None
    if R >= 2:
        counts = regionkit.regionTally(words, region_map, WORDS, R, nargout=1)
        histograms = (counts / np.maximum(counts.sum(axis=0), 1)).T
        d = regionkit.pairMetric(histograms, histograms, 1).reshape(R, R)  # d[i, j]: regions i and j
        np.fill_diagonal(d, np.inf)
        i, j = np.unravel_index(np.argmin(d), d.shape)
        similar = (int(i) + 1, int(j) + 1)

    match = None
    if R >= 1:
        x, y, w, h = region_boxes[0].astype(int)
        side = max(8, min(32, w, h))
        top, left = y - 1 + (h - side) // 2, x - 1 + (w - side) // 2
        template = grey[top:top + side, left:left + side]
        t0 = template - template.mean()
        ones = np.ones(template.shape)
        sums, s1 = regionkit.slideCorr(grey, t0), regionkit.slideCorr(grey, ones)
        s2 = regionkit.slideCorr(grey ** 2, ones)
        ncc = sums / np.sqrt(np.maximum(s2 - s1 ** 2 / t0.size, 1e-12) * (t0 ** 2).sum())
        at = int(np.argmax(ncc))
        match = (at // (H - side + 1) + 1, at % (H - side + 1) + 1)  # x, y, 1-based
    return {"image": os.path.basename(path), "regions": R, "candidates": len(candidates),
            "kept": len(kept), "similar": similar, "match": match}


def synthetic(folder, count, H=480, W=640):
    """Writes `count` scenes of textured objects on a grey ground, as .npy files."""
    os.makedirs(folder, exist_ok=True)
    Y, X = np.mgrid[1:H + 1, 1:W + 1]
    for n in range(count):
        rng = np.random.default_rng(n)
        img = np.tile([0.56, 0.57, 0.58], (H, W, 1)) * (0.92 + 0.08 * Y / H)[:, :, None]
        for _ in range(rng.integers(6, 14)):
            cx, cy, a, b = rng.random() * W, rng.random() * H, 15 + rng.random() * 60, 15 + rng.random() * 50
            mask = (np.abs(X - cx) < a) & (np.abs(Y - cy) < b) if rng.random() < 0.5 else \
                ((X - cx) / a) ** 2 + ((Y - cy) / b) ** 2 <= 1
            texture = [np.ones((H, W)), 1 - 0.4 * ((Y // 5) % 2), 1 - 0.4 * ((X // 4) % 2),
                       1 - 0.45 * ((X // 6 + Y // 6) % 2)][rng.integers(4)]
            img[mask] = HUES[rng.integers(5)] * texture[mask][:, None]
        img = np.clip(img + 0.03 * rng.standard_normal(img.shape), 0, 1)
        np.save(os.path.join(folder, "scene%03d.npy" % n), img)


def with_threads(paths, workers, repeats):
    """The results, and the shortest of `repeats` runs over all paths."""
    took = []
    with ThreadPoolExecutor(workers) as pool:
        for _ in range(repeats):
            started = time.perf_counter()
            results = list(pool.map(process, paths))
            took.append(time.perf_counter() - started)
    return results, min(took)


def with_dask(paths, workers, scheduler, repeats):
    """The results, and the shortest of `repeats` runs over all paths."""
    from distributed import Client, LocalCluster
    if scheduler:
        client, cluster = Client(scheduler), None
    else:
        cluster = LocalCluster(n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=None)
        client = Client(cluster)
    try:
        client.submit(process, paths[0]).result()  # workers warmed up: imports and first call
        took = []
        for _ in range(repeats):
            started = time.perf_counter()
            results = client.gather(client.map(process, paths, pure=False))
            took.append(time.perf_counter() - started)
        return results, min(took)
    finally:
        client.close()
        if cluster is not None:
            cluster.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", nargs="?", help="folder of .npy, .png or .jpg images")
    parser.add_argument("--workers", type=int, nargs="+", default=[1, 2], help="worker counts to run with")
    parser.add_argument("--synthetic", type=int, metavar="N", help="write N synthetic scenes to the folder first")
    parser.add_argument("--repeat", type=int, default=3, metavar="N",
                        help="runs per setting; the fastest counts (default 3)")
    parser.add_argument("--dask", nargs="?", const="", metavar="SCHEDULER",
                        help="also run on Dask: a local cluster, or the scheduler at this address")
    options = parser.parse_args()
    if options.folder is None and not options.synthetic:
        parser.error("give a folder, or --synthetic N")
    if options.folder is None:
        with tempfile.TemporaryDirectory(prefix="regionkit-scenes-") as folder:
            synthetic(folder, options.synthetic)
            return run(parser, options, folder)
    if options.synthetic:
        synthetic(options.folder, options.synthetic)
    return run(parser, options, options.folder)


def run(parser, options, folder):
    paths = sorted(os.path.join(folder, f) for f in os.listdir(folder)
                   if f.lower().endswith((".npy", ".png", ".jpg", ".jpeg")))
    if not paths:
        parser.error("no images in %s" % folder)

    print("%d images in %s; images per second, fastest of %d runs:" % (len(paths), folder, options.repeat))
    process(paths[0])  # imports and first call out of the timings
    reference = None
    for workers in options.workers:
        results, took = with_threads(paths, workers, options.repeat)
        print("  threads, %d worker%s: %6.1f images/s  (%.2f s)" % (
            workers, "" if workers == 1 else "s", len(paths) / took, took))
        reference = reference or results
        assert results == reference, "results differ between worker counts"
    if options.dask is not None:
        try:
            import distributed  # noqa: F401
        except ImportError:
            print("  Dask: not installed (pip install distributed, or Debian's python3-distributed)")
            options.dask = None
    if options.dask is not None:
        for workers in options.workers:
            results, took = with_dask(paths, workers, options.dask, options.repeat)
            print("  Dask distributed, %d worker%s: %6.1f images/s  (%.2f s)" % (
                workers, "" if workers == 1 else "s", len(paths) / took, took))
            assert results == reference, "Dask's results differ from the threads'"
    first = reference[0]
    print("  %s: %d regions, %d candidates, %d kept after rectCull, most alike regions %s, template at %s" % (
        first["image"], first["regions"], first["candidates"], first["kept"], first["similar"], first["match"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
