"""Converting a folder tree on a Dask cluster.

``convert_tree`` finds the files of a folder tree as the program's
``-subfolders`` batch does, hands them to the workers of a Dask cluster in
batches sized to keep every worker busy, and writes each output where
``orvtext PATTERN -subfolders -tree -output=OUT/*.txt`` would (with
``markup_removal``, where ``-detag -output=OUT/`` would: the input's own
name). Every worker needs this package importable and the same view of the
input and output folders (a shared file system).

Unlike the program's batch, which stops at the first file that fails, a
failing document is reported in the summary and every other one is still
converted: this is an engine for millions of files, where one bad page must
not stop a night's run. Each output is written to a temporary file beside
its place and renamed into it when complete, so an output is whole or
absent.

As a command::

    python3 -m orvtext.dask [--scheduler tcp://host:8786] IN_DIR OUT_DIR
"""

import argparse
import dataclasses
import os
import sys
import time
from typing import List, Optional, Sequence, Tuple

import orvtext

__all__ = ["convert_tree", "ConversionSummary", "find_files", "main"]

# A batch is at least this many bytes of input, so a task's own cost (a
# round trip to the scheduler, about a millisecond) stays small beside the
# conversion (about 15 ms for a megabyte)...
MIN_BATCH_BYTES = 1 << 20
# ...and at most this many, so a slow batch at the end cannot leave the
# other workers idle for long.
MAX_BATCH_BYTES = 64 << 20
# Each worker thread gets about this many batches: enough that a worker
# with large files and one with small ones even out.
BATCHES_PER_THREAD = 4


@dataclasses.dataclass
class ConversionSummary:
    """What ``convert_tree`` did."""

    files: int = 0
    """Documents converted and written."""
    bytes_in: int = 0
    """Bytes of the documents converted."""
    bytes_out: int = 0
    """Bytes of the outputs written."""
    failures: List[Tuple[str, List[str]]] = dataclasses.field(default_factory=list)
    """(input path, messages) of every document that failed, in input order."""
    skipped: List[Tuple[str, str]] = dataclasses.field(default_factory=list)
    """(input path, reason) of the matching files left alone: empty files
    and files whose output a later file of the batch writes, as in the
    program."""
    seconds: float = 0.0
    """Wall-clock time from the listing to the last output."""

    def __str__(self) -> str:
        rate = self.bytes_in / self.seconds / 1e6 if self.seconds > 0 else 0.0
        lines = [f"{self.files} files converted, {self.bytes_in:,} bytes in, "
                 f"{self.bytes_out:,} bytes out, {len(self.failures)} failed, "
                 f"{len(self.skipped)} skipped, {self.seconds:.2f} s ({rate:.1f} MB/s)"]
        for path, messages in self.failures:
            reason = next((m for m in reversed(messages) if m.startswith("ERROR")),
                          messages[-1] if messages else "failed")
            lines.append(f"FAILED {path}: {reason}")
        for path, reason in self.skipped:
            lines.append(f"SKIPPED {path}: {reason}")
        return "\n".join(lines)


def _name_matches(pattern: str, name: str) -> bool:
    """Whether ``name`` matches ``pattern`` as a whole, letter case ignored:
    "*" stands for any run of characters, "?" and "%" for any one."""
    pattern, name = pattern.lower(), name.lower()
    # Backtracking over the last "*" only: linear for the usual patterns.
    p = n = 0
    star = star_n = -1
    while n < len(name):
        if p < len(pattern) and pattern[p] in "?%" or p < len(pattern) and pattern[p] == name[n]:
            p += 1
            n += 1
        elif p < len(pattern) and pattern[p] == "*":
            star, star_n = p, n
            p += 1
        elif star >= 0:
            star_n += 1
            p, n = star + 1, star_n
        else:
            return False
    return all(c == "*" for c in pattern[p:])


def find_files(input_dir: str, pattern: str = "*.htm*",
               subfolders: bool = True) -> Tuple[List[str], List[Tuple[str, str]]]:
    """The regular, non-empty files below ``input_dir`` whose names match
    ``pattern``, sorted by their paths' bytes as the program's batch is,
    and the matching files left out with the reason. Folders whose name
    begins with "." are not entered, and no folder is entered twice."""
    files: List[str] = []
    skipped: List[Tuple[str, str]] = []
    seen = set()
    pending = [os.path.abspath(input_dir)]
    while pending:
        folder = pending.pop()
        try:
            info = os.stat(folder)
            entries = list(os.scandir(folder))
        except OSError as error:
            skipped.append((folder, f"folder cannot be read: {error.strerror}"))
            continue
        if (info.st_dev, info.st_ino) in seen:
            continue
        seen.add((info.st_dev, info.st_ino))
        for entry in entries:
            try:
                is_dir = entry.is_dir()
            except OSError:
                is_dir = False
            if is_dir:
                if subfolders and not entry.name.startswith("."):
                    pending.append(entry.path)
                continue
            if not _name_matches(pattern, entry.name):
                continue
            try:
                info = entry.stat()
                regular, size = entry.is_file(), info.st_size
            except OSError:
                regular, size = False, 0
            if not regular or size == 0:
                skipped.append((entry.path, "empty or not a regular file"))
            else:
                files.append(entry.path)
    files.sort(key=os.fsencode)
    skipped.sort(key=lambda item: os.fsencode(item[0]))
    return files, skipped


