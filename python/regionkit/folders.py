"""Run a per-image function over every image of a folder, into one CSV file.

:func:`run_folder` calls a function of yours on every image file of a
folder, side by side on threads or on a Dask cluster, and writes the rows it
returns to one results file in image order as soon as the images before them
are done, so that a stop loses at most the images in flight and the same call
resumes where it stopped. A file that fails is reported and skipped; the run
goes on.

The results file
----------------
The one rule for the file, which ``examples/proposalsForFolder.m`` follows
too:

1. Text, lines ending in ``\\n``. The first line is the header:
   ``image`` and the column names, separated by commas.
2. Then a line per row a function returned: the image's file name in double
   quotes (a quote in it doubled), then the row's values as ``%.10g``,
   separated by commas. The lines of one image are together, best first as
   the function ordered them; images are in sorted order of their names.
   An image that gave no rows, or failed, has no line.
3. Resuming: the images complete in the file are those named in it before
   the last one named (a stop may have cut that one's lines short, and a
   last line without its end is not whole). The file is first cut back to
   the header and the lines of the complete images (this module truncates
   it in place, holding a lock on it so that two runs never write one
   file; the Octave example writes the kept lines beside it and renames
   them over it); the other images are then appended. An empty file, or
   one holding part of the header, gets the header alone.
4. A file that does not begin with the header, or holds a line not of the
   form above, is refused and left as it is.

A run that completes therefore leaves the same file however often it was
stopped and resumed, with threads or a cluster.
"""
from __future__ import annotations

import os
import platform
import queue
import re
import sys
import time
from concurrent.futures import ThreadPoolExecutor
from dataclasses import dataclass, field
from typing import IO, Any, Callable, Dict, List, Optional, Sequence, Tuple

import numpy as np
import numpy.typing as npt

__all__ = ["run_folder", "read_image", "image_names", "FolderRun", "FolderRunError", "IMAGE_SUFFIXES"]

IMAGE_SUFFIXES: Tuple[str, ...] = (".npy", ".png", ".jpg", ".jpeg", ".tif", ".tiff", ".bmp", ".gif")

# One line of the results file: the quoted name, then anything to the line's end.
_LINE = re.compile(rb'"((?:[^"\n]|"")*)",[^\n]*\n')

ImageFunction = Callable[[str], npt.ArrayLike]


class FolderRunError(Exception):
    """A run that cannot start or go on: no images, a results file that is not one, no scheduler."""


@dataclass
class FolderRun:
    """What a run did.

    Attributes
    ----------
    images : list of str
        The image files of the folder, sorted.
    rows : dict
        The number of rows written per image that gave any, those found in
        the results file from before included.
    failed : dict
        Why each file that failed did.
    previous : int
        The images found complete in the results file.
    seconds : float
        From the first image sent to the last written.
    how : str
        What ran the images (threads or a Dask scheduler).
    """

    images: List[str]
    rows: Dict[str, int] = field(default_factory=dict)
    failed: Dict[str, str] = field(default_factory=dict)
    previous: int = 0
    seconds: float = 0.0
    how: str = ""


@dataclass
class _Outcome:
    name: str
    rows: Optional[npt.NDArray[np.float64]] = None
    error: str = ""


def read_image(path: str) -> npt.NDArray[np.float64]:
    """An image file as an H x W x 3 float64 array of values from 0 to 1.

    Parameters
    ----------
    path : str
        A ``.npy`` array (H x W or H x W x C; integers, bools or values in
        0..1), or, with Pillow installed, any image file it reads.

    Returns
    -------
    image : ndarray of float64, shape (H, W, 3)
        Grey images repeated in the three channels; an alpha channel left out.

    Raises
    ------
    OSError
        The file cannot be read (or needs Pillow, which is missing).
    ValueError
        The file holds no image.
    """
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
        img = img[:, :, None]
    if img.ndim != 3 or 0 in img.shape:
        raise ValueError("not an image: an array of shape %s" % (img.shape,))
    if img.shape[2] < 3:
        img = np.repeat(img[:, :, :1], 3, axis=2)  # grey, or grey and alpha
    return np.asarray(img[:, :, :3], dtype=np.float64)


