# SPDX-License-Identifier: Apache-2.0
"""The page at GET / in headless Chromium: it loads nothing from elsewhere,
its labels are the window's, and pasting a page or choosing a file then
pressing 抽取转换 shows what the command line extracts."""

import json
import pathlib
import re

import pytest

from browser import PRESS_CONVERT, READ_RESULT, Browser, BrowserUnavailable, paste
from conftest import korvane, news_page

WINDOW_SOURCE = pathlib.Path(__file__).parents[2] / "ui" / "form1.cc"
WINDOW_SAMPLE = pathlib.Path(__file__).parents[2] / "ui" / "resources" / "sample.html"


@pytest.fixture(scope="module")
def served_page():
    from conftest import Server
    server = Server("-j", "1")
    try:
        browser = Browser()
    except BrowserUnavailable as reason:
        server.stop()
        pytest.skip(f"headless Chromium cannot run here: {reason}")
    browser.open(f"http://127.0.0.1:{server.port}/")
    yield server, browser
    browser.close()
    assert server.stop() == 0


def version():
    """The project's version, as korvane --version gives it."""
    return korvane("--version").decode().split()[-1]


def window_labels():
    """The window's caption (the project's version after its text), its
    labels and its button, from its source."""
    source = WINDOW_SOURCE.read_text()
    labels = re.findall(r'Make(?:Label|Button)\(u"([^"]+)"_s', source)
    caption = re.search(r'setWindowTitle\(QStringLiteral\("([^"]+)" KORVANE_VERSION\)\)',
                        source).group(1) + version()
    assert {"HTML格式网页：", "转换后TXT正文：", "抽取转换"} <= set(labels)
    return [caption, *labels]


def test_the_labels_are_the_windows(served_page):
    _, browser = served_page
    text = browser.evaluate("document.body.innerText")
    for label in window_labels():
        assert label in text, label
    assert browser.evaluate("document.title") == f"KORVANE V{version()}"
    # The first box holds the window's sample page, as the window's does.
    sample = WINDOW_SAMPLE.read_text().replace("\r\n", "\n")
    assert browser.evaluate("document.getElementById('page').defaultValue") == sample


def expected_fields(answer):
    return {
        "record": answer["record"].replace("\r\n", "\n"),  # as a text box holds it
        "title": answer["title"], "headline": answer["headline"],
        "author": answer.get("author") or "—", "published": answer.get("published") or "—",
        "images": [url or source for source, url in zip(answer["images"], answer["image_urls"])],
        "body": answer["body"],
    }


@pytest.mark.parametrize("algorithm", ["block", "dom"])
def test_a_pasted_page_shows_its_extraction(served_page, algorithm):
    _, browser = served_page
    html = news_page(31, head='<meta name="publishdate" content="2024-05-06">')
    paste(browser, html, algorithm)
    assert browser.evaluate(PRESS_CONVERT) == "done"
    shown = browser.evaluate(READ_RESULT)
    line = korvane("-f", "jsonl", "-a", algorithm, "-", input=html.encode())
    answer = json.loads(line)
    assert {key: shown[key] for key in expected_fields(answer)} == expected_fields(answer)
    assert shown["json"].encode() == line


def test_a_chosen_file_is_sent_as_its_bytes(served_page, tmp_path):
    _, browser = served_page
    path = tmp_path / "gbk.html"
    path.write_bytes(news_page(32).encode("gbk"))  # no charset named: detected
    browser.evaluate("document.getElementById('algorithm').value = 'block'")
    browser.choose_file("#file", path)
    browser.evaluate("new Promise(done => { const check = () => "
                     "document.getElementById('file-name').textContent ? done(true)"
                     " : setTimeout(check, 20); check(); })")
    assert browser.evaluate(PRESS_CONVERT) == "done"
    shown = browser.evaluate(READ_RESULT)
    answer = json.loads(korvane("-f", "jsonl", "-", input=path.read_bytes()))
    assert answer["encoding"] == "gb18030"
    assert shown["record"] == answer["record"].replace("\r\n", "\n")


def test_a_failure_is_told_as_the_window_tells_it(served_page, tmp_path):
    _, browser = served_page
    browser.evaluate("document.getElementById('record').value = 'before'")
    path = tmp_path / "binary.html"
    path.write_bytes(b"\x00\x01\x02\xff" * 100)
    browser.choose_file("#file", path)
    browser.evaluate("new Promise(done => { const check = () => "
                     "document.getElementById('file-name').textContent === 'binary.html'"
                     " ? done(true) : setTimeout(check, 20); check(); })")
    assert browser.evaluate(PRESS_CONVERT) == "failed"
    shown = browser.evaluate(READ_RESULT)
    assert shown["status"].startswith("抽取转换失败：binary data")
    assert "输出框保持原样" in shown["status"]
    assert shown["record"] == "before"


def test_nothing_is_loaded_from_elsewhere(served_page):
    server, browser = served_page
    origin = f"http://127.0.0.1:{server.port}/"
    urls = browser.requested_urls()
    assert urls and all(url.startswith(origin) for url in urls), urls
    _, headers, _ = server.request("GET", "/")
    assert "default-src 'none'" in headers["Content-Security-Policy"]
