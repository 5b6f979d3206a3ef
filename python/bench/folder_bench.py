"""Images per second of the folder example: threads against a Dask cluster, side by side in one run.

    python3 folder_bench.py [--images 48] [--rounds 3]

Writes synthetic 640 x 480 scenes to a temporary folder and runs the example
as a user does (``regionkit-proposals FOLDER RESULTS ...``, its own
timing: first image sent to last line written) with 1 and 2 threads, and
on Dask clusters of 1 and 2 single-threaded worker processes started here
(``dask scheduler`` and ``dask worker --nthreads 1``, warmed up first). The
settings take turns, round after round, so a busy spell of a shared machine
falls on all of them. Every run's results file must be the same, byte for
byte. For the Dask runs it also shows where a worker's time went, from the
scheduler's task stream: computing, receiving and unpacking tasks, idle.
"""
import argparse
import os
import platform
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

EXAMPLE = ["-m", "regionkit.examples.proposals_for_folder"]


def command(folder, results, *options):
    """Runs the example; its images per second."""
    out = subprocess.run([sys.executable, *EXAMPLE, str(folder), str(results), *options], check=True,
                         capture_output=True, text=True).stdout
    return float(re.search(r"\(([0-9.]+) images/s\)", out).group(1))


class Cluster:
    """A scheduler and `workers` single-threaded worker processes on 127.0.0.1."""

    def __init__(self, workers, scratch):
        self.processes = []
        address = scratch / ("scheduler%d.json" % workers)
        self.start(scratch, "distributed.cli.dask_scheduler", "--host", "127.0.0.1", "--port", "0",
                   "--no-dashboard", "--scheduler-file", str(address))
        for _ in range(workers):
            self.start(scratch, "distributed.cli.dask_worker", "--scheduler-file", str(address), "--nthreads", "1",
                       "--no-dashboard", "--local-directory", str(scratch))
        from distributed import Client
        deadline = time.monotonic() + 120
        while not address.exists() and time.monotonic() < deadline:
            time.sleep(0.1)
        self.client = Client(scheduler_file=str(address), timeout=60)
        self.client.wait_for_workers(workers, timeout=120)
        self.address = self.client.scheduler.address
        self.client.get_task_stream(start=time.time())  # the scheduler records tasks from now on

    def start(self, scratch, module, *args):
        self.processes.append(subprocess.Popen([sys.executable, "-m", module, *args], cwd=scratch,
                                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                               start_new_session=True))

    def where_time_went(self, since, wall):
        """Per worker thread: shares of the run's wall time spent computing, in transfers and unpacking, idle."""
        spent = {}
        for task in self.client.get_task_stream(start=since):
            for part in task["startstops"]:
                spent[part["action"]] = spent.get(part["action"], 0.0) + part["stop"] - part["start"]
        slots = sum(w["nthreads"] for w in self.client.scheduler_info()["workers"].values())
        busy = sum(spent.values())
        shares = {k: v / (wall * slots) for k, v in sorted(spent.items())}
        shares["idle"] = 1 - busy / (wall * slots)
        return shares

    def close(self):
        self.client.close()
        for process in self.processes:
            process.terminate()
        for process in self.processes:
            try:
                process.wait(timeout=20)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--images", type=int, default=48)
    parser.add_argument("--rounds", type=int, default=3)
    options = parser.parse_args()
    from regionkit.examples.scenes import synthetic

    scratch = Path(tempfile.mkdtemp(prefix="regionkit-folder-bench-"))
    clusters = {}
    try:
        folder, warm = scratch / "scenes", scratch / "warm"
        synthetic(str(folder), options.images)
        warm.mkdir()
        for name in sorted(os.listdir(folder))[:4]:
            (warm / name).symlink_to(folder / name)
        settings = {"threads, 1": ["--threads", "1"], "threads, 2": ["--threads", "2"]}
        for workers in (1, 2):
            clusters[workers] = Cluster(workers, scratch)
            name = "Dask, %d worker process%s" % (workers, "" if workers == 1 else "es")
            settings[name] = ["--scheduler", clusters[workers].address]
            command(warm, scratch / "warm.csv", *settings[name])  # imports and first calls on every worker
            os.remove(scratch / "warm.csv")
        rates = {name: [] for name in settings}
        shares = {}
        reference = None
        for _ in range(options.rounds):
            for name, args in settings.items():
                results = scratch / "results.csv"
                since = time.time()
                rates[name].append(command(folder, results, *args))
                if "--scheduler" in args:
                    cluster = clusters[int(name.split(", ")[1][0])]
                    shares.setdefault(name, []).append(
                        cluster.where_time_went(since, options.images / rates[name][-1]))
                data = results.read_bytes()
                assert reference is None or data == reference, "%s wrote a different results file" % name
                reference = data
                os.remove(results)
    finally:
        for cluster in clusters.values():
            cluster.close()
        shutil.rmtree(scratch, ignore_errors=True)

    print("%d synthetic 640x480 scenes, %d rounds, %s, %d processors, Python %s, %s" % (
        options.images, options.rounds, platform.machine(), os.cpu_count(), platform.python_version(),
        time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime())))
    print("%-26s %s" % ("", "images per second: fastest, slowest"))
    for name, values in rates.items():
        print("%-26s %6.1f  %6.1f" % (name, max(values), min(values)))
    best = {name: max(values) for name, values in rates.items()}
    print("Dask 2 workers / Dask 1 worker: %.2fx; Dask 2 workers / 2 threads: %.0f%% (fastest runs)" % (
        best["Dask, 2 worker processes"] / best["Dask, 1 worker process"],
        100 * best["Dask, 2 worker processes"] / best["threads, 2"]))
    for name, runs in shares.items():
        mean = {k: sum(r.get(k, 0.0) for r in runs) / len(runs) for k in runs[0]}
        print("%s, share of each worker's time: %s" % (name, ", ".join(
            "%s %.0f%%" % (k, 100 * v) for k, v in mean.items())))
    return 0


if __name__ == "__main__":
    sys.exit(main())
