# SPDX-License-Identifier: Apache-2.0
"""Pages, WARC files and runs of the korvane binary for the package's tests.

ctest sets PYTHONPATH to build/python and KORVANE_BINARY to the command
line that the package is compared with.
"""

import gzip
import json
import os
import subprocess

import pytest

KORVANE = os.environ.get("KORVANE_BINARY", "build/cli/korvane")

PARAGRAPH = "市政府今天召开会议，研究部署今年的民生工作，确保各项任务落到实处。"


def news_page(title, paragraph=PARAGRAPH, head="", images=("../img/a.jpg",),
              nav=("首页", "新闻", "版权所有")):
    """A news page as text: a title, links, images and twelve paragraphs."""
    pictures = "".join(f'<p><img src="{source}"></p>' for source in images)
    paragraphs = "".join(f"<p>{n}. {paragraph}{paragraph}</p>\n" for n in range(12))
    return (f"<html><head>{head}<title>{title}</title></head><body>\n"
            f'<div class="nav"><a href="/">{nav[0]}</a> | <a href="/news">{nav[1]}</a></div>\n'
            f"<h1>{title}</h1>{pictures}\n{paragraphs}"
            f"<div class=\"footer\">{nav[2]} 2024</div></body></html>")


def _pages():
    english = "The council met today to plan the year's work on housing and transport. "
    return {
        "utf8": news_page("今日要闻").encode(),
        "utf8-bom": b"\xef\xbb\xbf" + news_page("带字节序标记").encode(),
        "gbk-meta": news_page("国标编码", head='<meta charset="gbk">').encode("gbk"),
        "gbk-detected": news_page("没有声明的国标编码页面").encode("gbk"),
        "big5-meta": news_page("繁體中文", paragraph="市政府今天召開會議，研究部署今年的民生工作。",
                               nav=("首頁", "新聞", "版權所有"),
                               head='<meta http-equiv="Content-Type" content="text/html; '
                                    'charset=big5">').encode("big5"),
        "utf16-bom": news_page("宽字符").encode("utf-16"),
        "english": news_page("City Council Plans", paragraph=english).encode(),
        # 64 units of title end inside a pair: the command line writes U+FFFD.
        "cut-pair": news_page("a" + "😀" * 40, paragraph="表情😀符号" + PARAGRAPH).encode(),
        "invalid-utf8": news_page("坏字节", head='<meta charset="utf-8">').encode()[:-200] + b"\xff\xfe\x80" + b"</html>",
        "no-article": b"<html><body><p>short</p></body></html>",
        "empty": b"",
    }


PAGES = _pages()


@pytest.fixture(scope="session")
def pages():
    return PAGES


def korvane(*arguments):
    """Runs the command line; its standard output as bytes."""
    # Without a sanitizer runtime preloaded for the module under test.
    environment = {k: v for k, v in os.environ.items() if k != "LD_PRELOAD"}
    run = subprocess.run([KORVANE, "-q", *arguments], stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, env=environment, check=False)
    if run.returncode not in (0, 1) or not run.stdout:
        raise AssertionError(f"korvane {arguments}: {run.returncode} {run.stderr!r}")
    return run.stdout


def korvane_objects(*arguments):
    return [json.loads(line) for line in korvane("--format", "jsonl", *arguments).splitlines()]


def warc_record(uri, body, content_type="text/html; charset=utf-8", status=200,
                warc_type="response"):
    http = (f"HTTP/1.1 {status} X\r\nContent-Type: {content_type}\r\n"
            f"Content-Length: {len(body)}\r\n\r\n").encode() + body
    head = (f"WARC/1.0\r\nWARC-Type: {warc_type}\r\nWARC-Target-URI: {uri}\r\n"
            f"Content-Type: application/http; msgtype=response\r\n"
            f"Content-Length: {len(http)}\r\n\r\n").encode()
    return head + http + b"\r\n\r\n"


# Pages whose charset only their WARC record's HTTP head names.
HTTP_CHARSETS = {"gbk-detected": "gbk"}


def content_type(name):
    charset = HTTP_CHARSETS.get(name)
    return f"text/html; charset={charset}" if charset else "text/html"


def warc_records(pages, host="news.example", cut_last=False):
    """The records of a WARC file of `pages` (name → bytes), with a 404 and a
    request among them; with `cut_last`, the last record is cut short."""
    records = [warc_record(f"http://{host}/{name}.html", body, content_type(name))
               for name, body in pages.items()]
    records.insert(1, warc_record(f"http://{host}/gone", b"gone", status=404))
    records.insert(2, warc_record(f"http://{host}/ask", b"GET / HTTP/1.1\r\n\r\n",
                                  warc_type="request"))
    if cut_last:
        records[-1] = records[-1][:-40]
    return records


def gzip_members(records):
    """Gzip data with one member per record, as crawlers store WARC files."""
    return b"".join(gzip.compress(record) for record in records)
