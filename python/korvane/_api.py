# SPDX-License-Identifier: Apache-2.0
"""The package's functions: argument checks in front of the native module.

They are plain Python functions (so that they pickle by name, for Dask and
multiprocessing) and leave the work to the command line's own stages: an
Article holds the fields of the JSON line that `korvane --format jsonl`
writes, made by the same code, and iter_warc() reads those lines.
"""

from __future__ import annotations

import dataclasses
import errno
import json
import os
import stat
from typing import Any, BinaryIO, Iterator, Optional, Tuple, Union

from . import _korvane

NotAPageError = _korvane.NotAPageError
NotAPageError.__doc__ = "The input is binary data (NUL bytes, not valid UTF-8), not a page."
PageTooLargeError = _korvane.PageTooLargeError
PageTooLargeError.__doc__ = ("The page is larger than max_page_size, as the command line's "
                             "--max-page-size refuses it.")
# The command line's default: every page that converts in reasonable memory.
DEFAULT_MAX_PAGE_SIZE: int = _korvane.DEFAULT_MAX_PAGE_SIZE

_ALGORITHMS = ("block", "dom")
_BYTES_LIKE = (bytearray, memoryview)


@dataclasses.dataclass(frozen=True)
class Article:
    """One page's article: the fields of the object `korvane --format jsonl`
    writes for it.

    Strings hold U+FFFD where the engine cut through a surrogate pair.
    `author` and `published` come from the dom algorithm (None with block,
    or when the page names none); neither is part of `record`.
    """

    title: str
    headline: str
    images: Tuple[str, ...]  # sources as the page gives them
    image_urls: Tuple[Optional[str], ...]  # resolved against the URL; None if relative
    body: str  # lines joined by CR LF
    record: str  # the tagged record, as `korvane page.html` writes it
    encoding: str  # the charset the bytes were decoded with
    replaced: int  # invalid byte sequences written as U+FFFD
    algorithm: str
    author: Optional[str] = None
    published: Optional[str] = None  # ISO 8601
    truncated: bool = False  # longer than the block algorithm searches (900,000 units)
    url: Optional[str] = None  # the page's URL, as given to extract()

    def as_dict(self) -> dict:
        """The JSON-lines object, keys in the command line's order; "source"
        is the URL as korvane writes names (controls and backslashes escaped),
        None without one."""
        obj = {"source": None if self.url is None else _korvane.escaped_text(self.url),
               "encoding": self.encoding, "replaced": self.replaced,
               "algorithm": self.algorithm}
        if self.truncated:
            obj["truncated"] = True
        obj["title"] = self.title
        obj["headline"] = self.headline
        if self.algorithm == "dom":
            obj["author"] = self.author
            obj["published"] = self.published
        obj["images"] = list(self.images)
        obj["image_urls"] = list(self.image_urls)
        obj["body"] = self.body
        obj["record"] = self.record
        return obj


def _check_optional_str(name: str, value: Any) -> None:
    if value is not None and not isinstance(value, str):
        raise TypeError(f"{name} must be str or None, not {type(value).__name__}")


def _check_algorithm(algorithm: Any) -> None:
    if not isinstance(algorithm, str):
        raise TypeError(f"algorithm must be str, not {type(algorithm).__name__}")
    if algorithm not in _ALGORITHMS:
        raise ValueError(f"unknown algorithm {algorithm!r} (block or dom)")


def _check_size(max_page_size: Any) -> None:
    if not isinstance(max_page_size, int) or isinstance(max_page_size, bool):
        raise TypeError(f"max_page_size must be int, not {type(max_page_size).__name__}")
    if not 0 < max_page_size < 2**64:
        raise ValueError(f"max_page_size must be a positive number of bytes, not {max_page_size}")


def _page_bytes(name: str, data: Any, wanted: str = "bytes") -> bytes:
    if isinstance(data, bytes):
        return data
    if isinstance(data, _BYTES_LIKE):
        return bytes(data)  # a copy: the native code reads it without the GIL
    raise TypeError(f"{name} must be {wanted}, not {type(data).__name__}")


