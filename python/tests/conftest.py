"""Shared helpers of the Python module's tests: the built program to compare
with, the end-to-end documents, and the header's date masked."""

import os
import re
import subprocess

import pytest

PROGRAM = os.environ.get("ORVTEXT_BINARY", "")
TEST_DATA = os.environ.get("ORVTEXT_TEST_DATA",
                           os.path.join(os.path.dirname(__file__), "..", "..", "tests", "data"))

_DATE = re.compile(rb"(\| Create date  : )\d{4}-\d\d-\d\d \d\d:\d\d:\d\d")


def mask_date(output: bytes) -> bytes:
    """The output with the text header's creation time masked (same width)."""
    return _DATE.sub(rb"\1YYYY-MM-DD hh:mm:ss", output)


def run_program(arguments, cwd, stdin=None):
    """Runs the built program in `cwd` with the stored settings at their
    defaults; returns the CompletedProcess (output as bytes)."""
    if not PROGRAM:
        pytest.skip("ORVTEXT_BINARY does not name the built program (run the tests through ctest)")
    environment = dict(os.environ, ORVTEXT_SETTINGS=os.path.join(str(cwd), ".no-settings.ini"))
    return subprocess.run([PROGRAM, *arguments], cwd=cwd, input=stdin, capture_output=True,
                          env=environment, timeout=120)


def documents():
    """Every end-to-end document under tests/data."""
    found = []
    for folder, _, names in os.walk(TEST_DATA):
        found += [os.path.join(folder, name) for name in names
                  if re.search(r"\.html?$", name, re.IGNORECASE)]
    return sorted(found)
