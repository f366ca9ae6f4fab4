# SPDX-License-Identifier: Apache-2.0
"""The package's functions give what the command line gives for the same bytes."""

import dataclasses
import io
import json
import os
import pickle
import select
import signal
import subprocess
import sys
import threading
from concurrent.futures import ThreadPoolExecutor

import pytest

import korvane
import korvane.dask
from conftest import (HTTP_CHARSETS, PAGES, PARAGRAPH, gzip_members, korvane as run_korvane,
                      korvane_objects, news_page, warc_records)

ALGORITHMS = ["block", "dom"]


def _as_line(obj):
    """An object serialised as korvane writes its JSON lines."""
    return json.dumps(obj, ensure_ascii=False, separators=(",", ":")).encode() + b"\n"


@pytest.mark.parametrize("algorithm", ALGORITHMS)
def test_pages_convert_as_the_command_line_converts_their_files(tmp_path, algorithm):
    paths = []
    for name, data in PAGES.items():
        paths.append(tmp_path / f"{name}.html")
        paths[-1].write_bytes(data)
    lines = run_korvane("--format", "jsonl", "--algorithm", algorithm,
                        *paths).splitlines(keepends=True)
    assert len(lines) == len(paths)
    for path, data, line in zip(paths, PAGES.values(), lines):
        article = korvane.extract(data, algorithm=algorithm)
        page = article.as_dict()
        assert page["source"] is None
        page["source"] = json.loads(line)["source"]  # the file's name, first
        assert _as_line(page) == line, path.name
        assert article.record.encode() == run_korvane("--algorithm", algorithm, path)


def test_articles_are_frozen_dataclasses_of_their_own_fields():
    article = korvane.extract(PAGES["english"], url="http://news.example/a.html",
                              algorithm="dom")
    fields = [field.name for field in dataclasses.fields(article)]
    assert fields == ["title", "headline", "images", "image_urls", "body", "record", "encoding",
                      "replaced", "algorithm", "author", "published", "truncated", "url"]
    assert dataclasses.asdict(article) == {name: getattr(article, name) for name in fields}
    assert korvane.Article(**dataclasses.asdict(article)) == article
    changed = dataclasses.replace(article, title="Another", url="http://b.example/\\x")
    expected = {**article.as_dict(), "title": "Another", "source": "http://b.example/\\\\x"}
    assert changed.as_dict() == expected and changed != article
    with pytest.raises(dataclasses.FrozenInstanceError):
        article.title = "x"


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


@pytest.mark.parametrize("call, error, message", [
    (lambda: korvane.extract(b"\x00\x01\xff\xfe" * 8), korvane.NotAPageError,
     "binary data (NUL bytes, not valid UTF-8), not a page"),
    (lambda: korvane.decode(b"\x00\xff" * 8), korvane.NotAPageError,
     "binary data (NUL bytes, not valid UTF-8), not a page"),
    (lambda: korvane.extract(b"xx", max_page_size=1), korvane.PageTooLargeError,
     "page larger than 1 byte (max_page_size)"),
    (lambda: korvane.extract(b"x", encoding="no-such-charset"), LookupError,
     "unknown encoding: 'no-such-charset'"),
    (lambda: korvane.decode(b"x", encoding=""), LookupError, "unknown encoding: ''"),
    (lambda: korvane.extract(42), TypeError, "html must be str or bytes, not int"),
    (lambda: korvane.extract("<p>x", encoding="gbk"), TypeError,
     "encoding and http_charset apply to bytes; html is str already"),
    (lambda: korvane.extract(b"x", url=b"http://a.example/"), TypeError,
     "url must be str or None, not bytes"),
    (lambda: korvane.extract(b"x", http_charset=5), TypeError,
     "http_charset must be str or None, not int"),
    (lambda: korvane.decode("text"), TypeError, "data must be bytes, not str"),
    (lambda: korvane.html_to_text(b"<p>x"), TypeError,
     "html must be str, not bytes (extract() takes bytes)"),
    (lambda: korvane.extract(b"x", algorithm="fast"), ValueError,
     "unknown algorithm 'fast' (block or dom)"),
    (lambda: korvane.extract(b"x", algorithm=None), TypeError,
     "algorithm must be str, not NoneType"),
    (lambda: korvane.extract(b"x", max_page_size=0), ValueError,
     "max_page_size must be a positive number of bytes, not 0"),
    (lambda: korvane.extract(b"x", max_page_size=True), TypeError,
     "max_page_size must be int, not bool"),
    (lambda: korvane.iter_warc("crawl.warc", max_page_size="64M"), TypeError,
     "max_page_size must be int, not str"),
    (lambda: korvane.iter_warc(42), TypeError, "iter_warc takes a path or a binary file, not int"),
    (lambda: list(korvane.iter_warc(io.StringIO("WARC/1.0\r\n"))), TypeError,
     "read() gave <class 'str'>, not bytes: iter_warc needs a binary file"),
    (lambda: korvane.iter_warc("/no/such/crawl.warc"), FileNotFoundError,
     "[Errno 2] No such file or directory: '/no/such/crawl.warc'"),
    (lambda: list(korvane.iter_warc(_FailingFile())), OSError, "disk gone"),
])
def test_errors_have_their_exact_types_and_messages_and_pickle(call, error, message):
    with pytest.raises(BaseException) as raised:
        call()
    assert (type(raised.value), str(raised.value)) == (error, message)
    copy = pickle.loads(pickle.dumps(raised.value))
    assert (type(copy), copy.args, str(copy)) == (type(raised.value), raised.value.args,
                                                  str(raised.value))