def extract(html: Union[str, bytes], *, url: Optional[str] = None,
            encoding: Optional[str] = None, http_charset: Optional[str] = None,
            algorithm: str = "block", max_page_size: int = DEFAULT_MAX_PAGE_SIZE) -> Article:
    """Converts one page.

    `html` is text, or bytes decoded as the command line decodes a file:
    `encoding` if given, else a byte order mark, valid UTF-8, `http_charset`
    (a Content-Type's charset), a <meta> in the first 1024 bytes, detection,
    UTF-8. Image sources are resolved against `url`.

    Raises NotAPageError for binary data, PageTooLargeError for a page of
    more than `max_page_size` bytes (a str: its UTF-8), LookupError for an
    unknown `encoding`, TypeError for arguments of other types.
    """
    if not isinstance(html, str):
        html = _page_bytes("html", html, "str or bytes")
    elif encoding is not None or http_charset is not None:
        raise TypeError("encoding and http_charset apply to bytes; html is str already")
    _check_optional_str("url", url)
    _check_optional_str("encoding", encoding)
    _check_optional_str("http_charset", http_charset)
    _check_algorithm(algorithm)
    _check_size(max_page_size)
    return _korvane.extract(Article, html, url, encoding, http_charset, algorithm, max_page_size)


def html_to_text(html: str) -> str:
    """The block algorithm's record of a page given as text (lone surrogates
    taken as UTF-16 code units; a cut through a pair comes back as U+FFFD)."""
    if not isinstance(html, str):
        raise TypeError(f"html must be str, not {type(html).__name__} (extract() takes bytes)")
    return _korvane.html_to_text(html)


def decode(data: bytes, *, encoding: Optional[str] = None,
           http_charset: Optional[str] = None) -> Tuple[str, str, int]:
    """Decodes a page's bytes as the command line does: (text, charset,
    invalid byte sequences replaced by U+FFFD)."""
    data = _page_bytes("data", data)
    _check_optional_str("encoding", encoding)
    _check_optional_str("http_charset", http_charset)
    return _korvane.decode(data, encoding, http_charset)


def _objects(stream: Any) -> Iterator[dict]:
    for kind, line in stream:
        if kind != "skipped":
            yield json.loads(line)


def _check_readable(path: str) -> None:
    """Raises OSError, naming the path, when it cannot be read. A FIFO is
    not opened to find out: its writer would see that open, and then a pipe
    without a reader."""
    if stat.S_ISFIFO(os.stat(path).st_mode):
        if not os.access(path, os.R_OK):
            raise PermissionError(errno.EACCES, os.strerror(errno.EACCES), path)
        return
    os.close(os.open(path, os.O_RDONLY | os.O_NONBLOCK))


def iter_warc(source: Union[str, "os.PathLike[str]", BinaryIO], *,
              algorithm: str = "block",
              max_page_size: int = DEFAULT_MAX_PAGE_SIZE) -> Iterator[dict]:
    """The objects `korvane --format jsonl` writes for a WARC file (plain or
    gzip; a path or a binary file object), in file order, error objects
    included (a page over `max_page_size` bytes is one, as with
    --max-page-size). A path may also name a page or a folder, as for the
    command line.

    Raises OSError when a path cannot be opened; a file object's own
    exceptions pass through.
    """
    _check_algorithm(algorithm)
    _check_size(max_page_size)
    if isinstance(source, (str, os.PathLike)):
        path = os.fspath(source)
        if not isinstance(path, str):
            raise TypeError("a path must be str or os.PathLike[str]")
        _check_readable(path)
        return _objects(_korvane.open_path(os.fsencode(path), False, algorithm,
                                                   max_page_size))
    if callable(getattr(source, "read", None)):
        name = getattr(source, "name", None)
        name = name if isinstance(name, str) else "stream"
        return _objects(_korvane.open_warc(source, os.fsencode(name), algorithm,
                                                   max_page_size))
    raise TypeError(f"iter_warc takes a path or a binary file, not {type(source).__name__}")


# The public names are korvane's: so they print, pickle and show in help().
for _public in (Article, NotAPageError, PageTooLargeError, extract, html_to_text, decode,
                iter_warc):
    _public.__module__ = __package__
del _public
