"""Box proposals for every image in a folder, written to a CSV file as images finish.

    python3 proposals_for_folder.py FOLDER RESULTS.csv [--threads N]
    python3 proposals_for_folder.py FOLDER RESULTS.csv --scheduler tcp://HOST:8786

The demo's pipeline on each image: colour classes and regions (connected
areas of one class), candidate boxes, coverTest and rectRefit to snap them to
the regions they cover, a score per box, and rectCull to cull the overlapping
ones. RESULTS.csv gets one line per kept box, as proposalsForFolder.m writes
it: ``"image name",x,y,w,h,score``, best first within each image, after the
header line ``image,x,y,w,h,score``.

Images run side by side in a thread pool (every regionkit call releases the
global interpreter lock), or on an existing Dask cluster with ``--scheduler``:
the workers then read the images themselves, so FOLDER must be a path they
reach (a shared file system), and only the boxes come back. Every worker
needs NumPy, SciPy and regionkit.

The lines are written in image order as soon as the images before them are
done, so a stop loses at most the images in flight. Running the same command
again resumes: the images complete in RESULTS.csv are skipped and the rest
appended; the last image in the file is run again, since a crash may have cut
its lines short (they are removed first). Images without boxes and files
that failed leave no line and are tried again. The file is then the same as
one uninterrupted run's.

Images are .npy arrays (H x W or H x W x 3; integers or values in 0..1) and,
with Pillow installed (Debian: python3-pil), .png, .jpg, .jpeg, .tif, .tiff,
.bmp and .gif files. A file that cannot be read or fails is reported by name
and skipped; the run goes on.
"""
from __future__ import annotations

import argparse
import os
import platform
import queue
import re
import sys
import time
import zlib
from concurrent.futures import ThreadPoolExecutor
from dataclasses import dataclass, field
from typing import IO, Any, Callable, Dict, List, Optional, Sequence, Tuple

import numpy as np
from numpy.typing import NDArray
from scipy import ndimage  # type: ignore[import]

import regionkit

Array = NDArray[np.float64]

SUFFIXES = (".npy", ".png", ".jpg", ".jpeg", ".tif", ".tiff", ".bmp", ".gif")
HEADER = b"image,x,y,w,h,score\n"
HUES = np.array([[0.85, 0.15, 0.15], [0.20, 0.70, 0.25], [0.20, 0.30, 0.85], [0.90, 0.85, 0.20],
                 [0.80, 0.20, 0.75]])


# --------------------------------------------------------------------------
# Every call into regionkit is in these two functions.


def snap_to_regions(candidates: Array, region_boxes: Array, height: int, width: int) -> Array:
    """Each candidate refit to the bounding box of the regions it covers (x, y, w, h)."""
    members = regionkit.coverage(candidates, region_boxes)
    return regionkit.refit_boxes(candidates, region_boxes, members, (height, width))


def cull(boxes: Array, scores: Array, threshold: float) -> Tuple[Array, NDArray[np.int64]]:
    """The kept boxes' x, y, w, h (truncated, as culling takes them), best first, and their 0-based rows."""
    keep = regionkit.nms(boxes, scores, threshold)
    return boxes[keep].astype(np.int64).astype(np.float64), keep


# --------------------------------------------------------------------------


class FolderRunError(Exception):
    """A run that cannot start: no images, a results file that is not ours, no scheduler."""


def load(path: str) -> Array:
    """The image at `path` as an H x W x 3 float64 array of values in 0..1."""
    if path.lower().endswith(".npy"):
        img = np.load(path, allow_pickle=False)
    else:
        try:
            from PIL import Image  # type: ignore[import]
        except ImportError:
            raise OSError("reading %s files needs Pillow (Debian: python3-pil)"
                          % os.path.splitext(path)[1]) from None
        with Image.open(path) as opened:
            img = np.asarray(opened.convert("RGB"))
    if img.dtype.kind in "iu":
        img = img / float(np.iinfo(img.dtype).max)
    elif img.dtype.kind == "b":
        img = img.astype(np.float64)
    elif img.dtype.kind != "f":
        raise ValueError("not an image: an array of %s" % img.dtype)
    if img.ndim == 2:
        img = np.repeat(img[:, :, None], 3, axis=2)
    if img.ndim != 3 or img.shape[2] < 1 or 0 in img.shape:
        raise ValueError("not an image: an array of shape %s" % (img.shape,))
    if img.shape[2] < 3:
        img = np.repeat(img[:, :, :1], 3, axis=2)  # grey, or grey and alpha
    return np.asarray(img[:, :, :3], dtype=np.float64)  # an alpha channel is left out


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


