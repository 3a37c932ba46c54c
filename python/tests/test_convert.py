"""orvtext.convert against the program: the same bytes for every document of
tests/data in both modes and under a policy file; refused policy lines,
failures, bad arguments, threads and the version."""

import os
import re
import threading
import time

import pytest

import orvtext
from conftest import documents, mask_date, run_program

MODES = [pytest.param(False, id="text"), pytest.param(True, id="markup-removal")]


def program_output(tmp_path, html: bytes, arguments=(), markup_removal=False):
    """What the program writes converting `html` as page.htm (a file)."""
    (tmp_path / "page.htm").write_bytes(html)
    (tmp_path / "out").mkdir(exist_ok=True)
    mode = ["-detag"] if markup_removal else []
    run = run_program(["page.htm", *mode, "-output=out/", *arguments], cwd=tmp_path)
    assert run.returncode == 0, run.stderr.decode(errors="replace")
    (written,) = os.listdir(tmp_path / "out")
    return (tmp_path / "out" / written).read_bytes(), written


@pytest.mark.parametrize("markup_removal", MODES)
@pytest.mark.parametrize("document", documents(), ids=os.path.basename)
def test_convert_equals_the_program_on_every_document(tmp_path, document, markup_removal):
    with open(document, "rb") as source:
        html = source.read()
    expected, written = program_output(tmp_path, html, markup_removal=markup_removal)
    got = orvtext.convert(html, markup_removal=markup_removal, name=written)
    assert mask_date(got) == mask_date(expected)


@pytest.mark.parametrize("markup_removal", MODES)
@pytest.mark.parametrize("document", documents(), ids=os.path.basename)
def test_convert_equals_the_standard_input_filter(tmp_path, document, markup_removal):
    with open(document, "rb") as source:
        html = source.read()
    mode = ["-detag"] if markup_removal else []
    run = run_program(["-", "-console", *mode], cwd=tmp_path, stdin=html)
    assert run.returncode == 0, run.stderr.decode(errors="replace")
    got = orvtext.convert(html, markup_removal=markup_removal, name="(standard input)")
    assert mask_date(got) == mask_date(run.stdout)


POLICIES = """
[Text formatting]
Target Page width                         : 44
Right justify the output text             : Yes

[Detag]
Remove HTML <IMG> tags                    : Yes
"""


@pytest.mark.parametrize("markup_removal", MODES)
def test_a_policy_text_steers_the_conversion_as_a_policy_file_does(tmp_path, markup_removal):
    html = open(os.path.join(os.path.dirname(documents()[0]), "links.htm"), "rb").read()
    (tmp_path / "steer.pol").write_text(POLICIES)
    expected, written = program_output(tmp_path, html, ["steer.pol"], markup_removal)
    got = orvtext.convert(html, policies=POLICIES, markup_removal=markup_removal, name=written)
    assert mask_date(got) == mask_date(expected)
    assert got != orvtext.convert(html, markup_removal=markup_removal, name=written)
    filtered = run_program(["-", "-console", "steer.pol", *(["-detag"] if markup_removal else [])],
                           cwd=tmp_path, stdin=html)
    assert mask_date(orvtext.convert(html, policies=POLICIES, markup_removal=markup_removal,
                                     name="(standard input)")) == mask_date(filtered.stdout)
    # A policy file's bytes do the same as its text.
    assert mask_date(orvtext.convert(html, policies=POLICIES.encode(), markup_removal=markup_removal,
                                     name=written)) == mask_date(expected)


def test_refused_policy_lines_convert_and_are_reported():
    policies = "[Text formatting]\nTarget Page width : banana\nNo such policy : 7\n"
    result = orvtext.convert_with_messages(b"<p>Some words</p>", policies=policies)
    assert b"Some words" in result.output
    refused = [m for m in result.messages if m.startswith("POLICY:")]
    assert any("banana" in m for m in refused), result.messages
    assert any("No such policy" in m for m in refused), result.messages
    # Refused lines leave the defaults in force.
    assert mask_date(result.output) == mask_date(orvtext.convert(b"<p>Some words</p>"))


