# SPDX-License-Identifier: Apache-2.0
"""The package's functions give what the command line gives for the same bytes."""

import io
import pickle
from concurrent.futures import ThreadPoolExecutor

import pytest

import korvane
import korvane.dask
from conftest import (HTTP_CHARSETS, PAGES, PARAGRAPH, gzip_members, korvane as run_korvane,
                      korvane_objects, news_page, warc_records)

ALGORITHMS = ["block", "dom"]


@pytest.mark.parametrize("algorithm", ALGORITHMS)
def test_pages_convert_as_the_command_line_converts_their_files(tmp_path, algorithm):
    paths = []
    for name, data in PAGES.items():
        paths.append(tmp_path / f"{name}.html")
        paths[-1].write_bytes(data)
    expected = korvane_objects("--algorithm", algorithm, *paths)
    for path, data, line in zip(paths, PAGES.values(), expected):
        article = korvane.extract(data, algorithm=algorithm)
        page = article.as_dict()
        assert (page.pop("source"), line.pop("source")) == (None, str(path))
        assert page == line, path.name
        assert article.record.encode() == run_korvane("--algorithm", algorithm, path)
        fields = (article.title, article.headline, list(article.images),
                  list(article.image_urls), article.body, article.encoding, article.replaced)
        assert fields == tuple(line[key] for key in (
            "title", "headline", "images", "image_urls", "body", "encoding", "replaced"))


@pytest.mark.parametrize("name", ["utf8", "english", "cut-pair"])
def test_text_converts_as_its_utf8_bytes(name):
    url = f"http://news.example/a/{name}.html"
    text = PAGES[name].decode()
    assert korvane.extract(text, url=url).as_dict() == korvane.extract(PAGES[name], url=url).as_dict()


@pytest.mark.parametrize("text, title", [
    (news_page("\ud800标题"), "\ufffd标题"),  # a lone surrogate is a code unit
    (news_page("a" + "😀" * 40), "a" + "😀" * 31 + "\ufffd"),  # 64 units cut a pair
    (news_page("café crème"), "café crème"),
])
def test_strings_are_utf16_units_and_come_back_as_the_command_line_writes_them(text, title):
    article = korvane.extract(text)
    assert article.title == title
    assert korvane.html_to_text(text) == article.record
    assert article.record.encode() == article.record.encode("utf-8", "strict")


def test_html_to_text_is_the_record_of_a_file_of_the_text(tmp_path):
    text = news_page("今日要闻😀", paragraph="Ünïcödé 😀 " * 20)
    path = tmp_path / "page.html"
    path.write_bytes(text.encode())
    assert korvane.html_to_text(text).encode() == run_korvane(path)


@pytest.mark.parametrize("data, options, expected", [
    (b"\xef\xbb\xbfabc", {}, ("\ufeffabc", "utf-8", 0)),
    (b"\xff\xfea\x00b\x00", {}, ("\ufeffab", "utf-16le", 0)),
    ("编码".encode("gbk"), {"encoding": "gbk"}, ("编码", "gb18030", 0)),
    ("編碼".encode("big5"), {"http_charset": "big5"}, ("編碼", "big5-hkscs", 0)),
    ("<meta charset=gbk>编码".encode("gbk"), {}, ("<meta charset=gbk>编码", "gb18030", 0)),
    ("编码".encode(), {"http_charset": "gbk"}, ("编码", "utf-8", 0)),  # valid UTF-8 wins
    (b"a\xffb\xfe", {"encoding": "utf-8"}, ("a\ufffdb\ufffd", "utf-8", 2)),
    (bytearray(b"abc"), {"encoding": "latin1"}, ("abc", "windows-1252", 0)),
])
def test_decode(data, options, expected):
    assert korvane.decode(data, **options) == expected


class _FailingFile:
    def read(self, size):
        raise OSError("disk gone")


@pytest.mark.parametrize("call, error", [
    (lambda: korvane.extract(b"\x00\x01\xff\xfe" * 8), korvane.NotAPageError),
    (lambda: korvane.decode(b"\x00\xff" * 8), korvane.NotAPageError),
    (lambda: korvane.extract(b"x", encoding="no-such-charset"), LookupError),
    (lambda: korvane.decode(b"x", encoding=""), LookupError),
    (lambda: korvane.extract(42), TypeError),
    (lambda: korvane.extract("<p>x", encoding="gbk"), TypeError),
    (lambda: korvane.extract(b"x", url=b"http://a.example/"), TypeError),
    (lambda: korvane.html_to_text(b"<p>x"), TypeError),
    (lambda: korvane.extract(b"x", algorithm="fast"), ValueError),
    (lambda: korvane.extract(b"xx", max_page_size=1), korvane.PageTooLargeError),
    (lambda: korvane.extract(b"x", max_page_size=0), ValueError),
    (lambda: korvane.iter_warc("crawl.warc", max_page_size="64M"), TypeError),
    (lambda: korvane.iter_warc(42), TypeError),
    (lambda: list(korvane.iter_warc(io.StringIO("WARC/1.0\r\n"))), TypeError),
    (lambda: korvane.iter_warc("/no/such/crawl.warc"), FileNotFoundError),
    (lambda: list(korvane.iter_warc(_FailingFile())), OSError),
])
def test_errors_have_their_types_and_pickle(call, error):
    with pytest.raises(error) as raised:
        call()
    copy = pickle.loads(pickle.dumps(raised.value))
    assert (type(copy), copy.args, str(copy)) == (type(raised.value), raised.value.args,
                                                  str(raised.value))