def candidate_boxes(region_boxes: Array, H: int, W: int, rng: np.random.Generator,
                    per_region: int = 24, anywhere: int = 30) -> Array:
    """Detector-like candidates: loose boxes around each region, and boxes anywhere."""
    boxes = []
    for b in region_boxes:
        grow = (rng.random((per_region, 4)) * 0.3 - 0.04) * b[[2, 3, 2, 3]]
        boxes.append(np.round(np.column_stack([b[0] - grow[:, 0], b[1] - grow[:, 1],
                                               b[2] + grow[:, 0] + grow[:, 2], b[3] + grow[:, 1] + grow[:, 3]])))
    sizes = 20 + 60 * rng.random((anywhere, 2))
    at = rng.random((anywhere, 2))
    boxes.append(np.round(np.column_stack([at[:, 0] * (W - sizes[:, 0]), at[:, 1] * (H - sizes[:, 1]), sizes])))
    stacked = np.vstack(boxes)
    stacked[:, :2] = np.maximum(stacked[:, :2], 1)
    return stacked


def objectness(boxes: Array, region_map: Array, rng: np.random.Generator) -> Array:
    """The share of a box's pixels that belong to regions, with a little noise, in single precision."""
    H, W = region_map.shape
    inside = np.zeros((H + 1, W + 1))
    inside[1:, 1:] = np.cumsum(np.cumsum(region_map > 0, axis=0), axis=1)
    x0 = np.clip(boxes[:, 0], 1, W + 1).astype(int) - 1
    y0 = np.clip(boxes[:, 1], 1, H + 1).astype(int) - 1
    x1 = np.clip(boxes[:, 0] + boxes[:, 2], 1, W + 1).astype(int) - 1
    y1 = np.clip(boxes[:, 1] + boxes[:, 3], 1, H + 1).astype(int) - 1
    count = inside[y1, x1] - inside[y0, x1] - inside[y1, x0] + inside[y0, x0]
    score = count / np.maximum(boxes[:, 2] * boxes[:, 3], 1) + 0.05 * rng.random(len(boxes))
    # Single precision, as rectCull ranks them: the kept scores then never
    # increase down the list, ties included.
    single: Array = score.astype(np.float32).astype(np.float64)
    return single


def propose(img: Array, name: str) -> Array:
    """The kept boxes of one image: x, y, w, h, score per row, best first."""
    H, W = img.shape[:2]
    rng = np.random.default_rng(zlib.crc32(name.encode("utf-8", "surrogateescape")))
    region_map, region_boxes = regions(colour_classes(img))
    candidates = candidate_boxes(region_boxes, H, W, rng)
    refit = snap_to_regions(candidates, region_boxes, H, W)[:, :4]
    score = objectness(refit, region_map, rng)
    kept, rows = cull(refit, score, 0.5)
    return np.column_stack([kept, score[rows]])


@dataclass
class Outcome:
    """What one image gave: its boxes, or why it failed."""
    name: str
    boxes: Optional[Array] = None
    error: str = ""


def keep_freed_memory() -> None:
    """Lets glibc's malloc keep large freed blocks for reuse in this process.

    Dask's nanny starts its workers with MALLOC_TRIM_THRESHOLD_ set, and any
    such setting pins glibc's threshold for taking large blocks from the
    system at 128 KiB: every image-sized NumPy temporary is then mapped, faulted
    in page by page and unmapped again, which made the pipeline three to four
    times slower in a Dask worker than in a thread. Blocks up to 64 MiB now come
    from the heap, and up to 128 MiB of free heap is kept.
    """
    if not sys.platform.startswith("linux") or platform.libc_ver()[0] != "glibc":
        return
    import ctypes
    mallopt = ctypes.CDLL(None).mallopt
    mallopt(-3, 64 << 20)  # M_MMAP_THRESHOLD
    mallopt(-1, 128 << 20)  # M_TRIM_THRESHOLD


