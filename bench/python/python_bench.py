#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""The Python package's cost over the engine, and its scaling with threads.

  * the time of one call on a tiny page (all of it the call's own cost:
    argument checks, the GIL, the Article and its strings), for extract() with
    both algorithms and for html_to_text();
  * the median time per page of extract() and of html_to_text() on the pages;
  * pages per second converting the pages on 1 and on 2 threads, and their
    ratio (the GIL is released while a page is decoded and converted).

Pages: the given folders' (a corpus), else generated news pages. Medians of
--runs runs, measured in one run.

  PYTHONPATH=build/python bench/python/python_bench.py [CORPUS...] [--runs 7]
"""

import argparse
import os
import statistics
import sys
import threading
import time

import korvane
from korvane import _korvane

TINY = b"<html><head><title>t</title></head><body><p>x</p></body></html>"
PARAGRAPH = "市政府今天召开会议，研究部署今年的民生工作，确保各项任务落到实处。"


def generated_pages(count=200):
    """News pages of about 45 KB, as sites make them: scripts and styles in
    the head, menus, an article of 8 to 19 paragraphs, related links, a footer."""
    script = "<script>var config = {" + ",".join(f"k{i}: {i}" for i in range(2000)) + "};</script>"
    style = "<style>" + "".join(f".c{i} {{ margin: {i}px; }}" for i in range(600)) + "</style>"
    menu = "".join(f'<li><a href="/channel/{i}/">频道 {i}</a></li>' for i in range(80))
    pages = []
    for n in range(count):
        paragraphs = "".join(f"<p>{i}. {PARAGRAPH * (1 + (n + i) % 4)}</p>\n"
                             for i in range(8 + n % 12))
        related = "".join(f'<li><a href="/n/{n}/{i}.html">相关新闻标题 {i}</a></li>'
                          for i in range(40 + n % 40))
        pages.append((f"<html><head><title>新闻 {n}</title>{script}{style}</head><body>"
                      f"<ul class=\"menu\">{menu}</ul><div class=\"article\"><h1>新闻 {n}</h1>"
                      f"<img src=\"/img/{n}.jpg\">{paragraphs}</div><ul>{related}</ul>"
                      "<div class=\"footer\">版权所有 关于我们 联系我们</div></body></html>").encode())
    return pages


def corpus_pages(folders):
    pages = []
    for folder in folders:
        for path, error in _korvane.walk(os.fsencode(folder)):
            if not error and not path.lower().endswith((".warc", ".warc.gz")):
                with open(path, "rb") as page:
                    pages.append(page.read())
    return pages


def per_call_microseconds(call, repeats=20000):
    start = time.perf_counter()
    for _ in range(repeats):
        call()
    return (time.perf_counter() - start) / repeats * 1e6


def median_page_milliseconds(convert, pages):
    times = []
    for page in pages:
        start = time.perf_counter()
        convert(page)
        times.append(time.perf_counter() - start)
    return statistics.median(times) * 1e3


def pages_per_second(pages, threads, conversions=2000):
    """Each thread converts the pages, in turn, at least `conversions` times
    (a second or so: shorter runs measure the scheduler more than the pages)."""
    rounds = -(-conversions // len(pages))

    def work():
        for _ in range(rounds):
            for page in pages:
                korvane.extract(page)

    workers = [threading.Thread(target=work) for _ in range(threads)]
    start = time.perf_counter()
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    return threads * rounds * len(pages) / (time.perf_counter() - start)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folders", nargs="*", help="folders of pages (default: generated)")
    parser.add_argument("--runs", type=int, default=7)
    arguments = parser.parse_args()
    pages = corpus_pages(arguments.folders) if arguments.folders else generated_pages()
    texts = [korvane.decode(page)[0] for page in pages]
    tiny_text = TINY.decode()
    rows = {name: [] for name in (
        "extract(), tiny page, block (us/call)", "extract(), tiny page, dom (us/call)",
        "html_to_text(), tiny page (us/call)", "extract(), median page (ms)",
        "html_to_text(), median page (ms)", "pages/s, 1 thread", "pages/s, 2 threads",
        "2 threads / 1 thread")}
    for _ in range(arguments.runs):
        values = [
            per_call_microseconds(lambda: korvane.extract(TINY)),
            per_call_microseconds(lambda: korvane.extract(TINY, algorithm="dom")),
            per_call_microseconds(lambda: korvane.html_to_text(tiny_text)),
            median_page_milliseconds(korvane.extract, pages),
            median_page_milliseconds(korvane.html_to_text, texts),
            pages_per_second(pages, 1),
            pages_per_second(pages, 2),
        ]
        values.append(values[-1] / values[-2])
        for name, value in zip(rows, values):
            rows[name].append(value)
    source = " ".join(arguments.folders) or "generated pages"
    print(f"{len(pages)} pages ({source}), {os.cpu_count()} cores, "
          f"medians of {arguments.runs} runs")
    for name, values in rows.items():
        print(f"{name:40} {statistics.median(values):10.3f}")


if __name__ == "__main__":
    sys.exit(main())
