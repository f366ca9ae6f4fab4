# SPDX-License-Identifier: Apache-2.0
"""A korvane service on a free loopback port, HTTP helpers, generated pages
and runs of the command line that answers are compared with.

ctest sets KORVANE_BINARY. Every server listens on 127.0.0.1 port 0 (the
system picks a free one), dies with the test process, and is stopped by its
fixture.
"""

import ctypes
import http.client
import os
import random
import select
import signal
import socket
import subprocess
import threading
import time

import pytest

KORVANE = os.environ.get("KORVANE_BINARY", "build/cli/korvane")
START_SECONDS = 20


def _die_with_parent():
    # PR_SET_PDEATHSIG: a server outlives no test run.
    ctypes.CDLL(None, use_errno=True).prctl(1, signal.SIGKILL)


class Server:
    """`korvane serve` on 127.0.0.1, port chosen by the system."""

    def __init__(self, *options):
        self.process = subprocess.Popen(
            [KORVANE, "serve", "--listen", "127.0.0.1:0", *options],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
            preexec_fn=_die_with_parent)
        self.stderr = []
        self._line_added = threading.Condition()
        self.port = self._read_port()
        self._drain = threading.Thread(target=self._drain_stderr, daemon=True)
        self._drain.start()

    def _read_port(self):
        deadline = time.monotonic() + START_SECONDS
        line = b""
        while time.monotonic() < deadline:
            ready, _, _ = select.select([self.process.stderr], [], [], 1)
            if not ready:
                continue
            line = self.process.stderr.readline()
            if not line:
                break
            self.stderr.append(line.decode(errors="replace"))
            if b"listening on http://127.0.0.1:" in line:
                return int(line.split(b"127.0.0.1:")[1].split(b"/")[0])
        self.process.kill()
        raise AssertionError(f"korvane serve did not start: {self.stderr}")

    def _drain_stderr(self):
        for line in self.process.stderr:
            with self._line_added:
                self.stderr.append(line.decode(errors="replace"))
                self._line_added.notify_all()

    def wait_for_line(self, text, timeout=30):
        """Waits until the server has printed a line holding `text`."""
        with self._line_added:
            assert self._line_added.wait_for(
                lambda: any(text in line for line in self.stderr), timeout), self.stderr

    def stop(self, timeout=60):
        """SIGTERM, then its exit status."""
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        try:
            return self.process.wait(timeout=timeout)
        finally:
            if self.process.poll() is None:
                self.process.kill()
                self.process.wait()

    def connection(self, timeout=30):
        return http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)

    def request(self, method, path, body=None, headers=None, connection=None):
        """(status, headers, body) of one request."""
        own = connection is None
        connection = connection or self.connection()
        try:
            connection.request(method, path, body=body, headers=headers or {})
            response = connection.getresponse()
            return response.status, dict(response.getheaders()), response.read()
        finally:
            if own:
                connection.close()

    def socket(self, timeout=10):
        return socket.create_connection(("127.0.0.1", self.port), timeout=timeout)

    def metrics(self):
        status, _, body = self.request("GET", "/metrics")
        assert status == 200
        values = {}
        for line in body.decode().splitlines():
            if line and not line.startswith("#"):
                name, value = line.rsplit(" ", 1)
                values[name] = float(value)
        return values

    def rss_kib(self, field="VmHWM"):
        with open(f"/proc/{self.process.pid}/status") as status:
            for line in status:
                if line.startswith(field + ":"):
                    return int(line.split()[1])
        raise AssertionError(field + " not found")


@pytest.fixture
def start_server():
    """Starts servers with the given options; stops them after the test."""
    servers = []

    def start(*options):
        server = Server(*options)
        servers.append(server)
        return server

    yield start
    for server in servers:
        if server.process.returncode is None:  # else the test saw it end
            assert server.stop() == 0, server.stderr


def korvane(*arguments, input=b""):
    """The command line's standard output."""
    run = subprocess.run([KORVANE, "-q", *arguments], input=input, stdout=subprocess.PIPE,
                         stderr=subprocess.PIPE, check=False)
    if run.returncode not in (0, 1):
        raise AssertionError(f"korvane {arguments}: {run.returncode} {run.stderr!r}")
    return run.stdout