def test_without_a_name_the_header_names_no_file_and_nothing_is_written(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    output = orvtext.convert(b"<title>T</title><p>x</p>")
    assert b"| Title        : T" in output
    assert not re.search(rb"File name +: +[^ |]", output)
    assert os.listdir(tmp_path) == []


def test_odd_documents_convert_without_failing():
    for html in [b"", b"<", b"<html", b"\xff\xfe<\x00p", b"\x00" * 100, b"<p>" * 20000,
                 "<p>caf\u00e9 \u2603</p>".encode("utf-8"), bytes(range(256)) * 10]:
        assert isinstance(orvtext.convert(html), bytes)
        assert isinstance(orvtext.convert(html, markup_removal=True), bytes)


def test_a_failed_conversion_raises_with_its_messages(monkeypatch):
    # The binding's failure answer, as the core gives it for a document it
    # cannot convert.
    messages = ["INFO: Reading input file page.htm", "ERROR: Conversion failed: out of memory"]
    monkeypatch.setattr(orvtext, "_convert", lambda *arguments: (False, b"", messages))
    with pytest.raises(orvtext.ConversionError) as raised:
        orvtext.convert(b"<p>x</p>", name="page.txt")
    assert raised.value.messages == messages
    assert "out of memory" in str(raised.value) and "page.txt" in str(raised.value)


@pytest.mark.parametrize("call, error, words", [
    (lambda: orvtext.convert("<p>text</p>"), TypeError, "bytes, not str"),
    (lambda: orvtext.convert(None), TypeError, "NoneType"),
    (lambda: orvtext.convert(b"x", policies=12), TypeError, "policies"),
    (lambda: orvtext.convert(b"x", markup_removal="yes"), TypeError, "markup_removal"),
    (lambda: orvtext.convert(b"x", name=b"page.txt"), TypeError, "name"),
    (lambda: orvtext.convert(b"x", name="two\nlines"), ValueError, "line break"),
    (lambda: orvtext.convert(b"x", "[Detag]"), TypeError, "positional"),
])
def test_bad_arguments_are_refused_clearly(call, error, words):
    with pytest.raises(error, match=words):
        call()


def test_other_byte_buffers_are_taken():
    assert mask_date(orvtext.convert(bytearray(b"<b>x</b>"))) == mask_date(orvtext.convert(b"<b>x</b>"))
    assert mask_date(orvtext.convert(memoryview(b"<b>x</b>"))) == mask_date(orvtext.convert(b"<b>x</b>"))


def test_threads_convert_side_by_side_to_the_same_bytes():
    sources = [open(path, "rb").read() for path in documents()]
    expected = [mask_date(orvtext.convert(html, name="page.txt")) for html in sources]
    results = {}

    def work(thread):
        results[thread] = [mask_date(orvtext.convert(html, name="page.txt"))
                           for _ in range(5) for html in sources]

    threads = [threading.Thread(target=work, args=(n,)) for n in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for thread in range(4):
        assert results[thread] == expected * 5


def test_other_threads_run_while_a_document_converts():
    html = b"<p>" + b"word " * 4_000_000 + b"</p>"  # about 20 MB: a good part of a second
    inside = threading.Event()
    done = threading.Event()

    def work():
        inside.set()
        orvtext.convert(html)
        done.set()

    worker = threading.Thread(target=work)
    worker.start()
    inside.wait()
    # Each round needs the interpreter lock; a conversion holding it
    # would let one or two through.
    rounds = 0
    while not done.is_set():
        time.sleep(0.001)
        rounds += 1
    worker.join()
    assert rounds > 10


@pytest.mark.parametrize("markup_removal", MODES)
def test_a_converter_gives_what_convert_gives_document_after_document(markup_removal):
    sources = [open(path, "rb").read() for path in documents()] + [b"", b"<p>last</p>"]
    for policies in [None, POLICIES, "[Text formatting]\nTarget Page width : banana\n"]:
        converter = orvtext.Converter(policies=policies, markup_removal=markup_removal)
        for html in sources * 2:
            alone = orvtext.convert_with_messages(html, policies=policies,
                                                  markup_removal=markup_removal, name="p.txt")
            kept = converter.convert_with_messages(html, name="p.txt")
            assert mask_date(kept.output) == mask_date(alone.output)
            assert kept.messages == alone.messages


def test_threads_may_share_a_converter():
    sources = [open(path, "rb").read() for path in documents()]
    converter = orvtext.Converter()
    expected = [mask_date(orvtext.convert(html)) for html in sources]
    results = {}

    def work(thread):
        results[thread] = [mask_date(converter.convert(html)) for _ in range(3) for html in sources]

    threads = [threading.Thread(target=work, args=(n,)) for n in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert all(results[n] == expected * 3 for n in range(4))
    with pytest.raises(TypeError, match="markup_removal"):
        orvtext.Converter(markup_removal=1)
    with pytest.raises(TypeError, match="bytes, not str"):
        converter.convert("<p>x</p>")


def test_the_version_is_the_programs(tmp_path):
    assert orvtext.__version__ == os.environ.get("ORVTEXT_PROJECT_VERSION", orvtext.__version__)
    run = run_program(["--version"], cwd=tmp_path)
    assert run.returncode == 0
    assert run.stdout.decode().strip() == f"orvtext {orvtext.__version__}"