def image_names(folder: str, suffixes: Sequence[str] = IMAGE_SUFFIXES) -> List[str]:
    """The files of `folder` whose names end in one of `suffixes` (any case), sorted.

    Parameters
    ----------
    folder : str
        The folder.
    suffixes : sequence of str, optional
        The endings of image files, ``.npy`` and the common image formats by default.

    Returns
    -------
    names : list of str
        The file names, without the folder.

    Raises
    ------
    FolderRunError
        `folder` is not a folder.
    """
    if not os.path.isdir(folder):
        raise FolderRunError("%s is not a folder" % folder)
    ends = tuple(s.lower() for s in suffixes)
    return sorted(name for name in os.listdir(folder)
                  if name.lower().endswith(ends) and os.path.isfile(os.path.join(folder, name)))


def _keep_freed_memory() -> None:
    """Lets glibc's malloc keep large freed blocks for reuse in this process.

    Dask's nanny starts its workers with MALLOC_TRIM_THRESHOLD_ set, which pins
    glibc's threshold for mapping fresh memory at 128 KiB: every image-sized
    NumPy temporary is then mapped, faulted in and unmapped again, three to
    four times slower than in a plain process. Blocks up to 64 MiB now come
    from the heap, and up to 128 MiB of free heap is kept.
    """
    if not sys.platform.startswith("linux") or platform.libc_ver()[0] != "glibc":
        return
    import ctypes
    mallopt = ctypes.CDLL(None).mallopt
    mallopt(-3, 64 << 20)  # M_MMAP_THRESHOLD
    mallopt(-1, 128 << 20)  # M_TRIM_THRESHOLD


def _run_one(function: ImageFunction, path: str, width: int) -> _Outcome:
    """One image, start to end; a failure is returned, not raised, so the run goes on."""
    _keep_freed_memory()
    name = os.path.basename(path)
    try:
        rows = np.asarray(function(path), dtype=np.float64)
        if rows.ndim != 2 or rows.shape[1] != width:
            raise ValueError("the function returned an array of shape %s, not (rows, %d)" % (rows.shape, width))
        return _Outcome(name, rows)
    except Exception as err:  # any fault of this one file
        return _Outcome(name, error="%s: %s" % (type(err).__name__, err))


def _lines(outcome: _Outcome) -> bytes:
    """The results file's lines of one image (none for a failed image)."""
    if outcome.rows is None:
        return b""
    quoted = b'"' + os.fsencode(outcome.name).replace(b'"', b'""') + b'"'
    return b"".join(quoted + b"".join(b",%s" % (b"%.10g" % v) for v in row) + b"\n" for row in outcome.rows)


def _resume(handle: IO[bytes], path: str, header: bytes) -> Dict[str, int]:
    """Cuts the locked results file back to its complete images (rule 3) and returns their row counts."""
    handle.seek(0)
    text = handle.read()
    counts: Dict[str, int] = {}
    if len(text) <= len(header) and header.startswith(text):
        kept = 0
    elif not text.startswith(header):
        raise FolderRunError("%s exists and is not a results file (its first line is not %r); give another "
                             "name, or remove it" % (path, header.decode().strip()))
    else:
        body = text[len(header):text.rfind(b"\n") + 1]
        last_start, last, at = 0, "", 0
        while at < len(body):
            match = _LINE.match(body, at)
            if match is None:
                raise FolderRunError("%s: line %d is not \"image\",%s; give another name, or remove it"
                                     % (path, body.count(b"\n", 0, at) + 2, header.decode().strip()[6:]))
            name = os.fsdecode(match.group(1).replace(b'""', b'"'))
            if name != last:
                last_start, last = at, name
            counts[name] = counts.get(name, 0) + 1
            at = match.end()
        counts.pop(last, None)
        kept = len(header) + last_start
    handle.truncate(kept)
    if kept == 0:
        handle.write(header)
    handle.flush()
    return counts


def _open_results(path: str, header: bytes) -> Tuple[IO[bytes], Dict[str, int]]:
    """The results file, locked, cut back and open to append to, and its complete images' row counts."""
    try:
        handle = open(path, "ab+")
    except OSError as err:
        raise FolderRunError("cannot write %s: %s" % (path, err.strerror or err)) from None
    try:
        _lock(handle, path)
        return handle, _resume(handle, path, header)
    except BaseException:
        handle.close()
        raise


