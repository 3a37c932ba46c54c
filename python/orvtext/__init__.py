"""orvtext: HTML to laid-out plain text, or markup removal, in memory.

    >>> import orvtext
    >>> text = orvtext.convert(b"<h1>Hello</h1><p>World</p>")
    >>> clean = orvtext.convert(page, markup_removal=True, policies=open("my.pol").read())

``convert`` gives exactly the bytes the program writes for the same document
and policies (``orvtext - -console``), the date in the text header aside.
It touches no file and releases the interpreter lock while it converts, so
threads convert side by side. ``convert_with_messages`` returns the program's
messages beside the output (refused policy lines among them: a policy text
with bad lines still converts, as the program does). ``orvtext.dask``
spreads the files of a folder tree over a Dask cluster.
"""

from typing import List, NamedTuple, Optional, Union

from ._orvtext import Converter as _Converter
from ._orvtext import __version__
from ._orvtext import convert as _convert

__all__ = ["convert", "convert_with_messages", "Converter", "Conversion", "ConversionError",
           "__version__"]


class ConversionError(Exception):
    """A document could not be converted; ``messages`` holds the program's
    messages for it (the reason among them)."""

    def __init__(self, text: str, messages: List[str]):
        super().__init__(text)
        self.messages = list(messages)


class Conversion(NamedTuple):
    """What ``convert_with_messages`` returns."""

    output: bytes
    """The converted document."""
    messages: List[str]
    """The program's messages for the conversion, in order, as a log file of
    it would record them ("POLICY: ..." lines for refused policy lines)."""


def _document_bytes(html) -> bytes:
    if isinstance(html, bytes):
        return html
    if isinstance(html, (bytearray, memoryview)):
        return bytes(html)
    if isinstance(html, str):
        raise TypeError(
            "html must be bytes, not str: pass the document's bytes as read "
            "(open(path, 'rb').read()); the converter finds their encoding itself")
    raise TypeError(f"html must be bytes, not {type(html).__name__}")


def _policy_bytes(policies) -> bytes:
    if policies is None:
        return b""
    if isinstance(policies, str):
        return policies.encode("utf-8")
    if isinstance(policies, (bytes, bytearray, memoryview)):
        return bytes(policies)
    raise TypeError(
        f"policies must be a policy file's text (str or bytes) or None, "
        f"not {type(policies).__name__}")


def convert_with_messages(html: bytes, *, policies: Optional[Union[str, bytes]] = None,
                          markup_removal: bool = False, name: str = "") -> Conversion:
    """Converts one document held in memory; returns its output and messages.

    html: the document's bytes, in any encoding a file may have.
    policies: the text of a policy file (str, written as UTF-8, or bytes as
        read from a .pol file); None converts under the default policies.
        Lines the policy reader refuses are reported in the messages and the
        document converts under the rest, as in the program.
    markup_removal: remove the selected markup and write HTML (the program's
        -detag) instead of laid-out text.
    name: the file name the text header shows and the messages use ("" for
        none). It names no file: nothing is read or written.

    Raises ConversionError when the document cannot be converted, TypeError
    or ValueError for bad arguments.
    """
    document = _document_bytes(html)
    policy_text = _policy_bytes(policies)
    _check_mode(markup_removal)
    return _result(_convert(document, policy_text, markup_removal, _name_bytes(name)), name)


def _check_mode(markup_removal) -> None:
    if not isinstance(markup_removal, bool):
        raise TypeError(f"markup_removal must be True or False, not {type(markup_removal).__name__}")


def _name_bytes(name) -> bytes:
    if not isinstance(name, str):
        raise TypeError(f"name must be a str, not {type(name).__name__}")
    if "\0" in name or "\n" in name or "\r" in name:
        raise ValueError("name must not hold a NUL or a line break")
    # A file name that is not UTF-8 comes from the file system as a str with
    # escaped bytes; the header shows its bytes, as the program does.
    return name.encode("utf-8", "surrogateescape")


def _result(answer, name: str) -> Conversion:
    converted, output, messages = answer
    if not converted:
        reason = next((m for m in reversed(messages) if m.startswith("ERROR")), None)
        label = f"{name}: " if name else ""
        raise ConversionError(f"{label}{reason or 'the document could not be converted'}", messages)
    return Conversion(output, messages)


def convert(html: bytes, *, policies: Optional[Union[str, bytes]] = None,
            markup_removal: bool = False, name: str = "") -> bytes:
    """Converts one document held in memory; returns the output's bytes.

    The same as ``convert_with_messages(...).output``; see there for the
    arguments. Raises ConversionError when the document cannot be converted.
    """
    return convert_with_messages(html, policies=policies, markup_removal=markup_removal,
                                 name=name).output


class Converter:
    """Converts many documents under one set of policies.

    The policies are read and the pattern lists built once, not for every
    document as ``convert`` does: on small pages about three times the
    documents per second. Each document gives exactly what ``convert`` gives
    for it with the same policies and mode (its messages begin with those of
    reading the policy text). Threads may share a converter but convert one
    at a time; give each thread its own to convert side by side.

        >>> converter = orvtext.Converter(policies=open("my.pol").read())
        >>> for path in paths:
        ...     text = converter.convert(open(path, "rb").read(), name=path)
    """

    def __init__(self, *, policies: Optional[Union[str, bytes]] = None,
                 markup_removal: bool = False):
        _check_mode(markup_removal)
        self._converter = _Converter(_policy_bytes(policies), markup_removal)
        self.markup_removal = markup_removal

    def convert_with_messages(self, html: bytes, *, name: str = "") -> Conversion:
        """One document's output and messages; see ``convert_with_messages``."""
        return _result(self._converter.convert(_document_bytes(html), _name_bytes(name)), name)

    def convert(self, html: bytes, *, name: str = "") -> bytes:
        """One document's output; see ``convert``."""
        return self.convert_with_messages(html, name=name).output
