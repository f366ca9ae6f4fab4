# SPDX-License-Identifier: Apache-2.0
"""Every endpoint's answers, byte for byte the command line's on the same
generated pages, for both algorithms."""

import json
import os
import tempfile
import urllib.parse

import pytest

from conftest import korvane, news_page, pages, warc_record

ALGORITHMS = ["block", "dom"]
PAGES = pages()


@pytest.fixture(scope="module")
def server():
    from conftest import Server
    server = Server("-j", "2")
    yield server
    assert server.stop() == 0


@pytest.mark.parametrize("algorithm", ALGORITHMS)
@pytest.mark.parametrize("name", sorted(PAGES))
def test_extract_body_is_the_command_lines_json_line(server, name, algorithm):
    body, content_type = PAGES[name]
    status, headers, answer = server.request(
        "POST", f"/v1/extract?algorithm={algorithm}", body, {"Content-Type": content_type})
    expected = korvane("-f", "jsonl", "-a", algorithm, "-", input=body)
    assert answer == expected
    assert status == (422 if b'"error"' in expected else 200)
    assert headers["Content-Type"] == "application/json; charset=utf-8"


@pytest.mark.parametrize("algorithm", ALGORITHMS)
def test_extract_with_url_and_charset_reads_as_a_warc_response(server, algorithm):
    html = {name: page for name, page in PAGES.items() if page[1].startswith("text/html")}
    names = sorted(html)
    uris = {name: f"http://news.example/{name}/页面.html?a=1&b=%20" for name in names}
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "crawl.warc")
        with open(path, "wb") as warc:
            for name in names:
                warc.write(warc_record(uris[name], *html[name]))
        lines = korvane("-f", "jsonl", "-a", algorithm, path).splitlines(keepends=True)
    assert len(lines) == len(names)
    for name, expected in zip(names, lines):
        query = urllib.parse.urlencode({"url": uris[name], "algorithm": algorithm})
        _, _, answer = server.request("POST", "/v1/extract?" + query, html[name][0],
                                      {"Content-Type": html[name][1]})
        assert answer == expected, name


def json_lines():
    """JSON lines as a crawler sends them: ids of several kinds, URLs or
    none, a blank line, and lines that are no page."""
    lines = []
    for n, (name, (body, _)) in enumerate(sorted(PAGES.items())):
        text = body.decode("utf-8", errors="replace")
        page = {"id": n if n % 3 else f"page-{n}", "html": text}
        if n % 2:
            page["url"] = f"https://news.example/{name}.html"
        lines.append(json.dumps(page, ensure_ascii=n % 4 == 0))
    lines.insert(3, "")
    lines.insert(5, '{"id": 12345678901234567890.50, "url": "http://a.example/"}')
    lines.insert(7, "not json at all")
    return lines


@pytest.mark.parametrize("algorithm", ALGORITHMS)
def test_extract_json_object_answers_as_stdin_jsonl(server, algorithm):
    for line in json_lines():
        if not line:
            continue
        status, _, answer = server.request(
            "POST", f"/v1/extract?algorithm={algorithm}", line.encode(),
            {"Content-Type": "application/json"})
        expected = korvane("--stdin-jsonl", "-a", algorithm, input=line.encode() + b"\n")
        assert answer == expected, line[:80]
        assert status == (422 if b'"error"' in expected else 200)


@pytest.mark.parametrize("algorithm", ALGORITHMS)
def test_batch_answers_as_stdin_jsonl_streamed(server, algorithm):
    body = ("\n".join(json_lines() * 5)).encode()  # no LF after the last line
    status, headers, answer = server.request(
        "POST", f"/v1/batch?algorithm={algorithm}", body,
        {"Content-Type": "application/x-ndjson"})
    assert status == 200
    assert headers["Transfer-Encoding"] == "chunked"
    assert headers["Content-Type"] == "application/x-ndjson; charset=utf-8"
    assert answer == korvane("--stdin-jsonl", "-a", algorithm, input=body)


def test_batch_keeps_order_past_its_window(server):
    # Small pages after large ones finish first; the answer keeps the input's order.
    lines = [json.dumps({"id": n, "html": news_page(n, paragraphs=400 if n % 7 == 0 else 2)})
             for n in range(60)]
    body = "\n".join(lines).encode() + b"\n"
    _, _, answer = server.request("POST", "/v1/batch", body)
    assert [json.loads(line)["id"] for line in answer.splitlines()] == list(range(60))
    assert answer == korvane("--stdin-jsonl", input=body)


def test_empty_batch_is_an_empty_answer(server):
    assert server.request("POST", "/v1/batch", b"\n \n")[:3:2] == (200, b"")


def test_default_algorithm_is_the_servers(start_server):
    server = start_server("-j", "1", "--algorithm", "dom")
    body = PAGES["utf8"][0]
    assert server.request("POST", "/v1/extract", body)[2] == korvane(
        "-f", "jsonl", "-a", "dom", "-", input=body)
    assert server.request("POST", "/v1/extract?algorithm=block", body)[2] == korvane(
        "-f", "jsonl", "-", input=body)


def test_keep_alive_serves_every_endpoint_on_one_connection(server):
    connection = server.connection()
    body = PAGES["gbk-http"][0]
    for _ in range(3):
        for method, path, data in [("GET", "/healthz", None), ("GET", "/", None),
                                   ("POST", "/v1/extract", body), ("POST", "/v1/batch", b"{}"),
                                   ("GET", "/metrics", None)]:
            status, headers, _ = server.request(method, path, data, connection=connection)
            assert status in (200, 422), path
            assert headers.get("Connection") != "close", path
    connection.close()


def test_healthz_and_head(server):
    assert server.request("GET", "/healthz")[::2] == (200, b'{"status":"ok"}\n')
    status, headers, body = server.request("HEAD", "/")
    assert (status, body) == (200, b"")
    assert headers["Content-Type"] == "text/html; charset=utf-8"


def test_metrics_count_requests_pages_bytes_and_latency(start_server):
    server = start_server("-j", "1")
    body = PAGES["utf8"][0]
    for _ in range(3):
        server.request("POST", "/v1/extract", body)
    server.request("POST", "/v1/extract", PAGES["binary"][0])
    server.request("POST", "/v1/batch", b'{"html": "<p>a</p>"}\n[]\n')
    server.request("GET", "/nowhere")
    metrics = server.metrics()
    assert metrics['korvane_http_requests_total{endpoint="/v1/extract",status="200"}'] == 3
    assert metrics['korvane_http_requests_total{endpoint="/v1/extract",status="422"}'] == 1
    assert metrics['korvane_http_requests_total{endpoint="/v1/batch",status="200"}'] == 1
    assert metrics['korvane_http_requests_total{endpoint="other",status="404"}'] == 1
    assert metrics['korvane_pages_total{outcome="converted"}'] == 4
    assert metrics['korvane_pages_total{outcome="failed"}'] == 2
    sent = 3 * len(body) + len(PAGES["binary"][0]) + len(b'{"html": "<p>a</p>"}\n[]\n')
    assert metrics["korvane_request_bytes_total"] == sent
    assert metrics["korvane_request_duration_seconds_count"] == 6
    assert metrics['korvane_request_duration_seconds_bucket{le="+Inf"}'] == 6
    buckets = [v for k, v in metrics.items() if k.startswith("korvane_request_duration_seconds_b")]
    assert buckets == sorted(buckets)
    assert metrics["korvane_connections"] == 1
    assert metrics["korvane_requests_in_flight"] == 1  # this one
