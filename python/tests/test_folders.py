"""regionkit.folders and the proposals command built on it, as a user runs them: the
results file rule, bad files, resuming, and a Dask cluster that loses a worker."""
import csv
import io
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

import numpy as np
import pytest

pytest.importorskip("scipy")
from regionkit import folders  # noqa: E402
from regionkit.examples import proposals_for_folder as example  # noqa: E402
from regionkit.examples.scenes import synthetic  # noqa: E402

COMMAND = [sys.executable, "-m", "regionkit.examples.proposals_for_folder"]
HEADER = b"image,x,y,w,h,score\n"
SCENES = 48
# Shared with the Octave example's test: each case as a stopped run left it,
# and what resuming cuts it back to (none: refused, left as it is).
RESULTS_FILES = Path(__file__).resolve().parent / "results_files"
CASES = sorted(p.name[:-len(".given.csv")] for p in RESULTS_FILES.glob("*.given.csv"))


@pytest.mark.parametrize("case", CASES)
def test_resuming_cuts_the_file_back_by_the_written_rule(case, tmp_path):
    given, kept = RESULTS_FILES / (case + ".given.csv"), RESULTS_FILES / (case + ".kept.csv")
    path = tmp_path / "results.csv"
    shutil.copyfile(given, path)
    if not kept.exists():
        with pytest.raises(folders.FolderRunError):
            folders._open_results(str(path), HEADER)
        assert path.read_bytes() == given.read_bytes()
        return
    handle, _ = folders._open_results(str(path), HEADER)
    handle.close()
    assert path.read_bytes() == kept.read_bytes()


def test_any_function_runs_and_its_failures_are_skipped(tmp_path, capsys):
    for n in range(5):
        np.save(tmp_path / ("image%d.npy" % n), np.full((2, 3), float(n)))

    def rows(path):
        value = float(np.load(path)[0, 0])
        if value == 3:
            raise RuntimeError("no luck")
        return np.full((int(value) % 3, 2), value)  # image0 and image3's none: no line
    run = folders.run_folder(str(tmp_path), str(tmp_path / "out.csv"), rows, ["a", "b"], threads=3, quiet=True)
    assert run.failed == {"image3.npy": "RuntimeError: no luck"} and "skipped image3.npy" in capsys.readouterr().err
    assert run.rows == {"image1.npy": 1, "image2.npy": 2, "image4.npy": 1}
    assert (tmp_path / "out.csv").read_text() == ('image,a,b\n"image1.npy",1,1\n"image2.npy",2,2\n'
                                                  '"image2.npy",2,2\n"image4.npy",4,4\n')


@pytest.fixture(scope="module")
def scenes(tmp_path_factory):
    """A folder of small synthetic scenes, and its results file from one thread."""
    folder = tmp_path_factory.mktemp("scenes")
    synthetic(str(folder), SCENES, H=240, W=320)
    reference = folder.parent / "reference.csv"
    assert example.main([str(folder), str(reference), "--threads", "1", "--quiet"]) == 0
    return folder, reference.read_bytes()


def rows_by_image(text):
    """Lines of a results file grouped by image, in file order."""
    images = {}
    for name, *values in list(csv.reader(io.StringIO(text.decode())))[1:]:
        images.setdefault(name, []).append([float(v) for v in values])
    return images


def test_mixed_folder_runs_to_the_end_best_first(tmp_path, capsys):
    # Scenes under names with spaces and quotes, grey and uint8 arrays, a
    # broken image and a file that is not an image.
    synthetic(str(tmp_path), 3, H=120, W=160)
    for n, name in enumerate(["scene 0.npy", 'scene "1".npy', "grey.npy"]):
        os.rename(tmp_path / ("scene%03d.npy" % n), tmp_path / name)
    img = np.load(tmp_path / "grey.npy")
    np.save(tmp_path / "grey.npy", img.mean(axis=2))
    np.save(tmp_path / "bytes.npy", (255 * img).astype(np.uint8))
    (tmp_path / "broken.npy").write_bytes(b"not an array\n")
    (tmp_path / "two\nlines.npy").write_bytes((tmp_path / "bytes.npy").read_bytes())
    (tmp_path / "notes.txt").write_text("read me\n")
    results = tmp_path / "out put.csv"
    assert example.main([str(tmp_path), str(results), "--threads", "2"]) == 0
    err = capsys.readouterr().err
    assert "skipped broken.npy: " in err and "skipped 'two\\nlines.npy': a line break" in err
    assert "notes.txt" not in err
    images = rows_by_image(results.read_bytes())
    assert list(images) == ["bytes.npy", "grey.npy", 'scene "1".npy', "scene 0.npy"]
    for rows in images.values():
        scores = np.array(rows)[:, 4]
        assert len(rows) and np.all(np.diff(scores) <= 0)  # best first, each box with its own score


