"""orvtext.dask on a real Dask cluster (two worker processes on 127.0.0.1):
a generated tree converts to the outputs of one program batch over it, a
failing document is reported while the rest are written, and the command
works. Also the batching and the file search on their own."""

import os
import random
import subprocess
import sys

import pytest

distributed = pytest.importorskip("distributed")

import orvtext
import orvtext.dask
from conftest import mask_date, run_program

PIECES = [
    "<h{n}>Heading {word}</h{n}>",
    "<p>{words}</p>",
    "<ul><li>{word}</li><li>{words}</li></ul>",
    "<ol><li>{words}</li><li>{word}</li></ol>",
    "<table border=1><tr><th>{word}</th><th>{word}</th></tr><tr><td>{words}</td><td>{n}</td></tr></table>",
    '<p>See <a href="http://example.org/{word}">{word}</a> and <img src="{word}.png" alt="{word}">.</p>',
    "<pre>  {word}\n    {words}</pre>",
    "<p>caf&eacute; &amp; &lt;{word}&gt; &#8364;{n}</p>",
    "<!-- {words} --><script>var x = '{word}';</script>",
]
WORDS = "alpha beta gamma delta garden rose tulip seed water sun rain soil".split()


def make_document(rng: random.Random) -> str:
    body = []
    for _ in range(rng.randint(1, 25)):
        piece = rng.choice(PIECES)
        words = " ".join(rng.choice(WORDS) for _ in range(rng.randint(1, 120)))
        body.append(piece.format(n=rng.randint(1, 6), word=rng.choice(WORDS), words=words))
    return f"<html><head><title>{rng.choice(WORDS)}</title></head><body>{''.join(body)}</body></html>"


@pytest.fixture(scope="module")
def tree(tmp_path_factory):
    """A tree of 301 documents in nested sub-folders, with files the batch
    leaves alone: an empty page, a stylesheet, a hidden folder."""
    root = tmp_path_factory.mktemp("tree")
    rng = random.Random(13)
    folders = ["", "a", "a/b", "a/b/c", "docs", "docs/old", "x y"]
    for n in range(300):
        folder = root / rng.choice(folders)
        folder.mkdir(parents=True, exist_ok=True)
        extension = rng.choice([".htm", ".html", ".HTM"])
        (folder / f"page{n:03}{extension}").write_text(make_document(rng))
    # A name that is not UTF-8, as old archives hold them.
    (root / "docs" / os.fsdecode(b"caf\xe9.htm")).write_text(make_document(rng))
    (root / "a" / "empty.htm").write_text("")
    (root / "docs" / "style.css").write_text("p { color: red }")
    (root / ".hidden").mkdir()
    (root / ".hidden" / "secret.htm").write_text("<p>not converted</p>")
    return root


@pytest.fixture(scope="module")
def program_batch(tree, tmp_path_factory):
    """The outputs of one program batch over the tree."""
    out = tmp_path_factory.mktemp("program")
    run = run_program(["*.htm*", "-subfolders", "-tree", f"-output={out}/*.txt"], cwd=tree)
    assert run.returncode == 0, run.stderr.decode(errors="replace")
    return read_tree(out)


@pytest.fixture(scope="module")
def client():
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  host="127.0.0.1", dashboard_address=None) as cluster:
        with distributed.Client(cluster) as client:
            yield client


def read_tree(root):
    found = {}
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            with open(path, "rb") as output:
                found[os.path.relpath(path, root)] = mask_date(output.read())
    return found