CHARACTERS = "市政府今天召开会议研究部署年的民生工作确保各项任务落到实处记者从有关部门获悉全经济运行总体平稳城乡居民收入"
# For Big5 pages.
TRADITIONAL = "市政府今天召開會議研究部署年的民生工作確保各項任務落到實處記者從有關部門獲悉全經濟運行總體平穩城鄉居民收入"
LABELS = {CHARACTERS: ("新闻网", "记者", "首页", "新闻", "版权所有"),
          TRADITIONAL: ("新聞網", "記者", "首頁", "新聞", "版權所有")}
PUNCTUATION = "，。"


def paragraph(rand, characters):
    words = [rand.choice(characters) for _ in range(rand.randint(30, 90))]
    for at in range(8, len(words), rand.randint(8, 14)):
        words[at] = rand.choice(PUNCTUATION)
    return "".join(words) + "。"


def news_page(seed, head="", images=2, paragraphs=None, characters=CHARACTERS):
    """A generated news page (text): navigation, a title and headline,
    images, paragraphs, a byline and a footer."""
    rand = random.Random(seed)
    site, reporter, home, news, rights = LABELS[characters]
    title = "".join(rand.choice(characters) for _ in range(rand.randint(6, 14)))
    count = paragraphs if paragraphs is not None else rand.randint(6, 30)
    pictures = "".join(f'<p><img src="/img/{seed}-{i}.jpg" alt=""></p>' for i in range(images))
    body = "".join(f"<p>{paragraph(rand, characters)}</p>\n" for _ in range(count))
    return (f"<html><head>{head}<title>{title}_{site}</title>"
            f'<meta name="author" content="{reporter}{rand.choice(characters)}">'
            f"<script>var x = '<p>不是正文</p>';</script></head><body>\n"
            f'<div class="nav"><a href="/">{home}</a> | <a href="/news">{news}</a></div>\n'
            f"<h1>{title}</h1><p class=\"time\">2024-0{rand.randint(1, 9)}-1{rand.randint(0, 9)}"
            f" 10:3{rand.randint(0, 9)}</p>{pictures}\n{body}"
            f'<div class="footer">{rights} 2024</div></body></html>')


def pages():
    """name → (bytes, Content-Type) of generated pages: charsets named in
    the body, in the Content-Type alone, or nowhere; and bodies that are no
    page."""
    return {
        "utf8": (news_page(1).encode(), "text/html"),
        "utf8-charset": (news_page(2).encode(), "text/html; charset=utf-8"),
        "gbk-meta": (news_page(3, head='<meta charset="gbk">').encode("gbk"), "text/html"),
        "gbk-http": (news_page(4).encode("gbk"), "text/html; charset=GBK"),
        "big5-http": (news_page(5, characters=TRADITIONAL).encode("big5"), 'text/html; charset="big5"'),
        "gbk-detected": (news_page(6).encode("gbk"), "text/html"),
        "utf16-bom": (news_page(7).encode("utf-16"), "text/html"),
        "invalid-utf8": (news_page(8).encode()[:-300] + b"\xff\xfe\x80</html>", "text/html"),
        "no-article": (b"<html><body><p>short</p></body></html>", "text/html"),
        "empty": (b"", "text/html"),
        "binary": (b"\x00\x01\x02\xff" * 64, "application/octet-stream"),
    }


def warc_record(uri, body, content_type):
    http = (f"HTTP/1.1 200 OK\r\nContent-Type: {content_type}\r\n"
            f"Content-Length: {len(body)}\r\n\r\n").encode() + body
    head = (f"WARC/1.0\r\nWARC-Type: response\r\nWARC-Target-URI: {uri}\r\n"
            f"Content-Type: application/http; msgtype=response\r\n"
            f"Content-Length: {len(http)}\r\n\r\n").encode()
    return head + http + b"\r\n\r\n"