def output_path(input_path: str, input_dir: str, output_dir: str, markup_removal: bool) -> str:
    """Where the output of ``input_path`` goes: below ``output_dir`` in the
    same sub-folder as the input below ``input_dir``; in text mode named
    like the input with ".txt" for its extension, in markup removal named
    as the input."""
    relative = os.path.relpath(input_path, os.path.abspath(input_dir))
    folder, name = os.path.split(relative)
    if not markup_removal:
        stem, dot, _ = name.rpartition(".")
        name = (stem if dot else name) + ".txt"
    return os.path.join(os.path.abspath(output_dir), folder, name)


def _write_whole(path: str, data: bytes, made_folders: set) -> None:
    """Writes ``data`` to a temporary file beside ``path`` and renames it
    into place, so a reader never sees half an output. ``made_folders``
    holds the folders known to exist (this call adds to it)."""
    folder, name = os.path.split(path)
    if folder not in made_folders:
        os.makedirs(folder, exist_ok=True)
        made_folders.add(folder)
    # Unique to this process and output: no other writer picks the name.
    temporary = os.path.join(folder, f".{name}.orvtext-{os.getpid()}.part")
    handle = os.open(temporary, os.O_WRONLY | os.O_CREAT | os.O_TRUNC | os.O_CLOEXEC, 0o666)
    try:
        with os.fdopen(handle, "wb") as out:
            out.write(data)
        os.replace(temporary, path)
    except BaseException:
        try:
            os.unlink(temporary)
        except OSError:
            pass
        raise


def _convert_batch(jobs: Sequence[Tuple[str, str]], policies, markup_removal: bool):
    """Runs on a worker: converts each (input, output) pair of a batch.
    Returns (files, bytes in, bytes out, failures)."""
    files = bytes_in = bytes_out = 0
    failures = []
    made_folders = set()
    converter = orvtext.Converter(policies=policies, markup_removal=markup_removal)
    for source, target in jobs:
        try:
            with open(source, "rb") as document:
                html = document.read()
        except OSError as error:
            failures.append((source, [f"ERROR: Can't read {source}: {error.strerror or error}"]))
            continue
        try:
            output = converter.convert(html, name=os.path.basename(target))
        except orvtext.ConversionError as error:
            failures.append((source, error.messages))
            continue
        except Exception as error:  # whatever goes wrong stays with its document
            failures.append((source, [f"ERROR: Conversion failed: {error!r}"]))
            continue
        try:
            _write_whole(target, output, made_folders)
        except OSError as error:
            failures.append((source, [f"ERROR: Can't write {target}: {error.strerror or error}"]))
            continue
        files += 1
        bytes_in += len(html)
        bytes_out += len(output)
    return files, bytes_in, bytes_out, failures


def _batches(jobs: List[Tuple[str, str, int]], threads: int) -> List[List[Tuple[str, str]]]:
    """Cuts the jobs (input, output, size), in order, into runs of about
    equal input bytes: BATCHES_PER_THREAD per worker thread, each between
    MIN_BATCH_BYTES and MAX_BATCH_BYTES (a larger file makes a batch of its
    own)."""
    total = sum(size for _, _, size in jobs)
    target = total // max(1, threads * BATCHES_PER_THREAD)
    target = min(max(target, MIN_BATCH_BYTES), MAX_BATCH_BYTES)
    batches, current, current_bytes = [], [], 0
    for source, target_path, size in jobs:
        current.append((source, target_path))
        current_bytes += size
        if current_bytes >= target:
            batches.append(current)
            current, current_bytes = [], 0
    if current:
        batches.append(current)
    return batches