def _lock(handle: IO[bytes], path: str) -> None:
    """No two runs write one results file at once (where the system has advisory locks)."""
    try:
        import fcntl
    except ImportError:
        return
    try:
        fcntl.flock(handle.fileno(), fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        raise FolderRunError("another run is writing %s" % path) from None


class _Progress:
    """A tqdm bar on a terminal where tqdm is installed, else a line every few seconds (for logs)."""

    def __init__(self, label: str, total: int, initial: int, quiet: bool) -> None:
        self.label, self.total, self.done, self.quiet = label, total, initial, quiet
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
            print("%s: %d of %d images, %.0f s" % (self.label, self.done, self.total, self.shown - self.started),
                  file=sys.stderr)

    def say(self, text: str) -> None:
        if self.bar is not None:
            self.bar.write("%s: %s" % (self.label, text), file=sys.stderr)
        else:
            print("%s: %s" % (self.label, text), file=sys.stderr)

    def close(self) -> None:
        if self.bar is not None:
            self.bar.close()


# submit(index, path, done): starts one image; done(index, future) is called when it ends.
_Submit = Callable[[int, str, Callable[[int, Any], None]], None]


def run_folder(folder: str, results: str, function: ImageFunction, columns: Sequence[str], *,
               suffixes: Sequence[str] = IMAGE_SUFFIXES, threads: Optional[int] = None,
               scheduler: Optional[str] = None, connect_timeout: float = 10.0, quiet: bool = False,
               label: str = "regionkit") -> FolderRun:
    """Calls `function` on every image of `folder` and writes the rows it returns to `results`.

    Parameters
    ----------
    folder : str
        The folder of images; with `scheduler`, a path the Dask workers reach.
    results : str
        The CSV file, written as the module's docstring describes; an
        existing one is resumed.
    function : callable
        ``function(path)`` gives the rows of one image: an array of shape
        (K, len(columns)), K may be 0. An exception fails that image alone.
        With `scheduler`, it must be picklable (a function of a module the
        workers import, or of the script, which Dask sends them).
    columns : sequence of str
        The names of the columns, for the header line.
    suffixes : sequence of str, optional
        The endings of the files to run (see :func:`image_names`).
    threads : int, optional
        Images at once in a thread pool (default: the processors); every
        regionkit call releases the interpreter lock. Ignored with `scheduler`.
    scheduler : str, optional
        The address of a running Dask scheduler, ``tcp://host:port``.
    connect_timeout : float, optional
        Seconds to wait for the scheduler.
    quiet : bool, optional
        Report only the files that fail (on standard error).
    label : str, optional
        The name that begins every line reported.

    Returns
    -------
    FolderRun
        The images, the rows per image, the files that failed and why.

    Raises
    ------
    FolderRunError
        No images in `folder`, a `results` file that is not one, a
        scheduler out of reach, or one lost during the run (the same call
        then resumes).

    Examples
    --------
    >>> import os, tempfile, numpy as np
    >>> from regionkit.folders import run_folder
    >>> folder = tempfile.mkdtemp()
    >>> for n in range(3):
    ...     np.save(os.path.join(folder, "image%d.npy" % n), np.full((4, 5), n / 4))
    >>> def brightness(path):
    ...     return [[np.load(path).mean()]]
    >>> run = run_folder(folder, os.path.join(folder, "out.csv"), brightness, ["mean"], quiet=True)
    >>> with open(os.path.join(folder, "out.csv")) as written:
    ...     print(written.read(), end="")
    image,mean
    "image0.npy",0
    "image1.npy",0.25
    "image2.npy",0.5
    """
    names = image_names(folder, suffixes)
    if not names:
        raise FolderRunError("no images in %s (%s)" % (folder, ", ".join(s.lstrip(".") for s in suffixes)))
    run = FolderRun([name for name in names if "\n" not in name and "\r" not in name])
    for name in sorted(set(names) - set(run.images)):
        run.failed[name] = "a line break in the name cannot be written to the results file"
        print("%s: skipped %r: %s" % (label, name, run.failed[name]), file=sys.stderr)
    header = ("image," + ",".join(columns) + "\n").encode()
    handle, before = _open_results(results, header)
    with handle:
        run.rows = {name: count for name, count in before.items() if name in set(run.images)}
        todo = [os.path.join(os.path.abspath(folder), name) for name in run.images if name not in before]
        run.previous = len(run.images) - len(todo)
        width = len(columns)
        if scheduler:
            _on_dask(todo, function, width, handle, run, scheduler, connect_timeout, quiet, label)
        else:
            workers = threads or os.cpu_count() or 1
            run.how = "%d thread%s" % (workers, "" if workers == 1 else "s")
            with ThreadPoolExecutor(workers) as pool:
                def submit(index: int, path: str, done: Callable[[int, Any], None]) -> None:
                    pool.submit(_run_one, function, path, width).add_done_callback(lambda f: done(index, f))
                _write_in_order(todo, submit, lambda: 2 * workers + 2, handle, run, quiet, label)
    return run


def _on_dask(paths: List[str], function: ImageFunction, width: int, handle: IO[bytes], run: FolderRun,
             scheduler: str, connect_timeout: float, quiet: bool, label: str) -> None:
    try:
        from distributed import Client
    except ImportError:
        raise FolderRunError("a scheduler needs Dask's distributed (Debian: python3-distributed)") from None
    try:
        connect: Any = Client  # (untyped)
        client = connect(scheduler, timeout=connect_timeout, set_as_default=False)
    except (OSError, TimeoutError, ValueError) as err:
        raise FolderRunError("cannot reach the Dask scheduler at %s: %s" % (scheduler, err)) from None
    with client:
        def slots() -> int:  # worker threads now (workers may come and go)
            return sum(int(w.get("nthreads", 1)) for w in client.scheduler_info()["workers"].values())
        run.how = "Dask at %s, %d worker thread%s at the start" % (scheduler, slots(), "" if slots() == 1 else "s")

        def submit(index: int, path: str, done: Callable[[int, Any], None]) -> None:
            # pure=False: a path is run again if asked again (the file may have changed).
            client.submit(_run_one, function, path, width, pure=False).add_done_callback(lambda f: done(index, f))

        def waiting() -> str:
            count = len(client.scheduler_info()["workers"])
            return "no image finished for a minute; %d Dask worker%s at %s" % (count, "" if count == 1 else "s",
                                                                                 scheduler)
        _write_in_order(paths, submit, lambda: 2 * slots() + 2, handle, run, quiet, label, waiting)


def _write_in_order(paths: List[str], submit: _Submit, window: Callable[[], int], handle: IO[bytes],
                    run: FolderRun, quiet: bool, label: str, waiting: Optional[Callable[[], str]] = None) -> None:
    """Runs every path, at most `window()` ahead of the first one not yet written, and writes in order.

    `waiting` says what is going on when no image has finished for a minute.
    """
    started = time.perf_counter()
    finished: "queue.Queue[Tuple[int, Any]]" = queue.Queue()
    progress = _Progress(label, len(run.images), run.previous, quiet)
    ready: Dict[int, _Outcome] = {}
    written = submitted = 0
    try:
        while written < len(paths):
            while submitted < len(paths) and submitted < written + window():
                submit(submitted, paths[submitted], lambda index, future: finished.put((index, future)))
                submitted += 1
            try:
                index, future = finished.get(timeout=60)
            except queue.Empty:
                if waiting is not None:
                    progress.say(waiting())
                continue
            try:
                ready[index] = future.result()
            except Exception as err:
                # _run_one returns its failures, so this is the machinery's:
                # an image whose Dask workers died again and again is left out,
                # anything else (a lost scheduler) ends the run.
                if type(err).__name__ != "KilledWorker":
                    raise FolderRunError("the run stopped after %d of %d images (%s: %s); the same call "
                                         "resumes it" % (run.previous + written, len(run.images),
                                                         type(err).__name__, err)) from err
                ready[index] = _Outcome(os.path.basename(paths[index]), error="%s: %s" % (type(err).__name__, err))
            start = written
            while written in ready:
                outcome = ready.pop(written)
                handle.write(_lines(outcome))
                if outcome.error:
                    run.failed[outcome.name] = outcome.error
                    progress.say("skipped %s: %s" % (outcome.name, outcome.error))
                elif outcome.rows is not None and len(outcome.rows):
                    run.rows[outcome.name] = len(outcome.rows)
                written += 1
            if written > start:
                handle.flush()
                progress.advance(written - start)
    finally:
        progress.close()
        run.seconds = time.perf_counter() - started