def test_a_cluster_writes_what_one_program_batch_writes(tree, program_batch, client, tmp_path):
    assert len(program_batch) == 301
    # The output of one document cannot be written: a folder stands in its
    # place. It is reported, and every other document is still converted.
    broken_output = sorted(program_batch)[150]
    (tmp_path / broken_output).mkdir(parents=True)
    broken_input = next(str(p) for p in tree.rglob("*")
                        if os.path.splitext(os.path.relpath(p, tree))[0] ==
                        os.path.splitext(broken_output)[0])

    summary = orvtext.dask.convert_tree(str(tree), str(tmp_path), client=client)

    written = {path: text for path, text in read_tree(tmp_path).items()}
    expected = {path: text for path, text in program_batch.items() if path != broken_output}
    assert written == expected
    assert summary.files == 300
    assert [path for path, _ in summary.failures] == [broken_input]
    assert any(broken_output.split("/")[-1] in m for m in summary.failures[0][1])
    assert summary.skipped == [(str(tree / "a" / "empty.htm"), "empty or not a regular file")]
    assert summary.bytes_out == sum(len(text) for text in expected.values())
    assert summary.bytes_in > 0 and summary.seconds > 0
    # Nothing half-written is left behind.
    assert not list(tmp_path.rglob("*.part"))


def test_markup_removal_and_policies_reach_the_workers(tree, client, tmp_path):
    policies = "[Detag]\nRemove HTML <IMG> tags : Yes\n"
    (tmp_path / "steer.pol").write_text(policies)
    program_out = tmp_path / "program"
    program_out.mkdir()
    run = run_program(["*.htm*", "-subfolders", "-tree", "-detag", str(tmp_path / "steer.pol"),
                       f"-output={program_out}/"], cwd=tree)
    assert run.returncode == 0, run.stderr.decode(errors="replace")
    summary = orvtext.dask.convert_tree(str(tree), str(tmp_path / "cluster"), client=client,
                                       policies=policies, markup_removal=True)
    assert summary.files == 301 and not summary.failures
    assert read_tree(tmp_path / "cluster") == read_tree(program_out)


def test_the_command_converts_a_tree(tmp_path):
    source = tmp_path / "in"
    (source / "sub").mkdir(parents=True)
    (source / "one.htm").write_bytes(b"<p>one</p>")
    (source / "sub" / "two.html").write_bytes(b"<p>two</p>")
    environment = dict(os.environ)
    done = subprocess.run([sys.executable, "-m", "orvtext.dask", "--workers", "1",
                           str(source), str(tmp_path / "out")],
                          capture_output=True, text=True, env=environment, timeout=300)
    assert done.returncode == 0, done.stderr
    assert "2 files converted" in done.stdout
    assert b"two" in (tmp_path / "out" / "sub" / "two.txt").read_bytes()


def test_names_match_as_the_programs_batch_matches_them():
    matches = orvtext.dask._name_matches
    assert matches("*.htm*", "page.HTML") and matches("*.htm*", "a.b.htm")
    assert not matches("*.htm*", "page.txt") and not matches("*.htm*", "htm")
    assert matches("p%ge.*", "page.htm") and matches("p?ge.*", "PAGE.x")
    assert matches("*", "") and not matches("a*b*c", "abxcx") and matches("a*b*c", "abxbc")


def test_batches_keep_every_worker_busy_and_the_order():
    jobs = [(f"in{n}", f"out{n}", 10_000) for n in range(1169)]
    batches = orvtext.dask._batches(jobs, threads=2)
    assert [job for batch in batches for job in batch] == [(s, t) for s, t, _ in jobs]
    assert 4 <= len(batches) <= 12  # not one task per small file, and more than one per worker
    huge = [("big", "big.txt", 500 << 20), ("small", "small.txt", 1)]
    assert [len(batch) for batch in orvtext.dask._batches(huge, threads=2)] == [1, 1]


def test_no_output_replaces_an_input(tmp_path, client):
    (tmp_path / "sub").mkdir()
    pages = {tmp_path / "one.htm": b"<p><b>one</b></p>", tmp_path / "sub" / "two.html": b"<p>two</p>"}
    for path, html in pages.items():
        path.write_bytes(html)
    summary = orvtext.dask.convert_tree(str(tmp_path), str(tmp_path), client=client,
                                       markup_removal=True)
    assert summary.files == 0
    assert sorted(path for path, _ in summary.failures) == sorted(str(p) for p in pages)
    assert all("would replace an input" in messages[0] for _, messages in summary.failures)
    for path, html in pages.items():
        assert path.read_bytes() == html
