#!/usr/bin/python3
# SPDX-License-Identifier: Apache-2.0
"""Checks that the Python package gives exactly what the command line gives,
on a folder of real pages (a corpus kept outside the project):

  * korvane.extract(bytes).record == `korvane PAGE`, byte for byte;
  * korvane.extract(bytes).as_dict() == the object of `korvane --format jsonl PAGE`
    ("source" aside: extract() has no file name);
  * korvane.iter_warc() == `korvane --format jsonl` on a WARC file of the pages;
  * with --dask N, the part file of `python3 -m korvane.dask` (N local worker
    processes) == `korvane --format jsonl` on that WARC file, byte for byte;

for both algorithms. Prints the counts and every difference; exit 1 on any.

  PYTHONPATH=build/python bench/python/compare_with_cli.py CORPUS... \\
      [--korvane build/cli/korvane] [--dask 2]
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile

import korvane
import korvane.dask
from korvane import _korvane


def page_files(inputs):
    files = []
    for given in inputs:
        if os.path.isdir(given):
            files += [path for path, error in _korvane.walk(os.fsencode(given)) if not error]
        else:
            files.append(given)
    return [path for path in files if not path.lower().endswith((".warc", ".warc.gz"))]


def run(binary, *arguments):
    return subprocess.run([binary, "-q", *arguments], stdout=subprocess.PIPE, check=False).stdout


def warc_of(files, path):
    with open(path, "wb") as warc:
        for number, name in enumerate(files):
            with open(name, "rb") as page:
                body = page.read()
            http = b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n" + body
            warc.write((f"WARC/1.0\r\nWARC-Type: response\r\n"
                        f"WARC-Target-URI: http://corpus.example/{number}/page.html\r\n"
                        f"Content-Type: application/http; msgtype=response\r\n"
                        f"Content-Length: {len(http)}\r\n\r\n").encode() + http + b"\r\n\r\n")


def compare_pages(binary, files, algorithm, differences):
    batch = run(binary, "--format", "jsonl", "--algorithm", algorithm, *files).splitlines()
    if len(batch) != len(files):
        differences.append(f"{algorithm}: {len(batch)} JSON lines for {len(files)} pages")
        return
    for name, line in zip(files, batch):
        with open(name, "rb") as page:
            data = page.read()
        try:
            article = korvane.extract(data, algorithm=algorithm)
        except korvane.NotAPageError as error:
            if json.loads(line).get("error") != str(error):
                differences.append(f"{algorithm} {name}: {error}")
            continue
        expected = json.loads(line)
        got = article.as_dict()
        expected.pop("source"), got.pop("source")
        if got != expected:
            differences.append(f"{algorithm} {name}: JSON object differs")
        if article.record.encode() != run(binary, "--algorithm", algorithm, name):
            differences.append(f"{algorithm} {name}: record differs")


def compare_warc(binary, warc, algorithm, workers, differences):
    expected = run(binary, "--format", "jsonl", "--algorithm", algorithm, warc)
    objects = list(korvane.iter_warc(warc, algorithm=algorithm))
    if not objects or objects != [json.loads(line) for line in expected.splitlines()]:
        differences.append(f"{algorithm}: iter_warc differs from the command line")
    if not workers:
        return
    output_dir = os.path.join(os.path.dirname(warc), f"parts-{algorithm}")
    status = korvane.dask.main([warc, "--output-dir", output_dir, "--workers", str(workers),
                                "--algorithm", algorithm])
    part = os.path.join(output_dir, warc.lstrip("/") + ".jsonl")
    with open(part, "rb") as written:
        if status != 0 or written.read() != expected:
            differences.append(f"{algorithm}: the Dask part file differs from the command line")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("inputs", nargs="+", help="pages and folders of pages")
    parser.add_argument("--korvane", default="build/cli/korvane")
    parser.add_argument("--dask", type=int, default=0, metavar="N",
                        help="also run korvane.dask with N local workers")
    arguments = parser.parse_args()
    files = page_files(arguments.inputs)
    differences = []
    with tempfile.TemporaryDirectory() as folder:
        warc = os.path.join(folder, "corpus.warc")
        warc_of(files, warc)
        for algorithm in ("block", "dom"):
            compare_pages(arguments.korvane, files, algorithm, differences)
            compare_warc(arguments.korvane, warc, algorithm, arguments.dask, differences)
    for difference in differences:
        print(difference)
    print(f"{len(files)} pages, 2 algorithms: {len(differences)} differences")
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