def test_the_packages_errors_are_value_errors():
    assert korvane.NotAPageError.__mro__[1:3] == (ValueError, Exception)
    assert korvane.PageTooLargeError.__mro__[1:3] == (ValueError, Exception)


def test_public_names_belong_to_the_public_package():
    public = {name: getattr(korvane, name) for name in korvane.__all__}
    public.update((f"dask.{name}", getattr(korvane.dask, name)) for name in (
        "PartReport", "Failure", "Summary", "Stopped", "convert_file", "plan", "run", "main"))
    for name, value in public.items():
        if callable(value):
            expected = "korvane.dask" if name.startswith("dask.") else "korvane"
            assert value.__module__ == expected, name
            assert pickle.loads(pickle.dumps(value)) is value, name


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
    line = run_korvane("--format", "jsonl", "--algorithm", algorithm, path)
    article = korvane.extract(path.read_bytes(), algorithm=algorithm)
    page = article.as_dict()
    page["source"] = str(path)
    assert _as_line(page) == line
    assert ('"truncated":true' in line.decode()) == article.truncated == (algorithm == "block")


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


def _zstd_warc_file(tmp_path):
    plain = _warc_file(tmp_path, "plain")
    path = tmp_path / "crawl.warc.zst"
    subprocess.run(["zstd", "-q", "-o", str(path), str(plain)], check=True)
    return path


@pytest.mark.parametrize("algorithm", ALGORITHMS)
@pytest.mark.parametrize("form", ["plain", "gzip", "file object", "zstd file object"])
def test_iter_warc_gives_the_command_lines_objects(tmp_path, form, algorithm):
    if form == "zstd file object":
        path = _zstd_warc_file(tmp_path)
    else:
        path = _warc_file(tmp_path, "gzip" if form == "gzip" else "plain")
    expected = korvane_objects("--algorithm", algorithm, path)
    if form.endswith("file object"):
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


@pytest.fixture
def threads_switch_only_where_one_waits():
    """Without timed switches, another thread runs only where the running one
    releases the GIL (as native code without Python objects should)."""
    interval = sys.getswitchinterval()
    sys.setswitchinterval(1e6)
    yield
    sys.setswitchinterval(interval)


def _large_warc(tmp_path, page, count):
    path = tmp_path / "large.warc"
    path.write_bytes(warc_records({"large": page})[0] * count)
    return path


LARGE_PAGE = news_page("大页面", paragraph=PARAGRAPH * 40).encode()  # 160 KB


@pytest.mark.parametrize("call", [
    "extract bytes", "extract bytes dom", "extract str", "decode", "html_to_text", "iter_warc",
])
def test_the_gil_is_released_while_a_page_converts(tmp_path, threads_switch_only_where_one_waits,
                                                   call):
    text = LARGE_PAGE.decode()
    warc = _large_warc(tmp_path, LARGE_PAGE, 50)
    records = (obj for _ in iter(int, 1) for obj in korvane.iter_warc(warc))
    calls = {
        "extract bytes": lambda: korvane.extract(LARGE_PAGE),
        "extract bytes dom": lambda: korvane.extract(LARGE_PAGE, algorithm="dom"),
        "extract str": lambda: korvane.extract(text),
        "decode": lambda: korvane.decode(LARGE_PAGE),
        "html_to_text": lambda: korvane.html_to_text(text),
        "iter_warc": lambda: next(records),
    }
    go, ran = threading.Event(), threading.Event()
    other = threading.Thread(target=lambda: go.wait() and ran.set())
    other.start()
    go.set()  # from here on, the other thread only needs the GIL
    # On a loaded machine the other thread may miss many releases before it
    # is scheduled in one; a call that never releases misses them all.
    for _ in range(2000):
        calls[call]()
        if ran.is_set():
            break
    progressed = ran.is_set()
    other.join()
    assert progressed, f"{call} held the GIL throughout"


def _sleeping(pid):
    with open(f"/proc/{pid}/stat", encoding="ascii") as status:
        return status.read().rsplit(")", 1)[1].split()[0] == "S"


@pytest.mark.parametrize("source", ["path", "file object"])
def test_ctrl_c_stops_iter_warc_waiting_on_a_pipe(tmp_path, source):
    fifo = tmp_path / "crawl.warc"
    os.mkfifo(fifo)
    opened = "open(sys.argv[1], 'rb')" if source == "file object" else "sys.argv[1]"
    script = ("import korvane, sys\n"
              "try:\n"
              f"    for obj in korvane.iter_warc({opened}):\n"
              "        print(obj['source'], flush=True)\n"
              "except KeyboardInterrupt:\n"
              "    print('interrupted', flush=True)\n")
    child = subprocess.Popen([sys.executable, "-c", script, str(fifo)], stdout=subprocess.PIPE)
    writer = os.open(fifo, os.O_WRONLY)  # waits for the child to open it
    try:
        # A record, then the start of one whose rest never comes.
        os.write(writer, warc_records({"utf8": PAGES["utf8"]})[0] + b"WARC/1.0\r\n")
        assert select.select([child.stdout], [], [], 30)[0], "the record did not come"
        assert child.stdout.readline() == b"http://news.example/utf8.html\n"
        while not _sleeping(child.pid):  # waiting for the pipe, in the native code
            assert child.poll() is None
        child.send_signal(signal.SIGINT)
        output, _ = child.communicate(timeout=10)  # not waiting for the writer to close
        assert (output, child.returncode) == (b"interrupted\n", 0)
    finally:
        os.close(writer)
        child.kill()
        child.wait()