def process(path: str) -> Outcome:
    """One image, start to end; a failure is returned, not raised, so the run goes on."""
    keep_freed_memory()
    name = os.path.basename(path)
    try:
        return Outcome(name, propose(load(path), name))
    except Exception as err:  # any fault of this one file
        return Outcome(name, error="%s: %s" % (type(err).__name__, err))


# --------------------------------------------------------------- results ---

LINE = re.compile(rb'"((?:[^"\n]|"")*)",[^\n]*\n')


def box_lines(outcome: Outcome) -> bytes:
    """The results file's lines for one image (none for a failed image)."""
    if outcome.boxes is None:
        return b""
    quoted = b'"' + os.fsencode(outcome.name).replace(b'"', b'""') + b'"'
    return b"".join(quoted + (",%.10g,%.10g,%.10g,%.10g,%.10g\n" % tuple(row)).encode()
                    for row in outcome.boxes)


def open_results(path: str) -> Tuple[IO[bytes], Dict[str, int]]:
    """The results file opened to append to, and the images complete in it with their box counts.

    A new or empty file gets the header. The lines of the last image named in
    the file (a crash may have cut them short) and a last line without its
    end are removed, so that image is run again.
    """
    try:
        handle = open(path, "ab+")
    except OSError as err:
        raise FolderRunError("cannot write %s: %s" % (path, err.strerror or err)) from None
    try:
        lock(handle, path)
        handle.seek(0)
        text = handle.read()
        if len(text) <= len(HEADER) and HEADER.startswith(text):
            handle.truncate(0)
            handle.write(HEADER)
            handle.flush()
            return handle, {}
        if not text.startswith(HEADER):
            raise FolderRunError("%s exists and is not a results file (its first line is not %r); give "
                                 "another name, or remove it" % (path, HEADER.decode().strip()))
        body = text[len(HEADER):text.rfind(b"\n") + 1]
        counts: Dict[str, int] = {}
        starts: List[Tuple[str, int]] = []
        at = 0
        while at < len(body):
            match = LINE.match(body, at)
            if match is None:
                raise FolderRunError("%s: line %d is not \"image\",x,y,w,h,score; give another name, or "
                                     "remove it" % (path, body.count(b"\n", 0, at) + 2))
            name = os.fsdecode(match.group(1).replace(b'""', b'"'))
            if not starts or starts[-1][0] != name:
                starts.append((name, at))
            counts[name] = counts.get(name, 0) + 1
            at = match.end()
        keep = len(HEADER)
        if starts:
            last, at = starts[-1]
            keep += at
            del counts[last]
        handle.truncate(keep)
        return handle, counts
    except BaseException:
        handle.close()
        raise