@pytest.mark.filterwarnings("ignore:make_current is deprecated:DeprecationWarning")  # Dask's client, in Tornado
def test_a_stopped_run_resumes_to_the_same_file(scenes, tmp_path, capsys):
    folder = tmp_path / "scenes"
    folder.mkdir()
    for n in range(6):
        (folder / ("scene%03d.npy" % n)).symlink_to(scenes[0] / ("scene%03d.npy" % n))
    results = tmp_path / "results.csv"
    folders.run_folder(str(folder), str(results), example.propose, example.COLUMNS, threads=1, quiet=True)
    reference = results.read_bytes()
    ends = [i + 1 for i, c in enumerate(reference) if c == ord("\n")]
    second = reference.index(b'"scene001.npy"')
    # Stopped before anything, within the header, between two images, within
    # a line, within the last line; and already complete.
    for at in [0, 5, ends[0], second, second + 9, ends[-2] + 4, len(reference)]:
        results.write_bytes(reference[:at])
        run = folders.run_folder(str(folder), str(results), example.propose, example.COLUMNS, threads=2, quiet=True)
        assert results.read_bytes() == reference, "stopped after %d bytes" % at
        assert not run.failed and len(run.rows) == 6
    assert run.previous == 5  # the last image is run again

    # Refused: a file that is not a results file (left as it was), a folder
    # without images, a scheduler nobody listens at.
    results.write_bytes(b"name,count\n")
    assert example.main([str(folder), str(results)]) == 2
    assert results.read_bytes() == b"name,count\n"
    assert example.main([str(tmp_path), str(tmp_path / "none.csv")]) == 2
    assert example.main([str(folder), str(tmp_path / "r.csv"), "--scheduler", "tcp://127.0.0.1:9",
                         "--connect-timeout", "1"]) == 2
    err = capsys.readouterr().err
    assert "is not a results file" in err and "no images in" in err and "cannot reach the Dask scheduler" in err


def test_dask_cluster_losing_a_worker_writes_every_image_once(scenes, tmp_path):
    folder, reference = scenes
    started = []

    # Each in a session of its own, so that its children can be found too.
    path = [os.path.abspath(p) for p in os.environ.get("PYTHONPATH", "").split(os.pathsep) if p]
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(path))

    def start(*args):
        with open(tmp_path / ("process%d.log" % len(started)), "w") as log:
            process = subprocess.Popen([sys.executable, *args], cwd=tmp_path, env=env, stdout=log,
                                       stderr=subprocess.STDOUT, start_new_session=True)
        started.append(process)
        return process

    address = tmp_path / "scheduler.json"
    try:
        start("-m", "distributed.cli.dask_scheduler", "--host", "127.0.0.1", "--port", "0", "--no-dashboard",
              "--scheduler-file", str(address))
        workers = [start("-m", "distributed.cli.dask_worker", "--scheduler-file", str(address), "--nthreads", "1",
                         "--no-nanny", "--no-dashboard", "--local-directory", str(tmp_path), "--name", str(n))
                   for n in range(2)]
        deadline = time.monotonic() + 60
        from distributed import Client
        while not address.exists() and time.monotonic() < deadline:
            time.sleep(0.1)
        with Client(scheduler_file=str(address), timeout=30) as client:
            client.wait_for_workers(2, timeout=max(1, deadline - time.monotonic()))
            scheduler = client.scheduler.address

        results = tmp_path / "results.csv"
        run = start(*COMMAND[1:], str(folder), str(results), "--scheduler", scheduler, "--quiet")
        while run.poll() is None and time.monotonic() < deadline:
            if results.exists() and len(set(re.findall(rb'\n"(scene\d+)', results.read_bytes()))) >= 12:
                break
            time.sleep(0.02)
        assert run.poll() is None, "ended before a worker was killed: " + (tmp_path / "process3.log").read_text()
        written = results.read_bytes().count(b"\n")
        os.kill(workers[0].pid, signal.SIGKILL)
        run.wait(timeout=max(1, deadline - time.monotonic()))
        assert run.returncode == 0, (tmp_path / "process3.log").read_text()
        assert written < reference.count(b"\n")
        assert results.read_bytes() == reference
    finally:
        for process in started:
            if process.poll() is None:
                process.terminate()
        for process in started:
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait(timeout=10)
    for process in started:  # nothing of theirs left running, children included
        with pytest.raises(ProcessLookupError):
            os.killpg(process.pid, 0)
