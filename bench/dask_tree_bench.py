"""Converts a folder tree (by default the 1,169 pages of Debian's
postgresql-doc-15) four ways and prints the best wall time of each: one
program batch (orvtext '*.htm*' -subfolders -tree -output=OUT/*.txt) with
--jobs=1 and on every core, and orvtext.dask.convert_tree on a local Dask
cluster of one and of two worker processes (the cluster's start-up is not counted; the listing is). It also
checks that the cluster's outputs equal the program's, header dates aside.
Beside each wall time it prints the processor time the conversion took (the
program's, or the workers' processes'), which a busy machine disturbs far
less: the throughput per core.

    PYTHONPATH=build-rel/python /usr/bin/python3 bench/dask_tree_bench.py build-rel/orvtext [FOLDER]

RUNS (environment, default 5) sets the runs of each case.
"""

import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import time

DEFAULT_FOLDER = "/usr/share/doc/postgresql-doc-15/html"
DATE = re.compile(rb"(\| Create date  : )[0-9: -]{19}")


def read_tree(root):
    found = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            with open(path, "rb") as output:
                found[os.path.relpath(path, root)] = DATE.sub(rb"\1", output.read())
    return found


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def own_cpu():
    usage = resource.getrusage(resource.RUSAGE_SELF)
    return usage.ru_utime + usage.ru_stime


def workers_cpu(client):
    return sum(client.run(own_cpu).values())


def program_batch(program, folder, out, jobs):
    """(wall seconds, processor seconds) of one program batch."""
    environment = dict(os.environ, ORVTEXT_SETTINGS=os.path.join(out, ".no-settings.ini"))
    cpu = children_cpu()
    started = time.perf_counter()
    subprocess.run([program, "*.htm*", "-subfolders", "-tree", f"-output={out}/*.txt", *jobs],
                   cwd=folder,
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=environment)
    return time.perf_counter() - started, children_cpu() - cpu


def line(label, size, wall, cpu, rest=""):
    return (f"{label:<28} {wall:7.2f} s {size / wall / 1e6:6.1f} MB/s   cpu {cpu:6.2f} s "
            f"{size / cpu / 1e6:6.1f} MB/s per core{rest}")


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    import distributed
    import orvtext.dask

    program = os.path.abspath(sys.argv[1])
    folder = sys.argv[2] if len(sys.argv) > 2 else DEFAULT_FOLDER
    runs = int(os.environ.get("RUNS", "5"))
    files, _ = orvtext.dask.find_files(folder)
    size = sum(os.path.getsize(path) for path in files)
    print(f"{folder}: {len(files)} files, {size / 1e6:.1f} MB; best of {runs} runs; "
          f"orvtext {orvtext.__version__}, {os.cpu_count()} cores")

    scratch = tempfile.mkdtemp(prefix="orvtext-dask-bench-")
    try:
        reference = os.path.join(scratch, "program")
        for label, jobs in (("program batch, --jobs=1", ["--jobs=1"]),
                            ("program batch, every core", [])):
            best = best_cpu = float("inf")
            for _ in range(runs):
                shutil.rmtree(reference, ignore_errors=True)
                os.makedirs(reference)
                wall, cpu = program_batch(program, folder, reference, jobs)
                best, best_cpu = min(best, wall), min(best_cpu, cpu)
            print(line(label, size, best, best_cpu))
        expected = read_tree(reference)
        one = None
        for workers in (1, 2):
            started = time.perf_counter()
            with distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                          host="127.0.0.1", dashboard_address=None) as cluster, \
                    distributed.Client(cluster) as client:
                start_up = time.perf_counter() - started
                best = best_cpu = float("inf")
                for _ in range(runs):
                    out = os.path.join(scratch, f"cluster{workers}")
                    shutil.rmtree(out, ignore_errors=True)
                    cpu = workers_cpu(client)
                    summary = orvtext.dask.convert_tree(folder, out, client=client)
                    best_cpu = min(best_cpu, workers_cpu(client) - cpu)
                    assert not summary.failures, summary
                    best = min(best, summary.seconds)
            same = read_tree(out) == expected
            one = one or best
            print(line(f"convert_tree, {workers} worker(s)", size, best, best_cpu,
                       f"; x{one / best:.2f} of one worker; cluster start {start_up:.1f} s; "
                       f"outputs equal the program's: {same}"))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
