# SPDX-License-Identifier: Apache-2.0
"""KORVANE: the article of a web page as a tagged plain-text record.

    >>> import korvane
    >>> article = korvane.extract(page_bytes, url="http://news.example/a.html")
    >>> article.title, article.body, article.record

extract() converts one page (str, or bytes decoded as the command line
decodes a file); iter_warc() reads a WARC file; html_to_text() and decode()
are the record and the decoding alone. `python3 -m korvane.dask` spreads
files over a Dask cluster.
"""

from ._api import (DEFAULT_MAX_PAGE_SIZE, Article, NotAPageError, PageTooLargeError, decode,
                   extract, html_to_text, iter_warc)
from ._korvane import __version__

__all__ = [
    "Article",
    "DEFAULT_MAX_PAGE_SIZE",
    "NotAPageError",
    "PageTooLargeError",
    "__version__",
    "decode",
    "extract",
    "html_to_text",
    "iter_warc",
]
