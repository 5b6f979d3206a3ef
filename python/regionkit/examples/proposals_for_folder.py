"""Box proposals for every image in a folder, written to a CSV file as images finish.

    regionkit-proposals FOLDER RESULTS.csv [--threads N]
    regionkit-proposals FOLDER RESULTS.csv --scheduler tcp://HOST:8786

The demo's pipeline on each image: colour classes and regions (connected
areas of one class), candidate boxes, regionkit.coverage and refit_boxes to
snap them to the regions they cover, a score per box, and regionkit.nms to
cull the overlapping ones. RESULTS.csv gets one line per kept box,
``"image name",x,y,w,h,score``, best first within each image, as
proposalsForFolder.m writes it; regionkit.folders runs the images (threads,
or a Dask cluster whose workers reach FOLDER), writes them in order and
resumes a stopped run. Needs SciPy.
"""
from __future__ import annotations

import argparse
import os
import sys
import zlib
from typing import Optional, Sequence, Tuple

import numpy as np
from numpy.typing import NDArray
from scipy import ndimage  # type: ignore[import]

import regionkit
from regionkit import folders
from regionkit.examples.scenes import HUES, synthetic

Array = NDArray[np.float64]
COLUMNS = ("x", "y", "w", "h", "score")


def colour_classes(img: Array) -> NDArray[np.int64]:
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


def regions(classes: NDArray[np.int64], min_area: int = 40, most: int = 60) -> Tuple[Array, Array]:
    """Region map (0 or 1..R) and region boxes x, y, w, h (1-based, inclusive), largest first."""
    H, W = classes.shape
    labels, count = np.zeros((H, W), np.int64), 0
    for c in range(1, 9):
        found, n = ndimage.label(classes == c)
        labels[found > 0] = found[found > 0] + count
        count += n
    areas = np.bincount(labels.ravel(), minlength=count + 1)
    kept = []
    for k, s in enumerate(ndimage.find_objects(labels), 1):
        h, w = s[0].stop - s[0].start, s[1].stop - s[1].start
        if areas[k] >= min_area and h * w < 0.5 * H * W:
            kept.append((-int(areas[k]), k, [s[1].start + 1, s[0].start + 1, w, h]))
    kept = sorted(kept)[:most]  # largest first; equal areas in label order
    number = np.zeros(count + 1)
    for r, (_, k, _) in enumerate(kept, 1):
        number[k] = r
    return number[labels], np.array([b for _, _, b in kept], float).reshape(-1, 4)


def candidate_boxes(region_boxes: Array, H: int, W: int, rng: np.random.Generator) -> Array:
    """Detector-like candidates: 24 loose boxes around each region, and 30 boxes anywhere."""
    boxes = []
    for b in region_boxes:
        grow = (rng.random((24, 4)) * 0.3 - 0.04) * b[[2, 3, 2, 3]]
        boxes.append(np.round(np.column_stack([b[0] - grow[:, 0], b[1] - grow[:, 1],
                                               b[2] + grow[:, 0] + grow[:, 2], b[3] + grow[:, 1] + grow[:, 3]])))
    sizes, at = 20 + 60 * rng.random((30, 2)), rng.random((30, 2))
    boxes.append(np.round(np.column_stack([at[:, 0] * (W - sizes[:, 0]), at[:, 1] * (H - sizes[:, 1]), sizes])))
    stacked = np.vstack(boxes)
    stacked[:, :2] = np.maximum(stacked[:, :2], 1)
    return stacked


def objectness(boxes: Array, region_map: Array, rng: np.random.Generator) -> Array:
    """The share of a box's pixels that belong to regions, with a little noise, in single precision."""
    H, W = region_map.shape
    inside = np.zeros((H + 1, W + 1))
    inside[1:, 1:] = np.cumsum(np.cumsum(region_map > 0, axis=0), axis=1)
    x0, x1 = (np.clip(v, 1, W + 1).astype(int) - 1 for v in (boxes[:, 0], boxes[:, 0] + boxes[:, 2]))
    y0, y1 = (np.clip(v, 1, H + 1).astype(int) - 1 for v in (boxes[:, 1], boxes[:, 1] + boxes[:, 3]))
    count = inside[y1, x1] - inside[y0, x1] - inside[y1, x0] + inside[y0, x0]
    score = count / np.maximum(boxes[:, 2] * boxes[:, 3], 1) + 0.05 * rng.random(len(boxes))
    # Single precision, as nms ranks them: kept scores never increase down the list.
    single: Array = score.astype(np.float32).astype(np.float64)
    return single


def propose(path: str) -> Array:
    """The kept boxes of one image file: x, y, w, h, score per row, best first."""
    img = folders.read_image(path)
    H, W = img.shape[:2]
    rng = np.random.default_rng(zlib.crc32(os.path.basename(path).encode("utf-8", "surrogateescape")))
    region_map, region_boxes = regions(colour_classes(img))
    candidates = candidate_boxes(region_boxes, H, W, rng)
    members = regionkit.coverage(candidates, region_boxes)
    refit = regionkit.refit_boxes(candidates, region_boxes, members, (H, W))
    score = objectness(refit, region_map, rng)
    keep = regionkit.nms(refit, score, 0.5)
    return np.column_stack([refit[keep].astype(np.int64), score[keep]])


def main(argv: Optional[Sequence[str]] = None) -> int:
    """The command: ``regionkit-proposals FOLDER RESULTS.csv [options]``; 2 when the run cannot start."""
    parser = argparse.ArgumentParser(prog="regionkit-proposals", description=(__doc__ or "").splitlines()[0])
    parser.add_argument("folder", help="the folder of images")
    parser.add_argument("results", help="the CSV file to write; an existing one is resumed")
    parser.add_argument("--threads", type=int, metavar="N", help="images at once (default: the processors)")
    parser.add_argument("--scheduler", metavar="ADDRESS", help="run on this Dask scheduler (tcp://host:port)")
    parser.add_argument("--connect-timeout", type=float, default=10.0, metavar="SECONDS",
                        help="how long to wait for the scheduler (default 10)")
    parser.add_argument("--synthetic", type=int, metavar="N", help="write N synthetic scenes to FOLDER first")
    parser.add_argument("--quiet", action="store_true", help="report only the files that fail")
    options = parser.parse_args(argv)
    if options.threads is not None and options.threads < 1:
        parser.error("--threads must be at least 1")
    if options.synthetic:
        synthetic(options.folder, options.synthetic)
    try:
        run = folders.run_folder(options.folder, options.results, propose, COLUMNS, threads=options.threads,
                                 scheduler=options.scheduler, connect_timeout=options.connect_timeout,
                                 quiet=options.quiet, label="regionkit-proposals")
    except folders.FolderRunError as err:
        print("regionkit-proposals: error: %s" % err, file=sys.stderr)
        return 2
    if not options.quiet:
        print("regionkit-proposals: wrote %s: %d boxes of %d images (%d of them from before), %d skipped, "
              "%.1f s with %s" % (options.results, sum(run.rows.values()), len(run.rows), run.previous,
                                  len(run.failed), run.seconds, run.how))
    return 0


if __name__ == "__main__":
    sys.exit(main())
