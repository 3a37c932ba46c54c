"""Converts a folder tree (by default the 1,169 pages of Debian's
postgresql-doc-15) three ways and prints the best wall time of each: one
program batch (orvtext '*.htm*' -subfolders -tree -output=OUT/*.txt), and
orvtext.dask.convert_tree on a local Dask cluster of one and of two worker
processes (the cluster's start-up is not counted; the listing is). It also
checks that the cluster's outputs equal the program's, header dates aside.

    PYTHONPATH=build-rel/python /usr/bin/python3 bench/dask_tree_bench.py build-rel/orvtext [FOLDER]

RUNS (environment, default 5) sets the runs of each case.
"""

import os
import re
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


def program_batch(program, folder, out):
    environment = dict(os.environ, ORVTEXT_SETTINGS=os.path.join(out, ".no-settings.ini"))
    started = time.perf_counter()
    subprocess.run([program, "*.htm*", "-subfolders", "-tree", f"-output={out}/*.txt"], cwd=folder,
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=environment)
    return time.perf_counter() - started


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
        best = float("inf")
        for _ in range(runs):
            shutil.rmtree(reference, ignore_errors=True)
            os.makedirs(reference)
            best = min(best, program_batch(program, folder, reference))
        print(f"{'program batch':<28} {best:7.2f} s {size / best / 1e6:7.1f} MB/s")
        expected = read_tree(reference)
        one = None
        for workers in (1, 2):
            started = time.perf_counter()
            with distributed.LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                                          host="127.0.0.1", dashboard_address=None) as cluster, \
                    distributed.Client(cluster) as client:
                start_up = time.perf_counter() - started
                best = float("inf")
                for _ in range(runs):
                    out = os.path.join(scratch, f"cluster{workers}")
                    shutil.rmtree(out, ignore_errors=True)
                    summary = orvtext.dask.convert_tree(folder, out, client=client)
                    assert not summary.failures, summary
                    best = min(best, summary.seconds)
            same = read_tree(out) == expected
            one = one or best
            print(f"{f'convert_tree, {workers} worker(s)':<28} {best:7.2f} s "
                  f"{size / best / 1e6:7.1f} MB/s  x{one / best:.2f} of one worker; "
                  f"cluster start {start_up:.1f} s; outputs equal the program's: {same}")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