def lock(handle: IO[bytes], path: str) -> None:
    """No two runs append to one results file at once (where the system has advisory locks)."""
    try:
        import fcntl
    except ImportError:
        return
    try:
        fcntl.flock(handle.fileno(), fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        raise FolderRunError("another run is writing %s" % path) from None


def image_names(folder: str) -> List[str]:
    """The image files of `folder`, sorted."""
    if not os.path.isdir(folder):
        raise FolderRunError("%s is not a folder" % folder)
    return sorted(name for name in os.listdir(folder)
                  if name.lower().endswith(SUFFIXES) and os.path.isfile(os.path.join(folder, name)))


# ---------------------------------------------------------------- running ---

@dataclass
class Summary:
    """What a run did."""
    images: List[str]
    boxes: Dict[str, int] = field(default_factory=dict)  # per image with boxes written, from before too
    failed: Dict[str, str] = field(default_factory=dict)  # file name: why
    previous: int = 0  # images found complete in the results file
    seconds: float = 0.0  # from the first image sent to the last written (not setting up)
    how: str = ""


class Progress:
    """A tqdm bar on a terminal where tqdm is installed, else a line every few seconds (for logs)."""

    def __init__(self, total: int, initial: int, quiet: bool) -> None:
        self.total, self.done, self.quiet = total, initial, quiet
        self.started = self.shown = time.perf_counter()
        self.bar: Any = None
        if not quiet and sys.stderr.isatty():
            try:
                from tqdm import tqdm  # type: ignore[import]
                self.bar = tqdm(total=total, initial=initial, unit="image", file=sys.stderr, dynamic_ncols=True)
            except ImportError:
                pass

    def advance(self, count: int) -> None:
        self.done += count
        if self.bar is not None:
            self.bar.update(count)
        elif not self.quiet and (time.perf_counter() - self.shown > 5 or self.done == self.total):
            self.shown = time.perf_counter()
            print("proposals_for_folder: %d of %d images, %.0f s" % (self.done, self.total,
                                                                     self.shown - self.started), file=sys.stderr)

    def say(self, text: str) -> None:
        if self.bar is not None:
            self.bar.write(text, file=sys.stderr)
        else:
            print(text, file=sys.stderr)

    def close(self) -> None:
        if self.bar is not None:
            self.bar.close()


Submit = Callable[[str, Callable[[int, Any], None], int], None]


def run_folder(folder: str, results: str, threads: Optional[int] = None, scheduler: Optional[str] = None,
               quiet: bool = False, connect_timeout: float = 10.0) -> Summary:
    """Proposals for every image of `folder`, appended to the CSV file `results`.

    Parameters
    ----------
    folder : str
        The folder of images; with `scheduler`, a path the Dask workers reach.
    results : str
        The CSV file; an existing one is resumed.
    threads : int, optional
        Images at once in a thread pool (default: the processors). Ignored with `scheduler`.
    scheduler : str, optional
        The address of a running Dask scheduler, ``tcp://host:port``.
    quiet : bool
        Only the files that failed are reported.
    connect_timeout : float
        Seconds to wait for the scheduler.

    Returns
    -------
    Summary
        The images, the boxes per image, the files that failed and why.

    Raises
    ------
    FolderRunError
        No images in `folder`, a `results` file that is not one, or a scheduler out of reach.
    """
    names = image_names(folder)
    if not names:
        raise FolderRunError("no images in %s (%s)" % (folder, ", ".join(s[1:] for s in SUFFIXES)))
    odd = [name for name in names if "\n" in name or "\r" in name]
    names = [name for name in names if name not in odd]
    summary = Summary(names)
    for name in odd:
        summary.failed[name] = "a line break in the name cannot be written to the results file"
        print("proposals_for_folder: skipped %r: %s" % (name, summary.failed[name]), file=sys.stderr)
    handle, before = open_results(results)
    with handle:
        summary.boxes = {name: count for name, count in before.items() if name in set(names)}
        todo = [name for name in names if name not in before]
        summary.previous = len(names) - len(todo)
        paths = [os.path.join(os.path.abspath(folder), name) for name in todo]
        if scheduler:
            run_on_dask(paths, handle, summary, scheduler, quiet, connect_timeout)
        else:
            workers = threads or os.cpu_count() or 1
            summary.how = "%d thread%s" % (workers, "" if workers == 1 else "s")
            with ThreadPoolExecutor(workers) as pool:
                def submit(path: str, done: Callable[[int, Any], None], index: int) -> None:
                    pool.submit(process, path).add_done_callback(lambda future: done(index, future))
                write_in_order(paths, submit, lambda: 2 * workers + 2, handle, summary, quiet)
    return summary


def run_on_dask(paths: List[str], handle: IO[bytes], summary: Summary, scheduler: str, quiet: bool,
                connect_timeout: float) -> None:
    try:
        from distributed import Client
    except ImportError:
        raise FolderRunError("--scheduler needs Dask's distributed (Debian: python3-distributed)") from None
    try:
        connect: Any = Client  # (untyped)
        client = connect(scheduler, timeout=connect_timeout, set_as_default=False)
    except (OSError, TimeoutError, ValueError) as err:
        raise FolderRunError("cannot reach the Dask scheduler at %s: %s" % (scheduler, err)) from None
    with client:
        def slots() -> int:  # worker threads now (workers may come and go)
            return sum(w.get("nthreads", 1) for w in client.scheduler_info()["workers"].values())
        summary.how = "Dask at %s, %d worker thread%s at the start" % (scheduler, slots(),
                                                                       "" if slots() == 1 else "s")

        def submit(path: str, done: Callable[[int, Any], None], index: int) -> None:
            # pure=False: a path is run again if asked again (the file may have changed).
            client.submit(process, path, pure=False).add_done_callback(lambda future: done(index, future))
        def waiting() -> str:
            count = len(client.scheduler_info()["workers"])
            return "no image finished for a minute; %d Dask worker%s at %s" % (
                count, "" if count == 1 else "s", scheduler)
        write_in_order(paths, submit, lambda: 2 * slots() + 2, handle, summary, quiet, waiting)


def write_in_order(paths: List[str], submit: Submit, window: Callable[[], int], handle: IO[bytes], summary: Summary,
                   quiet: bool, waiting: Optional[Callable[[], str]] = None) -> None:
    """Runs every path, at most `window()` ahead of the first one not yet written, and writes in order.

    `waiting` says what is going on when no image has finished for a minute.
    """
    started = time.perf_counter()
    finished: "queue.Queue[Tuple[int, Any]]" = queue.Queue()
    progress = Progress(len(summary.images), summary.previous, quiet)
    ready: Dict[int, Outcome] = {}
    written = submitted = 0
    try:
        while written < len(paths):
            ahead = window()
            while submitted < len(paths) and submitted < written + ahead:
                submit(paths[submitted], lambda index, future: finished.put((index, future)), submitted)
                submitted += 1
            try:
                index, future = finished.get(timeout=60)
            except queue.Empty:
                if waiting is not None:
                    progress.say("proposals_for_folder: %s" % waiting())
                continue
            try:
                ready[index] = future.result()
            except Exception as err:
                # process() returns its failures, so this is the machinery's:
                # an image whose Dask workers died again and again is left out,
                # anything else (a lost scheduler) ends the run.
                if type(err).__name__ != "KilledWorker":
                    raise FolderRunError("the run stopped after %d of %d images (%s: %s); the same command "
                                         "resumes it" % (summary.previous + written, len(summary.images),
                                                         type(err).__name__, err)) from err
                ready[index] = Outcome(os.path.basename(paths[index]), error="%s: %s" % (type(err).__name__, err))
            start = written
            while written in ready:
                outcome = ready.pop(written)
                handle.write(box_lines(outcome))
                if outcome.error:
                    summary.failed[outcome.name] = outcome.error
                    progress.say("proposals_for_folder: skipped %s: %s" % (outcome.name, outcome.error))
                elif outcome.boxes is not None and len(outcome.boxes):
                    summary.boxes[outcome.name] = len(outcome.boxes)
                written += 1
            if written > start:
                handle.flush()
                progress.advance(written - start)
    finally:
        progress.close()
        summary.seconds = time.perf_counter() - started


# ------------------------------------------------------------ synthetic ---

def synthetic(folder: str, count: int, H: int = 480, W: int = 640) -> None:
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


def main(argv: Optional[Sequence[str]] = None) -> int:
    parser = argparse.ArgumentParser(description=(__doc__ or "").splitlines()[0])
    parser.add_argument("folder", help="the folder of images")
    parser.add_argument("results", help="the CSV file to write; an existing one is resumed")
    parser.add_argument("--threads", type=int, metavar="N", help="images at once (default: the processors)")
    parser.add_argument("--scheduler", metavar="ADDRESS",
                        help="run on the Dask cluster of this scheduler (tcp://host:port)")
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
        summary = run_folder(options.folder, options.results, options.threads, options.scheduler,
                             options.quiet, options.connect_timeout)
    except FolderRunError as err:
        print("proposals_for_folder: error: %s" % err, file=sys.stderr)
        return 2
    if not options.quiet:
        done = len(summary.images) - summary.previous
        print("proposals_for_folder: wrote %s: %d boxes of %d images (%d of them from before), %d skipped, "
              "%.1f s with %s (%.2f images/s)" % (
                  options.results, sum(summary.boxes.values()), len(summary.boxes), summary.previous,
                  len(summary.failed), summary.seconds, summary.how, done / max(summary.seconds, 1e-9)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