def test_not_a_page_is_a_value_error():
    assert issubclass(korvane.NotAPageError, ValueError)
    assert issubclass(korvane.PageTooLargeError, ValueError)


@pytest.mark.parametrize("html, refused", [
    (b"x" * 100, False), (b"x" * 101, True),
    ("\u00e9" * 50, False), ("\u00e9" * 51, True),  # a str counts its UTF-8 bytes
    ("\U0001f600" * 25, False), ("\U0001f600" * 26, True),
    ("\ud800" * 34, True),  # a lone surrogate as the U+FFFD written for it
])
def test_pages_larger_than_max_page_size_are_refused(html, refused):
    if refused:
        with pytest.raises(korvane.PageTooLargeError,
                           match=r"^page larger than 100 bytes \(max_page_size\)$"):
            korvane.extract(html, max_page_size=100)
    else:
        korvane.extract(html, max_page_size=100)


def test_the_default_size_limit_is_the_command_lines():
    assert korvane.DEFAULT_MAX_PAGE_SIZE == 64 << 20
    with pytest.raises(korvane.PageTooLargeError, match="64 MiB"):
        korvane.extract(b" " * ((64 << 20) + 1))


@pytest.mark.parametrize("algorithm", ALGORITHMS)
def test_long_pages_are_marked_truncated_as_by_the_command_line(tmp_path, algorithm):
    path = tmp_path / "long.html"
    path.write_bytes(news_page("长页面", paragraph=PARAGRAPH * 1200).encode())  # 950,000 units
    [line] = korvane_objects("--algorithm", algorithm, path)
    article = korvane.extract(path.read_bytes(), algorithm=algorithm)
    page = article.as_dict()
    assert (page.pop("source"), line.pop("source")) == (None, str(path))
    assert page == line
    assert line.get("truncated", False) == article.truncated == (algorithm == "block")


def test_functions_and_articles_pickle():
    for function in (korvane.extract, korvane.decode, korvane.html_to_text, korvane.iter_warc,
                     korvane.dask.convert_file):
        assert pickle.loads(pickle.dumps(function)) is function
    article = korvane.extract(PAGES["utf8"], url="http://news.example/a.html")
    copy = pickle.loads(pickle.dumps(article))
    assert copy == article and copy.as_dict() == article.as_dict()


def _warc_file(tmp_path, form):
    records = warc_records(PAGES, cut_last=True)
    path = tmp_path / ("crawl.warc.gz" if form == "gzip" else "crawl.warc")
    path.write_bytes(gzip_members(records) if form == "gzip" else b"".join(records))
    return path


@pytest.mark.parametrize("algorithm", ALGORITHMS)
@pytest.mark.parametrize("form", ["plain", "gzip", "file object"])
def test_iter_warc_gives_the_command_lines_objects(tmp_path, form, algorithm):
    path = _warc_file(tmp_path, "gzip" if form == "gzip" else "plain")
    expected = korvane_objects("--algorithm", algorithm, path)
    if form == "file object":
        with open(path, "rb") as file:
            objects = list(korvane.iter_warc(file, algorithm=algorithm))
    else:
        objects = list(korvane.iter_warc(path, algorithm=algorithm))
    assert objects == expected
    assert [line.get("error", "") for line in objects].count("") == len(PAGES) - 1
    # A page's object is extract()'s of its bytes at its URL and charset.
    for line in objects[:-1]:
        name = line["source"].rsplit("/", 1)[1][: -len(".html")]
        article = korvane.extract(PAGES[name], url=line["source"], algorithm=algorithm,
                                  http_charset=HTTP_CHARSETS.get(name))
        assert article.as_dict() == line


def test_iter_warc_refuses_pages_over_max_page_size_as_the_command_line(tmp_path):
    path = _warc_file(tmp_path, "gzip")
    objects = list(korvane.iter_warc(path, max_page_size=2500))
    assert objects == korvane_objects("--max-page-size", "2500", path)
    refused = [o for o in objects if "larger than 2500 bytes" in o.get("error", "")]
    assert len(refused) == sum(len(data) > 2500 for data in PAGES.values())


def test_threads_convert_alike():
    expected = {name: korvane.extract(data).as_dict() for name, data in PAGES.items()}

    def convert(item):
        return item[0], korvane.extract(item[1]).as_dict()

    with ThreadPoolExecutor(4) as pool:
        results = list(pool.map(convert, list(PAGES.items()) * 10))
    assert all(expected[name] == page for name, page in results)


def test_version_is_the_command_lines():
    assert run_korvane("--version").split() == [b"korvane", korvane.__version__.encode()]