def convert_tree(input_dir: str, output_dir: str, *, client=None, pattern: str = "*.htm*",
                 policies=None, markup_removal: bool = False,
                 subfolders: bool = True) -> ConversionSummary:
    """Converts every file below ``input_dir`` whose name matches ``pattern``
    on the workers of a Dask cluster, writing the outputs below
    ``output_dir`` (see the module's text for where). Returns a
    ConversionSummary; a failing document is reported there and the others
    go on.

    client: a ``distributed.Client``; without one a local cluster is started
        for the call, one worker process per core.
    pattern: file names to convert; "*" any run of characters, "?" or "%"
        any one, letter case ignored.
    policies: a policy file's text (str or bytes), or None for the defaults.
    markup_removal: write HTML with the selected markup removed, not text.
    subfolders: search the folders below ``input_dir`` too.
    """
    import distributed

    if not os.path.isdir(input_dir):
        raise ValueError(f"input folder {input_dir!r} is not a folder")
    if policies is not None and not isinstance(policies, (str, bytes)):
        raise TypeError(f"policies must be a policy file's text (str or bytes) or None, "
                        f"not {type(policies).__name__}")
    started = time.perf_counter()
    summary = ConversionSummary()
    files, summary.skipped = find_files(input_dir, pattern, subfolders)

    # Two inputs with the same output (page.htm and page.html): the later
    # one in batch order wins, as it would overwrite the other's output.
    by_output = {}
    for source in files:
        by_output[output_path(source, input_dir, output_dir, markup_removal)] = source
    # No output may replace an input of the batch (markup removal into the
    # input folder would otherwise overwrite every page with its result).
    inputs = {os.path.realpath(source) for source in files}
    jobs, refused = [], []
    for source in files:
        target = output_path(source, input_dir, output_dir, markup_removal)
        if by_output[target] != source:
            summary.skipped.append((source, f"{by_output[target]} writes the same output"))
            continue
        if os.path.realpath(target) in inputs:
            refused.append((source, [f"ERROR: Output {target} would replace an input file"]))
            continue
        try:
            size = os.path.getsize(source)
        except OSError:
            size = 0
        jobs.append((source, target, size))
    summary.skipped.sort(key=lambda item: os.fsencode(item[0]))

    own_cluster = None
    if client is None:
        own_cluster = distributed.LocalCluster(n_workers=os.cpu_count() or 1, threads_per_worker=1,
                                               processes=True, dashboard_address=None)
        client = distributed.Client(own_cluster)
    try:
        threads = sum(worker.get("nthreads", 1)
                      for worker in client.scheduler_info()["workers"].values()) or 1
        batches = _batches(jobs, threads)
        futures = client.map(_convert_batch, batches, policies=policies,
                             markup_removal=markup_removal, pure=False)
        batch_of = {future.key: batch for future, batch in zip(futures, batches)}
        failures = refused
        for future in distributed.as_completed(futures):
            try:
                files_done, bytes_in, bytes_out, batch_failures = future.result()
            except Exception as error:  # the worker died or the task could not run
                batch_failures = [(source, [f"ERROR: the batch failed on its worker: {error!r}"])
                                  for source, _ in batch_of[future.key]]
                files_done = bytes_in = bytes_out = 0
            summary.files += files_done
            summary.bytes_in += bytes_in
            summary.bytes_out += bytes_out
            failures.extend(batch_failures)
        summary.failures = sorted(failures, key=lambda item: os.fsencode(item[0]))
    finally:
        if own_cluster is not None:
            client.close()
            own_cluster.close()
    summary.seconds = time.perf_counter() - started
    return summary


def main(argv: Optional[Sequence[str]] = None) -> int:
    """The command: converts a folder tree and prints the summary. Exit
    status 0 when every document converted, 1 when any failed, 2 for bad
    arguments."""
    parser = argparse.ArgumentParser(
        prog="python3 -m orvtext.dask",
        description="Convert the HTML files of a folder tree on a Dask cluster.")
    parser.add_argument("input_dir", metavar="IN_DIR")
    parser.add_argument("output_dir", metavar="OUT_DIR")
    parser.add_argument("--scheduler", metavar="ADDRESS",
                        help="a running scheduler (tcp://host:8786); default: a local "
                             "cluster with one worker process per core")
    parser.add_argument("--pattern", default="*.htm*",
                        help='file names to convert (default "*.htm*")')
    parser.add_argument("--policies", metavar="FILE.pol", help="a policy file")
    parser.add_argument("--detag", action="store_true",
                        help="markup removal: write HTML, not text")
    parser.add_argument("--no-subfolders", action="store_true",
                        help="convert the files of IN_DIR only")
    parser.add_argument("--workers", type=int, metavar="N",
                        help="worker processes of the local cluster (default: one per core)")
    parser.add_argument("--version", action="version", version=f"orvtext {orvtext.__version__}")
    arguments = parser.parse_args(argv)

    import distributed

    policies = None
    if arguments.policies:
        with open(arguments.policies, "rb") as policy_file:
            policies = policy_file.read()
    if not os.path.isdir(arguments.input_dir):
        parser.error(f"{arguments.input_dir}: not a folder")
    cluster = None
    if arguments.scheduler:
        client = distributed.Client(arguments.scheduler)
    else:
        cluster = distributed.LocalCluster(n_workers=arguments.workers or os.cpu_count() or 1,
                                           threads_per_worker=1, processes=True,
                                           dashboard_address=None)
        client = distributed.Client(cluster)
    try:
        summary = convert_tree(arguments.input_dir, arguments.output_dir, client=client,
                               pattern=arguments.pattern, policies=policies,
                               markup_removal=arguments.detag,
                               subfolders=not arguments.no_subfolders)
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    print(summary)
    return 1 if summary.failures else 0


if __name__ == "__main__":
    # Run as the package's module, not as __main__, so the workers find the
    # batch function by its name in the installed package.
    from orvtext.dask import main as _main

    sys.exit(_main())
